// The quick reading of short number cells and time cells against a reference conversion:
// bit for bit on edge cases and random cells, through the whole Open command, with the
// messages for invalid text unchanged.
#include "fixture.h"
#include "numbers.h"
#include "times.h"

#include <QRandomGenerator>
#include <QTest>

#include <bit>
#include <charconv>
#include <cstring>

namespace {

// The format's rule with the library's conversion.
template <typename T> bool referenceNumber(const QByteArray &text, T &value)
{
    return parseNumberReference(std::string_view(text.constData(), size_t(text.size())), value);
}

// The cell as a word the way the reader hands it over: in the top bytes, the last on top,
// below it what came before it in the line (here digits, blanks and a comma, to be ignored).
uint64_t wordOf(const QByteArray &text)
{
    char bytes[8] = {'7', ' ', '-', ',', '5', '.', ',', '9'};
    std::memcpy(bytes + 8 - text.size(), text.constData(), size_t(text.size()));
    uint64_t w = 0;
    std::memcpy(&w, bytes, 8);
    return w;
}

template <typename T> auto bitsOf(T v)
{
    using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
    return std::bit_cast<Bits>(v);
}

// True when the quick and the general reading agree with the reference, bit for bit.
template <typename T> bool agrees(const QByteArray &text, bool *quick = nullptr)
{
    T ref{}, general{}, fast{};
    const bool refOk = referenceNumber(text, ref);
    const bool generalOk =
        parseNumber(std::string_view(text.constData(), size_t(text.size())), general);
    const bool fastOk = text.size() >= 1 && text.size() <= SHORT_CELL_MAX &&
                        parseShortNumber(wordOf(text), int(text.size()), fast);
    if (quick)
        *quick = fastOk;
    if (generalOk != refOk || (refOk && bitsOf(general) != bitsOf(ref)))
        return false;
    return !fastOk || (refOk && bitsOf(fast) == bitsOf(ref));
}

QByteArray randomCell(QRandomGenerator &rng)
{
    static const char alphabet[] = "   ++--..0123456789012345678901234567890123456789eE";
    QByteArray t;
    const int n = 1 + int(rng.bounded(SHORT_CELL_MAX));
    for (int i = 0; i < n; ++i)
        t += alphabet[rng.bounded(int(sizeof alphabet) - 1)];
    return t;
}

// A cell as the writer makes it: right-aligned, a sign when negative, fixed decimals.
QByteArray writerCell(QRandomGenerator &rng)
{
    const int decimals = int(rng.bounded(5));
    const double v = (rng.generateDouble() - 0.5) * std::pow(10.0, 5 - decimals);
    return QByteArray::number(v, 'f', decimals).rightJustified(7, ' ');
}

// The TIME rule read the plain way. False for an invalid field or time.
bool referenceTime(const QByteArray &cell, TDateTime &time)
{
    int t[3];
    if (!timeFieldsReference(std::string_view(cell.constData(), size_t(cell.size())), t) ||
        !isValidTime(t[0], t[1], t[2]))
        return false;
    time = encodeTime(t[0], t[1], t[2]);
    return true;
}

// One sample line through GetColumn as line 5 of a standard-form Vm731 file: true when it was
// read, false when it threw a conversion error.
bool readSampleText(const QByteArray &text)
{
    static LINE_BUFF_TYPE line{};
    std::memcpy(line.buff, text.constData(), size_t(text.size()));
    line.n = int32_t(text.size());
    line.buff[line.n] = '\0';
    line.ln = 5;
    line.fileLine = 6;
    try {
        return !GetColumn(line);
    } catch (const FileValueError &) {
        return false;
    }
}

} // namespace

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void edgeCases_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("quick"); // the quick reading takes it
        const QList<QPair<const char *, bool>> rows = {
            {"0", true},
            {"-0", true},
            {"+0", true},
            {"-0.0", true},
            {"   -0.0", true},
            {"0.0123", true},
            {" 0.0091", true},
            {"-0.0151", true},
            {"  56.65", true},
            {"+3.5", true},
            {" +3.5", true},
            {"1.", true},
            {"-1.", true},
            {"12345678", true},
            {"1234567.", true},
            {".1234567", false},
            {".5", false},
            {"-.5", false},
            {" .5", false},
            {"16777215", true},
            {"16777216", true},
            {"16777217", true},
            {"99999999", true},
            {"0.1", true},
            {"0.3", true},
            {"3.402823", true},
            {"1.175494", true},
            {"1.5e3", false},
            {"1e-7", false},
            {"-1E+2", false},
            {"1e", false},
            {"e1", false},
            {"123456789", false},
            {"0.000000001", false},
            {"123456789.123456789", false},
            {"", false},
            {" ", false},
            {"  ", false},
            {"-", false},
            {"+", false},
            {".", false},
            {"-.", false},
            {"1.5 ", false},
            {"1 5", false},
            {"- 1", false},
            {"+-1", false},
            {"--1", false},
            {"1-", false},
            {"1.2.3", false},
            {"1..2", false},
            {"inf", false},
            {"-nan", false},
            {"0x1A", false},
            {"1,5", false},
            {"1O0", false},
            {"abc", false},
            {"\t1", false},
        };
        for (const auto &[text, quick] : rows)
            QTest::newRow(text) << QByteArray(text) << quick;
    }

    void edgeCases()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, quick);
        bool fastFloat = false, fastDouble = false;
        QVERIFY(agrees<float>(text, &fastFloat));
        QVERIFY(agrees<double>(text, &fastDouble));
        QVERIFY(agrees<int>(text));
        // 16777217 needs the general reading as a float (it is not a float exactly).
        const bool floatQuick =
            quick && text != "16777216" && text != "16777217" && text != "99999999";
        QCOMPARE(fastFloat, floatQuick);
        QCOMPARE(fastDouble, quick);
    }

    void randomShortCellsAgree()
    {
        QRandomGenerator rng(8);
        int quick = 0;
        for (int i = 0; i < 300000; ++i) {
            const QByteArray t = randomCell(rng);
            bool q = false;
            if (!agrees<float>(t, &q) || !agrees<double>(t) || !agrees<int>(t))
                QFAIL(t.constData());
            quick += q;
        }
        QVERIFY(quick > 10000); // the quick reading was taken, not only refused
    }

    void writerCellsAreReadQuickly()
    {
        QRandomGenerator rng(9);
        for (int i = 0; i < 100000; ++i) {
            const QByteArray t = writerCell(rng);
            bool q = false;
            if (!agrees<float>(t, &q) || !q)
                QFAIL(t.constData());
        }
    }

    // Every digit string a float cell can hold, at every scale: the product gives the same
    // float as the quotient.
    void floatProductEqualsQuotient()
    {
        for (int k = 0; k < SHORT_CELL_MAX; ++k) {
            for (uint32_t m = 0; m < number_detail::FLOAT_EXACT; ++m) {
                const float product = number_detail::floatValue(m, k);
                const float quotient = number_detail::decimalValue<float>(m, k);
                if (bitsOf(product) != bitsOf(quotient))
                    QFAIL(qPrintable(QStringLiteral("%1e-%2").arg(m).arg(k)));
            }
        }
    }

    // Value cells and the TIME cell through the Open command: the stored values are the
    // reference's, and invalid text gives the same message as before.
    void sampleLineCells_data()
    {
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("seconds"); // of the TIME cell, -1 when it is invalid
        QTest::addColumn<QString>("message");
        const auto invalidNumber = [](const char *t) {
            return QStringLiteral("Invalid number \"%1\" in line 6, cell 6 of the file.")
                .arg(QLatin1String(t));
        };
        const auto invalidTime = [](const char *t) {
            return QStringLiteral("Invalid time \"%1\" in line 6, cell 1 of the file.")
                .arg(QLatin1String(t));
        };
        QTest::newRow("writer's cells")
            << QByteArray(" 1: 2: 3") << QByteArray("-0.0151") << 3723 << QString();
        QTest::newRow("plain time")
            << QByteArray("23:59:59") << QByteArray("  0.059") << 86399 << QString();
        QTest::newRow("long time")
            << QByteArray("  1:  2:  3") << QByteArray("1.5e3") << 3723 << QString();
        QTest::newRow("signed time")
            << QByteArray("+1:+2:-0") << QByteArray("+3.5") << 3720 << QString();
        QTest::newRow("time without seconds")
            << QByteArray("1:2") << QByteArray(".5") << 3600 << QString();
        QTest::newRow("empty time") << QByteArray("") << QByteArray("1.") << 0 << QString();
        QTest::newRow("many digits")
            << QByteArray("0:0:0") << QByteArray("123456789.123456789") << 0 << QString();
        QTest::newRow("hour 24") << QByteArray("24: 0: 0") << QByteArray("1") << -1
                                 << invalidTime("24: 0: 0");
        QTest::newRow("blank after seconds")
            << QByteArray("0:0:0 ") << QByteArray("1") << -1 << invalidTime("0:0:0 ");
        QTest::newRow("third colon")
            << QByteArray("0:0:0:0") << QByteArray("1") << -1 << invalidTime("0:0:0:0");
        QTest::newRow("empty minutes")
            << QByteArray("0::0") << QByteArray("1") << -1 << invalidTime("0::0");
        QTest::newRow("blank after point")
            << QByteArray("0:0:0") << QByteArray("1.5 ") << 0 << invalidNumber("1.5 ");
        QTest::newRow("two points")
            << QByteArray("0:0:0") << QByteArray("1.2.3") << 0 << invalidNumber("1.2.3");
        QTest::newRow("sign after blank")
            << QByteArray("0:0:0") << QByteArray("- 1") << 0 << invalidNumber("- 1");
        QTest::newRow("point only")
            << QByteArray("0:0:0") << QByteArray(".") << 0 << invalidNumber(".");
        QTest::newRow("exponent alone")
            << QByteArray("0:0:0") << QByteArray("1e") << 0 << invalidNumber("1e");
    }

    void sampleLineCells()
    {
        QFETCH(QByteArray, time);
        QFETCH(QByteArray, value);
        QFETCH(int, seconds);
        QFETCH(QString, message);
        FileFixture f;
        const QByteArray line = time + ",0,3.9,,," + value + ",2,3,50,4,5,6,7,8,9\r\n";
        const QStringList shown = f.openBytes(standardHeader() + line);
        if (!message.isEmpty()) {
            QCOMPARE(shown, QStringList{message});
            QCOMPARE(WindowCount, 0);
            return;
        }
        QCOMPARE(shown, QStringList{});
        QCOMPARE(DataInfo[0].Ex_count, 1);
        const SAMPLE_TYPE &s = SampleData[0][0];
        float ref = 0;
        QVERIFY(referenceNumber(value, ref));
        QCOMPARE(bitsOf(s.Nirs[0]), bitsOf(ref));
        QCOMPARE(s.Nirs[3], 0.5f);
        QCOMPARE(s.Gyr[2], 9.0f);
        QCOMPARE(timeOfDayMs(s.Time), int64_t(seconds) * 1000);
    }

    // TIME cells of the writer's width, mostly its shape with random slips: the time stored,
    // or the refusal, is the rule's.
    void randomTimeCellsAgree()
    {
        FileFixture f;
        SetFreeNo();
        CurDeviceType = DEVICE_VM731;
        NewInfo[0].NumCH = 1;
        NewInfo[0].Rev2 = true;
        QRandomGenerator rng(11);
        static const char slips[] = " 0123456789:+-x.";
        for (int i = 0; i < 100000; ++i) {
            const int h = int(rng.bounded(30)), m = int(rng.bounded(70)),
                      sec = int(rng.bounded(70));
            QByteArray cell = QByteArray::number(h).rightJustified(2) + ':' +
                              QByteArray::number(m).rightJustified(2) + ':' +
                              QByteArray::number(sec).rightJustified(2);
            for (int n = int(rng.bounded(3)); n > 0; --n)
                cell[int(rng.bounded(8))] = slips[rng.bounded(int(sizeof slips) - 1)];
            TDateTime ref = 0;
            const bool valid = referenceTime(cell, ref);
            NewSample[0].Time = -1;
            if (readSampleText(cell + ",0,3.9,,,1,2,3,50,4,5,6,7,8,9") != valid)
                QFAIL(cell.constData());
            if (valid && std::bit_cast<uint64_t>(NewSample[0].Time) != std::bit_cast<uint64_t>(ref))
                QFAIL(cell.constData());
        }
    }

    // The quick TIME readings on cells of every short length, mostly of the shapes they take:
    // whatever they take, the plain reading gives the same fields.
    void quickTimesMatchReference()
    {
        QRandomGenerator rng(12);
        static const char alphabet[] = "  0123456789::::+-.x";
        int writer = 0, quick = 0;
        for (int i = 0; i < 300000; ++i) {
            QByteArray cell;
            if (i % 2) {
                cell = QByteArray::number(rng.bounded(100)).rightJustified(2) + ':' +
                       QByteArray::number(rng.bounded(100)).rightJustified(2) + ':' +
                       QByteArray::number(rng.bounded(100)).rightJustified(2);
                cell = cell.mid(int(rng.bounded(3)));
            }
            for (int n = i % 2 ? int(rng.bounded(2)) : 1 + int(rng.bounded(8)); n > 0; --n) {
                const char c = alphabet[rng.bounded(int(sizeof alphabet) - 1)];
                if (i % 2 == 0)
                    cell += c;
                else
                    cell[int(rng.bounded(int(cell.size())))] = c;
            }
            const uint64_t word = wordOf(cell);
            const int len = int(cell.size());
            int ref[3] = {-1, -1, -1}, t[3] = {-1, -1, -1};
            const bool refOk =
                timeFieldsReference(std::string_view(cell.constData(), size_t(len)), ref);
            const auto same = [&] { return refOk && std::equal(t, t + 3, ref); };
            if (writerTime(word, len, t)) {
                ++writer;
                if (!same())
                    QFAIL(("writerTime: " + cell).constData());
            }
            if (shortTime(word, len, t)) {
                ++quick;
                if (!same())
                    QFAIL(("shortTime: " + cell).constData());
            }
        }
        QVERIFY(writer > 10000);
        QVERIFY(quick > 30000);
    }

    // What a reading keeps from line to line starts afresh with the next file's header line:
    // a time kept from before never stands for a cell of the new file.
    void keptTimeBelongsToOneReading()
    {
        FileFixture f;
        SetFreeNo();
        LINE_BUFF_TYPE line{};
        const auto readLine = [&line](const QByteArray &text, int ln) {
            std::memcpy(line.buff, text.constData(), size_t(text.size()));
            line.n = int32_t(text.size());
            line.buff[line.n] = '\0';
            line.ln = ln;
            return !GetColumn(line);
        };
        const QByteArray cell = " 1: 2: 3"; // the writer's shape: 8 bytes
        const QByteArray sample = cell + ",0,3.9,,,1,2,3,50,4,5,6,7,8,9";
        const TimeMemo stale{wordOf(cell), int(cell.size()), 0.25}; // from another file
        line.lastTime = stale;
        QVERIFY(readLine("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,4,500", 0));
        CurDeviceType = DEVICE_VM731;
        QVERIFY(readLine(sample, 5));
        QCOMPARE(NewSample[0].Time, encodeTime(1, 2, 3));
        // Within one reading the same bytes do give the kept time.
        line.lastTime = stale;
        QVERIFY(readLine(sample, 6));
        QCOMPARE(NewSample[0].Time, 0.25);
    }

    // Random cells in every value column: stored bit for bit as the reference reads them.
    void randomSampleLines()
    {
        QRandomGenerator rng(10);
        QByteArray body;
        QList<QList<QByteArray>> cells;
        for (int i = 0; i < 2000; ++i) {
            QList<QByteArray> row;
            QByteArray line = " 0: 0:" + QByteArray::number(i % 60).rightJustified(2) + ',' +
                              QByteArray::number(i) + ",3.9,,";
            for (int c = 0; c < 10; ++c) {
                QByteArray t;
                float v;
                do {
                    t = rng.bounded(2) ? writerCell(rng) : randomCell(rng);
                } while (!referenceNumber(t, v) || !std::isfinite(v));
                row << t;
                line += ',' + t;
            }
            cells << row;
            body += line + "\r\n";
        }
        FileFixture f;
        // One second per line at 1000 ms: nothing is filled in.
        QCOMPARE(f.openBytes(standardHeader(1000) + body), QStringList{});
        QCOMPARE(DataInfo[0].Ex_count, 2000);
        for (int i = 0; i < 2000; ++i) {
            const SAMPLE_TYPE &s = SampleData[0][i];
            const float stored[] = {s.Nirs[0], s.Nirs[1], s.Nirs[2], s.Acc[0], s.Acc[1],
                                    s.Acc[2],  s.Gyr[0],  s.Gyr[1],  s.Gyr[2]};
            const int column[] = {0, 1, 2, 4, 5, 6, 7, 8, 9};
            for (int j = 0; j < 9; ++j) {
                float ref = 0;
                referenceNumber(cells[i][column[j]], ref);
                if (bitsOf(stored[j]) != bitsOf(ref))
                    QFAIL(cells[i][column[j]].constData());
            }
            double percent = 0;
            referenceNumber(cells[i][3], percent);
            QCOMPARE(bitsOf(s.Nirs[3]), bitsOf(static_cast<float>(percent / 100.0)));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "test_numbers.moc"
