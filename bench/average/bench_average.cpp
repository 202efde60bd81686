// CalcAverageData over a full slot (720000 samples, four series): "3 points" against
// "11 points" in alternating runs; one pass per series makes the wider window cost about the
// same. Prints every run, the medians and their ratio (goal: 11 points at most 1.2x 3 points).
#include "headlesswindow.h"
#include "store.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double timeAverage(HeadlessWindow &window, int index)
{
    window.averaging = index;
    const auto t0 = std::chrono::steady_clock::now();
    CalcAverageData(0);
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 11;
    HeadlessWindow window;
    setStoreWindow(&window);
    ResetStore();
    for (int k = 0; k < SAMPLE_MAX; ++k) {
        SAMPLE_TYPE &s = SampleData[0][k];
        s.Seq = k;
        for (int j = 0; j < 4; ++j)
            s.Nirs[j] = float(0.05 * std::sin(k * 0.001 * (j + 1)) + 0.001 * (k % 7));
    }
    DataInfo[0].Ex_count = SAMPLE_MAX;
    DataInfo[0].Enable = true;
    timeAverage(window, 1); // first touch of the averages
    std::vector<double> three, eleven;
    for (int r = 0; r < runs; ++r) {
        three.push_back(timeAverage(window, 1));
        eleven.push_back(timeAverage(window, 5));
        std::printf("run %2d: 3 points %7.2f ms   11 points %7.2f ms\n", r + 1, three.back(),
                    eleven.back());
    }
    const double m3 = median(three), m11 = median(eleven);
    std::printf("median: 3 points %.2f ms, 11 points %.2f ms, ratio %.3f (goal <= 1.2: %s)\n", m3,
                m11, m11 / m3, m11 / m3 <= 1.2 ? "met" : "NOT met");
    return 0;
}
