// The line rules of measurement files (CR, LF, high-byte pairs, the 511-byte cut, empty line)
// and the cell splitter, against a byte-at-a-time model on random data.
#include "columns.h"
#include "linebuffer.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

namespace {

// Every line ReadLine gives until it returns 0.
QList<QByteArray> readAll(const QByteArray &bytes, QList<int> *fileLines = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LineSource source(buffer);
    LINE_BUFF_TYPE line;
    QList<QByteArray> out;
    while (ReadLine(source, line) > 0) {
        out << QByteArray(line.buff, line.n);
        if (line.buff[line.n] != '\0')
            out << QByteArrayLiteral("<no terminating zero>");
        if (fileLines)
            *fileLines << line.fileLine;
    }
    return out;
}

// The rules one byte at a time, exactly as the format states them.
QList<QByteArray> modelLines(const QByteArray &bytes)
{
    QList<QByteArray> out;
    qsizetype i = 0;
    for (;;) {
        QByteArray line;
        bool pending = false;
        bool ended = false;
        while (line.size() < LINE_BYTES_MAX && i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i++]);
            if (pending) {
                line += '?';
                pending = false;
            } else if (b >= 0x80) {
                pending = true;
            } else if (b == '\n') {
                ended = true;
                break;
            } else if (b != '\r') {
                line += static_cast<char>(b);
            }
        }
        if (!ended && line.size() == LINE_BYTES_MAX) {
            while (i < bytes.size() && bytes[i] == '\r')
                ++i;
            if (i < bytes.size() && bytes[i] == '\n')
                ++i;
        }
        if (line.isEmpty())
            return out;
        out << line;
    }
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
            QCOMPARE(readAll(bytes), modelLines(bytes));
        }
    }

    void fileLineCountsAsAPersonDoes()
    {
        QList<int> fileLines;
        readAll(QByteArray("a\r\n") + QByteArray(600, 'b') + "\r\nc\r\n", &fileLines);
        QCOMPARE(fileLines, (QList<int>{1, 2, 2, 3}));
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
};

QTEST_GUILESS_MAIN(TestLines)
#include "test_lines.moc"
