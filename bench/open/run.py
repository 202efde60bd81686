#!/usr/bin/python3
"""Opening a full slot: the viewer's whole Open command (bench_open, from the file name to
the measurement entered, averages included) against pandas.read_csv(FILE, skiprows=5,
header=None) of the same 720000-sample standard-form file, side by side in alternating runs.
Prints every run, the medians and their ratio (goal: the viewer at least 5x faster)."""
import argparse
import os
import statistics
import subprocess
import sys
import time
import warnings


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--bench", required=True, help="the bench_open executable")
    ap.add_argument("--gen", required=True, help="the keldra-gen executable")
    ap.add_argument("--work", required=True, help="folder for the generated file")
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--samples", type=int, default=720000)
    a = ap.parse_args()

    import pandas  # Debian's python3-pandas (scripts/setup installs it)

    os.makedirs(a.work, exist_ok=True)
    path = os.path.join(a.work, f"open-{a.samples}.csv")
    if not os.path.exists(path):
        subprocess.run([a.gen, "--samples", str(a.samples), "--rate", "100", "--seed", "1",
                        "--events", "20", "--errors", "20", "-o", path], check=True)
    print(f"file: {path} ({os.path.getsize(path) / 1e6:.1f} MB, {a.samples} samples)")

    def viewer_ms():
        out = subprocess.run([a.bench, path, "1"], check=True, capture_output=True, text=True)
        return float(out.stdout.split()[1])

    def pandas_ms():
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            t0 = time.perf_counter()
            frame = pandas.read_csv(path, skiprows=5, header=None)
            ms = (time.perf_counter() - t0) * 1000
        assert len(frame) == a.samples
        return ms

    viewer_ms(), pandas_ms()  # warm the page cache for both
    viewer, pd = [], []
    for i in range(a.runs):
        viewer.append(viewer_ms())
        pd.append(pandas_ms())
        print(f"run {i + 1}: viewer Open {viewer[-1]:8.1f} ms   pandas.read_csv {pd[-1]:8.1f} ms")
    mv, mp = statistics.median(viewer), statistics.median(pd)
    ratio = mp / mv
    print(f"median: viewer Open {mv:.1f} ms, pandas.read_csv {mp:.1f} ms, "
          f"ratio {ratio:.2f}x (goal >= 5x: {'met' if ratio >= 5 else 'NOT met'})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
