// The line rules of measurement files (CR, LF, high-byte pairs, the 511-byte cut, empty line),
// the cell splitter and the number cells, against plain models on random data.
#include "columns.h"
#include "commas.h"
#include "linebuffer.h"
#include "lines.h"
#include "simd.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

#include <charconv>

namespace {

using ReadLineFn = int (*)(LineSource &, LINE_BUFF_TYPE &);

// Every line read gives until it returns 0.
QList<QByteArray> readAll(const QByteArray &bytes, QList<int> *fileLines = nullptr,
                          ReadLineFn read = ReadLine)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LineSource source(buffer);
    LINE_BUFF_TYPE line;
    QList<QByteArray> out;
    while (read(source, line) > 0) {
        out << QByteArray(line.buff, line.n);
        if (line.buff[line.n] != '\0')
            out << QByteArrayLiteral("<no terminating zero>");
        if (fileLines)
            *fileLines << line.fileLine;
    }
    return out;
}

// The rules one byte at a time, exactly as the format states them.
QList<QByteArray> modelLines(const QByteArray &bytes, QList<int> *fileLines = nullptr)
{
    return readAll(bytes, fileLines, ReadLineReference);
}

// A split by one of the splitters, as the cells' texts.
using SplitFn = int (*)(const char *, int32_t, int32_t *, int32_t *, int);
QList<QByteArray> splitBy(SplitFn split, const QByteArray &text)
{
    int32_t pos[CELL_MAX], len[CELL_MAX];
    const int cn = split(text.constData(), int32_t(text.size()), pos, len, CELL_MAX);
    QList<QByteArray> out;
    for (int i = 0; i < std::min(cn + 1, CELL_MAX); ++i)
        out << text.mid(pos[i], len[i]);
    return out;
}

// Bytes for the plain-line scanners: mostly letters, with LF, CR and high bytes sprinkled in
// at the given odds per thousand; with CRs, half the LFs get one right before them (CR LF),
// with high bytes, a quarter get one of those.
QByteArray scannerBytes(QRandomGenerator &rng, int size, int lfs, int crs, int highs)
{
    QByteArray bytes(size, 'a');
    for (qsizetype i = 0; i < size; ++i) {
        const int r = int(rng.bounded(1000));
        if (r < lfs) {
            bytes[i] = '\n';
            const quint32 before = rng.bounded(4);
            if (crs && i > 0 && before < 2)
                bytes[i - 1] = '\r';
            else if (highs && i > 0 && before == 2)
                bytes[i - 1] = char(0x80 + rng.bounded(128));
        } else {
            bytes[i] = r < lfs + crs           ? '\r'
                       : r < lfs + crs + highs ? char(0x80 + rng.bounded(128))
                                               : char('a' + rng.bounded(26));
        }
    }
    return bytes;
}

QList<QByteArray> cellsOf(const QByteArray &text)
{
    LINE_BUFF_TYPE line;
    std::memcpy(line.buff, text.constData(), static_cast<size_t>(text.size()));
    line.n = static_cast<int32_t>(text.size());
    line.buff[line.n] = '\0';
    SplitColumns(line);
    QList<QByteArray> out;
    for (int i = 0; i < cellCount(line); ++i) {
        const std::string_view c = cellText(line, i);
        out << QByteArray(c.data(), static_cast<qsizetype>(c.size()));
    }
    return out;
}

} // namespace

class TestLines : public QObject
{
    Q_OBJECT

private slots:
    void readLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QByteArray>>("lines");
        const QByteArray a511(511, 'a');
        QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{};
        QTest::newRow("lf") << QByteArray("ab\ncd\n") << QList<QByteArray>{"ab", "cd"};
        QTest::newRow("cr lf") << QByteArray("ab\r\ncd\r\n") << QList<QByteArray>{"ab", "cd"};
        QTest::newRow("no final newline")
            << QByteArray("ab\r\ncd") << QList<QByteArray>{"ab", "cd"};
        QTest::newRow("cr anywhere")
            << QByteArray("a\rb\r\r\n\rc\n") << QList<QByteArray>{"ab", "c"};
        QTest::newRow("empty line ends the file")
            << QByteArray("ab\r\n\r\ncd\r\n") << QList<QByteArray>{"ab"};
        QTest::newRow("leading empty line") << QByteArray("\nab\n") << QList<QByteArray>{};
        QTest::newRow("double-byte pair")
            << QByteArray("a,\x93\xFA,b\n") << QList<QByteArray>{"a,?,b"};
        QTest::newRow("high byte takes the LF")
            << QByteArray("a\x93\nb\n") << QList<QByteArray>{"a?b"};
        QTest::newRow("high byte at the end") << QByteArray("ab\x93") << QList<QByteArray>{"ab"};
        QTest::newRow("600 bytes")
            << QByteArray(600, 'x') + "\r\nz\r\n"
            << QList<QByteArray>{QByteArray(511, 'x'), QByteArray(89, 'x'), "z"};
        QTest::newRow("511 bytes and lf is one line") << a511 + "\nz\n"
                                                      << QList<QByteArray>{a511, "z"};
        QTest::newRow("511 bytes and cr lf is one line") << a511 + "\r\nz\r\n"
                                                         << QList<QByteArray>{a511, "z"};
        QTest::newRow("511 bytes then an empty line") << a511 + "\r\n\r\nz\r\n"
                                                      << QList<QByteArray>{a511};
        QTest::newRow("1022 bytes") << a511 + a511 + "\nz\n" << QList<QByteArray>{a511, a511, "z"};
        QTest::newRow("512 bytes") << a511 + "b\nz\n" << QList<QByteArray>{a511, "b", "z"};
        QTest::newRow("pair across the cut") << QByteArray(510, 'a') + "\x93\xFA" + "b\n"
                                             << QList<QByteArray>{QByteArray(510, 'a') + '?', "b"};
    }

    void readLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QByteArray>, lines);
        QCOMPARE(readAll(bytes), lines);
        QCOMPARE(modelLines(bytes), lines);
    }

    // Lines straddling the 64 KiB chunks, random CR, LF, high bytes and long lines.
    void readLineMatchesModelOnRandomBytes()
    {
        QRandomGenerator rng(731);
        for (int round = 0; round < 20; ++round) {
            QByteArray bytes;
            const int size = 3 * int(LineSource::CHUNK_BYTES) + int(rng.bounded(1000));
            while (bytes.size() < size) {
                const quint32 r = rng.bounded(1000);
                if (r < 8)
                    bytes += '\n';
                else if (r < 12)
                    bytes += '\r';
                else if (r < 16)
                    bytes += char(0x80 + rng.bounded(128));
                else if (r < 17)
                    bytes += QByteArray(int(rng.bounded(1200)), 'L');
                else
                    bytes += char('a' + rng.bounded(26));
            }
            // No empty lines, so the whole stream is compared rather than its first line.
            while (bytes.contains("\n\n") || bytes.contains("\n\r\n")) {
                bytes.replace("\n\n", "\nq\n");
                bytes.replace("\n\r\n", "\nq\r\n");
            }
            QList<int> fileLines, modelFileLines;
            QCOMPARE(readAll(bytes, &fileLines), modelLines(bytes, &modelFileLines));
            QCOMPARE(fileLines, modelFileLines);
        }
    }

    // Lines of every length around the 16-byte steps and the 511-byte cut, each with its CR LF,
    // a lone LF, a CR or a high byte at every place: the CR before the LF lands on every offset.
    void linesOfEveryLengthMatchModel()
    {
        for (const QByteArray &end : {QByteArray("\r\n"), QByteArray("\n")}) {
            QByteArray bytes;
            for (int len = 1; len <= 540; ++len) {
                QByteArray line(len, 'a');
                for (int i = 0; i < len; ++i)
                    line[i] = char('a' + i % 26);
                bytes += line + end;
                if (len % 7 == 0)
                    line[len / 2] = '\r';
                else if (len % 7 == 1)
                    line[len - 1] = char(0x93);
                else if (len % 7 == 2)
                    line[len / 3] = char(0xFA);
                bytes += line + end;
            }
            // Shifted by one byte at a time, so that every line starts on every offset.
            for (int shift = 0; shift < 17; ++shift) {
                const QByteArray shifted = QByteArray(shift + 1, 'z') + "\r\n" + bytes;
                const QList<QByteArray> lines = modelLines(shifted);
                QVERIFY(lines.size() > 1000);
                QCOMPARE(readAll(shifted), lines);
            }
        }
    }

    void readFailureIsNotTheEnd()
    {
        // A device whose reads fail after the first chunk.
        class Failing : public QIODevice
        {
        public:
            Failing() { open(QIODevice::ReadOnly); }
            bool first = true;

        protected:
            qint64 readData(char *data, qint64 max) override
            {
                if (!first)
                    return -1;
                first = false;
                const QByteArray lines = "ab\ncd";
                std::memcpy(data, lines.constData(), size_t(std::min<qint64>(max, lines.size())));
                return lines.size();
            }
            qint64 writeData(const char *, qint64) override { return -1; }
        } device;
        LineSource source(device);
        LINE_BUFF_TYPE line;
        QCOMPARE(ReadLine(source, line), 2);
        QVERIFY(!source.failed());
        QCOMPARE(ReadLine(source, line), 2); // "cd", cut short by the failure
        QCOMPARE(ReadLine(source, line), 0);
        QVERIFY(source.failed());

        QBuffer plain;
        plain.setData("ab\n");
        plain.open(QIODevice::ReadOnly);
        LineSource whole(plain);
        QCOMPARE(ReadLine(whole, line), 2);
        QCOMPARE(ReadLine(whole, line), 0);
        QVERIFY(!whole.failed());
    }

    void fileLineCountsAsAPersonDoes()
    {
        const QByteArray bytes = QByteArray("a\r\n") + QByteArray(600, 'b') + "\r\nc\r\n";
        QList<int> fileLines, modelFileLines;
        readAll(bytes, &fileLines);
        modelLines(bytes, &modelFileLines);
        QCOMPARE(fileLines, (QList<int>{1, 2, 2, 3}));
        QCOMPARE(modelFileLines, fileLines);
        // A high byte that takes an LF still counts it.
        QList<int> pairLines;
        readAll("a\x93\nb\nc\n", &pairLines);
        QCOMPARE(pairLines, (QList<int>{1, 3}));
        modelLines("a\x93\nb\nc\n", &modelFileLines);
        QCOMPARE(modelFileLines.mid(4), pairLines);
    }

    // Each plain-line scanner from every offset of random bytes, with every room a line may
    // have: the words scanner gives exactly the reference, the block scanner the reference or
    // a refusal.
    void plainLineScannersMatchReference_data()
    {
        QTest::addColumn<int>("lfs"); // per thousand bytes
        QTest::addColumn<int>("crs");
        QTest::addColumn<int>("highs");
        QTest::newRow("plain lines") << 30 << 0 << 0;
        QTest::newRow("cr lf lines") << 30 << 30 << 0;
        QTest::newRow("crs and high bytes") << 20 << 10 << 5;
        QTest::newRow("long lines") << 2 << 2 << 1;
    }

    void plainLineScannersMatchReference()
    {
        QFETCH(int, lfs);
        QFETCH(int, crs);
        QFETCH(int, highs);
        QRandomGenerator rng(uint32_t(lfs * 1000 + crs * 10 + highs));
        const QByteArray bytes = scannerBytes(rng, 20000, lfs, crs, highs);
        int taken = 0, blocksTaken = 0;
        for (int start = 0; start < bytes.size(); ++start) {
            const char *p = bytes.constData() + start;
            const char *end =
                bytes.constData() + std::min<qsizetype>(bytes.size(), start + rng.bounded(700));
            const size_t room =
                rng.bounded(3) ? size_t(LINE_BYTES_MAX) : size_t(rng.bounded(LINE_BYTES_MAX + 1));
            char ref[LINE_BYTES_MAX + 1], words[LINE_BYTES_MAX + 1], blocks[LINE_BYTES_MAX + 1];
            size_t refLf = 0, wordsLf = 0, blocksLf = 0;
            const int r = plainLineReference(p, end, ref, room, &refLf);
            const int w = plainLineWords(p, end, words, room, &wordsLf);
            const int b = plainLineBlocks(p, end, blocks, room, &blocksLf);
            const auto same = [&](int n, size_t lf, const char *out) {
                return n == r && lf == refLf && std::memcmp(out, ref, size_t(r)) == 0;
            };
            if (w != r || (r >= 0 && !same(w, wordsLf, words)))
                QFAIL(qPrintable(QStringLiteral("words at %1").arg(start)));
            if (b >= 0 && !same(b, blocksLf, blocks))
                QFAIL(qPrintable(QStringLiteral("blocks at %1").arg(start)));
            taken += r >= 0;
            blocksTaken += b >= 0;
        }
        QVERIFY(taken > 1000); // the lines were plain often enough to mean something
        if (simd::BYTE_BLOCKS)
            QVERIFY(blocksTaken > taken / 4);
        else
            QCOMPARE(blocksTaken, 0);
    }

    // Lines of every length to 600 bytes and every comma density, up to lines of more than
    // 100 cells: the quick splitters give the reference's cells.
    void splittersMatchReference()
    {
        QRandomGenerator rng(100);
        for (int round = 0; round < 3000; ++round) {
            const int n = round % 600;
            const int odds = 1 + int(rng.bounded(12)); // a comma in every odds bytes
            QByteArray line(n, 'x');
            for (char &b : line)
                b = rng.bounded(odds) == 0 ? ',' : char('0' + rng.bounded(10));
            const QList<QByteArray> ref = splitBy(splitCommasReference, line);
            QCOMPARE(splitBy(splitCommasWords, line), ref);
            QCOMPARE(splitBy(splitCommasBlocks, line), ref);
            QCOMPARE(ref, line.split(',').mid(0, CELL_MAX));
        }
    }

    void splitColumns_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QList<QByteArray>>("cells");
        QTest::newRow("one cell") << QByteArray("abc") << QList<QByteArray>{"abc"};
        QTest::newRow("empty cells")
            << QByteArray(",a,,b,") << QList<QByteArray>{"", "a", "", "b", ""};
        QTest::newRow("blanks kept") << QByteArray(" 1, 2 ") << QList<QByteArray>{" 1", " 2 "};
        QList<QByteArray> hundred;
        QByteArray line;
        for (int i = 0; i < 100; ++i) {
            hundred << QByteArray::number(i);
            line += (i ? "," : "") + QByteArray::number(i);
        }
        QTest::newRow("100 cells") << line << hundred;
        QTest::newRow("rest after cell 100 ignored") << line + ",100,101" << hundred;
    }

    void splitColumns()
    {
        QFETCH(QByteArray, line);
        QFETCH(QList<QByteArray>, cells);
        QCOMPARE(cellsOf(line), cells);
    }

    void splitColumnsMatchesSplitOnRandomLines()
    {
        QRandomGenerator rng(15);
        for (int round = 0; round < 2000; ++round) {
            QByteArray line;
            const int n = int(rng.bounded(LINE_BYTES_MAX + 1));
            for (int i = 0; i < n; ++i)
                line += rng.bounded(5) == 0 ? ',' : char('0' + rng.bounded(10));
            QList<QByteArray> cells = line.split(',');
            cells = cells.mid(0, CELL_MAX);
            QCOMPARE(cellsOf(line), cells);
        }
    }

    void numberCells_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << QByteArray("0.0123") << true << 0.0123;
        QTest::newRow("blanks before") << QByteArray("   -0.998") << true << -0.998;
        QTest::newRow("plus") << QByteArray("+3.5") << true << 3.5;
        QTest::newRow("no integer part") << QByteArray(".5") << true << 0.5;
        QTest::newRow("no fraction") << QByteArray("5.") << true << 5.0;
        QTest::newRow("exponent") << QByteArray("1.5e3") << true << 1500.0;
        QTest::newRow("many digits")
            << QByteArray("123456789.123456789") << true << 123456789.123456789;
        QTest::newRow("empty") << QByteArray("") << false << 0.0;
        QTest::newRow("blank only") << QByteArray("  ") << false << 0.0;
        QTest::newRow("blank after") << QByteArray("1.5 ") << false << 0.0;
        QTest::newRow("point only") << QByteArray(".") << false << 0.0;
        QTest::newRow("two points") << QByteArray("1.2.3") << false << 0.0;
        QTest::newRow("two signs") << QByteArray("+-1") << false << 0.0;
        QTest::newRow("blank after sign") << QByteArray("- 1") << false << 0.0;
        QTest::newRow("comma") << QByteArray("1,5") << false << 0.0;
        QTest::newRow("inf") << QByteArray("inf") << false << 0.0;
        QTest::newRow("nan") << QByteArray("-nan") << false << 0.0;
        QTest::newRow("hex") << QByteArray("0x1A") << false << 0.0;
        QTest::newRow("too large") << QByteArray("1e400") << false << 0.0;
    }

    void numberCells()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::string_view t(text.constData(), size_t(text.size()));
        double d = -1;
        QCOMPARE(parseNumber(t, d), valid);
        if (valid)
            QCOMPARE(d, value);
        float f = -1;
        if (text != "1e400")
            QCOMPARE(parseNumber(t, f), valid);
        if (valid)
            QCOMPARE(f, float(value));
    }

    void integerCells_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << QByteArray("100") << true << 100;
        QTest::newRow("blanks and sign") << QByteArray("  -5") << true << -5;
        QTest::newRow("leading zeros") << QByteArray("0000000000007") << true << 7;
        QTest::newRow("largest") << QByteArray("2147483647") << true << 2147483647;
        QTest::newRow("too large") << QByteArray("2147483648") << false << 0;
        QTest::newRow("fraction") << QByteArray("1.0") << false << 0;
        QTest::newRow("letters") << QByteArray("1O0") << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
    }

    void integerCells()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        int v = -1;
        QCOMPARE(parseNumber(std::string_view(text.constData(), size_t(text.size())), v), valid);
        if (valid)
            QCOMPARE(v, value);
    }

    // The quick decimal path gives exactly the correctly rounded value of the library.
    void decimalsMatchFromChars()
    {
        QRandomGenerator rng(2);
        for (int i = 0; i < 200000; ++i) {
            const int intDigits = int(rng.bounded(8));
            const int decimals = int(rng.bounded(8));
            QByteArray text = rng.bounded(2) ? "-" : "";
            for (int d = 0; d < intDigits; ++d)
                text += char('0' + rng.bounded(10));
            text += '.';
            for (int d = 0; d < decimals; ++d)
                text += char('0' + rng.bounded(10));
            if (intDigits + decimals == 0)
                continue;
            const std::string_view t(text.constData(), size_t(text.size()));
            float f = 0, fRef = 0;
            double d = 0, dRef = 0;
            std::from_chars(t.data(), t.data() + t.size(), fRef);
            std::from_chars(t.data(), t.data() + t.size(), dRef);
            QVERIFY(parseNumber(t, f));
            QVERIFY(parseNumber(t, d));
            if (f != fRef || d != dRef)
                QFAIL(text.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestLines)
#include "test_lines.moc"
