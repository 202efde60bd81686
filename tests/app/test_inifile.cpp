// The settings file's rules: lookup without regard to case, the "0x" integers, booleans,
// defaults, unknown keys kept, keys replaced in place or added, and refused writes.
#include "inifile.h"
#include "scriptedprompts.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestIniFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    ScriptedPrompts prompts;

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    static void writeFile(const QString &p, const QByteArray &content)
    {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    static QByteArray readFile(const QString &p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init() { prompts = ScriptedPrompts(); }

    void parseInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "123" << true << 123;
        QTest::newRow("negative") << "-1" << true << -1;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("hex lower") << "0x10" << true << 16;
        QTest::newRow("hex upper") << "0XfF" << true << 255;
        QTest::newRow("hex all bits") << "0xFFFFFFFF" << true << -1;
        QTest::newRow("hex too long") << "0x100000000" << false << 0;
        QTest::newRow("hex without digits") << "0x" << false << 0;
        QTest::newRow("hex bad digit") << "0x1g" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("trailing text") << "12abc" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("inner blank") << "1 2" << false << 0;
        QTest::newRow("too big") << "2147483648" << false << 0;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("decimal point") << "1.5" << false << 0;
    }
    void parseInteger()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int v = 0;
        QCOMPARE(ini::parseInteger(text, &v), ok);
        if (ok)
            QCOMPARE(v, value);
    }

    void readRules_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");
        const QByteArray file = "[Form]\r\nTop=0x10\r\nwidth = abc \r\nLeft= 25\r\n"
                                "[settings]\r\nAMP=3\r\nAve=\r\nSensor=\"2\"\r\n;Check1=1\r\n";
        QTest::newRow("hex") << file << "Form"
                             << "Top" << 16;
        QTest::newRow("not a number gives default") << file << "Form"
                                                    << "Width" << -1;
        QTest::newRow("blanks trimmed") << file << "Form"
                                        << "Left" << 25;
        QTest::newRow("case of section and key") << file << "SETTINGS"
                                                 << "amp" << 3;
        QTest::newRow("empty value") << file << "Settings"
                                     << "Ave" << -1;
        QTest::newRow("quoted value") << file << "Settings"
                                      << "Sensor" << 2;
        QTest::newRow("comment line is no key") << file << "Settings"
                                                << "Check1" << -1;
        QTest::newRow("missing key") << file << "Form"
                                     << "Height" << -1;
        QTest::newRow("missing section") << file << "Condition"
                                         << "Rate" << -1;
        QTest::newRow("key of another section") << file << "Form"
                                                << "Amp" << -1;
        QTest::newRow("first section wins") << QByteArray("[A]\nk=1\n[a]\nk=2\n") << "A"
                                            << "k" << 1;
        QTest::newRow("no final newline") << QByteArray("[A]\nk=5") << "A"
                                          << "k" << 5;
        QTest::newRow("key before any section") << QByteArray("k=1\n[A]\n") << "A"
                                                << "k" << -1;
    }
    void readRules()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, expected);
        writeFile(path("read.ini"), content);
        IniFile file(path("read.ini"), prompts);
        QCOMPARE(file.readInteger(section, key, -1), expected);
    }

    void missingFileGivesDefaults()
    {
        IniFile file(path("none.ini"), prompts);
        QCOMPARE(file.readInteger("Form", "Top", -1), -1);
        QCOMPARE(file.readBool("Settings", "Check3", true), true);
        QCOMPARE(file.readBool("Settings", "Check1", false), false);
        QCOMPARE(file.readString("A", "b", "dflt"), QString("dflt"));
        QVERIFY(!QFile::exists(path("none.ini")));
    }

    void booleans_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("0") << QByteArray("0") << true << false;
        QTest::newRow("1") << QByteArray("1") << false << true;
        QTest::newRow("any non-zero") << QByteArray("-5") << false << true;
        QTest::newRow("hex non-zero") << QByteArray("0x2") << false << true;
        QTest::newRow("text gives default true") << QByteArray("yes") << true << true;
        QTest::newRow("text gives default false") << QByteArray("true") << false << false;
    }
    void booleans()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        writeFile(path("bool.ini"), "[S]\r\nb=" + value + "\r\n");
        IniFile file(path("bool.ini"), prompts);
        QCOMPARE(file.readBool("S", "b", defaultValue), expected);
    }

    void writesCreateFileAndSectionsInOrder()
    {
        IniFile file(path("new.ini"), prompts);
        QVERIFY(file.writeInteger("Form", "Top", 10));
        QVERIFY(file.writeInteger("Form", "Left", -20));
        QVERIFY(file.writeBool("Settings", "Check1", false));
        QVERIFY(file.writeBool("Settings", "Check3", true));
        QCOMPARE(readFile(path("new.ini")),
                 QByteArray("[Form]\r\nTop=10\r\nLeft=-20\r\n\r\n[Settings]\r\nCheck1=0\r\n"
                            "Check3=1\r\n"));
        QVERIFY(prompts.shown.isEmpty());
    }

    void writeKeepsEverythingElse()
    {
        const QByteArray before = "; viewer settings\r\n[form]\r\nTOP=5\r\nColour=red\r\n\r\n"
                                  "[Other]\r\nx=1\r\n";
        writeFile(path("keep.ini"), before);
        IniFile file(path("keep.ini"), prompts);
        QVERIFY(file.writeInteger("Form", "Top", 99));
        QVERIFY(file.writeInteger("Form", "Height", 700));
        QVERIFY(file.writeInteger("Condition", "Rate", 2));
        QCOMPARE(readFile(path("keep.ini")),
                 QByteArray("; viewer settings\r\n[form]\r\nTOP=99\r\nColour=red\r\nHeight=700\r\n"
                            "\r\n[Other]\r\nx=1\r\n\r\n[Condition]\r\nRate=2\r\n"));
        QCOMPARE(file.readInteger("FORM", "top", -1), 99);
    }

    void writeKeepsLineEnds()
    {
        writeFile(path("lf.ini"), "[A]\nk=1");
        IniFile file(path("lf.ini"), prompts);
        QVERIFY(file.writeInteger("A", "j", 2));
        QCOMPARE(readFile(path("lf.ini")), QByteArray("[A]\nk=1\nj=2\n"));
    }

    void refusedWriteIsReportedWithFullPath()
    {
        const QString p = dir.filePath("missing-folder/viewer.ini");
        IniFile file(p, prompts);
        QVERIFY(!file.writeInteger("Form", "Top", 1));
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].kind, ScriptedPrompts::Kind::PlatformError);
        QCOMPARE(prompts.shown[0].text,
                 QDir::toNativeSeparators(p) + QString::fromUtf8(" に書き込めません"));
    }

    void unreadableFileIsNotReplaced()
    {
        // A folder in the file's place: it exists, cannot be read as a file, and must survive.
        const QString p = path("folder.ini");
        QVERIFY(QDir(dir.path()).mkdir("folder.ini"));
        IniFile file(p, prompts);
        QVERIFY(!file.writeInteger("Form", "Top", 1));
        QCOMPARE(prompts.messages().size(), 1);
        QVERIFY(QFileInfo(p).isDir());
    }

    void writeLeavesNoTemporaryFiles()
    {
        QTemporaryDir own;
        IniFile file(own.filePath("a.ini"), prompts);
        for (int i = 0; i < 5; ++i)
            QVERIFY(file.writeInteger("S", QString("k%1").arg(i), i));
        QCOMPARE(QDir(own.path()).entryList(QDir::Files), QStringList{"a.ini"});
    }

    void byteOrderMarkIsIgnoredAndKept_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray bom = "\xEF\xBB\xBF";
        QTest::newRow("key replaced") << bom + "[Form]\r\nTop=5\r\n" << bom + "[Form]\r\nTop=7\r\n";
        QTest::newRow("key added") << bom + "[Form]\r\nLeft=5\r\n"
                                   << bom + "[Form]\r\nLeft=5\r\nTop=7\r\n";
        QTest::newRow("section added")
            << bom + "[Other]\r\nx=1" << bom + "[Other]\r\nx=1\r\n\r\n[Form]\r\nTop=7\r\n";
        QTest::newRow("mark alone") << bom << bom + "[Form]\r\nTop=7\r\n";
    }

    void byteOrderMarkIsIgnoredAndKept()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        writeFile(path("bom.ini"), before);
        IniFile file(path("bom.ini"), prompts);
        QCOMPARE(file.readInteger("Form", "Top", -1), before.contains("Top=5") ? 5 : -1);
        QVERIFY(file.writeInteger("Form", "Top", 7));
        QCOMPARE(readFile(path("bom.ini")), after);
        QCOMPARE(file.readInteger("form", "top", -1), 7);
    }

    // A batch reads the file once and writes it once; nothing is kept after it.
    void batchReadsOnceAndWritesOnce()
    {
        const QString p = path("batch.ini");
        writeFile(p, "[Form]\r\nTop=1\r\nLeft=2\r\n");
        IniFile file(p, prompts);
        {
            IniBatch step(file);
            QCOMPARE(file.readInteger("Form", "Top", -1), 1);
            writeFile(p, "[Form]\r\nTop=100\r\nLeft=200\r\n"); // not seen in this step
            QCOMPARE(file.readInteger("Form", "Left", -1), 2);
            QVERIFY(file.writeInteger("Form", "Top", 3));
            QVERIFY(file.writeInteger("Settings", "Amp", 4));
            QCOMPARE(file.readInteger("Form", "Top", -1), 3);
            QCOMPARE(readFile(p), QByteArray("[Form]\r\nTop=100\r\nLeft=200\r\n"));
            QVERIFY(step.commit());
        }
        QCOMPARE(readFile(p),
                 QByteArray("[Form]\r\nTop=3\r\nLeft=2\r\n\r\n[Settings]\r\nAmp=4\r\n"));
        writeFile(p, "[Form]\r\nTop=9\r\n");
        QCOMPARE(file.readInteger("Form", "Top", -1), 9);
        {
            IniBatch readOnly(file); // nothing written: the file is left alone
            QCOMPARE(file.readInteger("Form", "Top", -1), 9);
        }
        QCOMPARE(readFile(p), QByteArray("[Form]\r\nTop=9\r\n"));
        QVERIFY(prompts.shown.isEmpty());
    }

    void batchOnUnreadableFileReportsOnce()
    {
        QVERIFY(QDir(dir.path()).mkdir("dir.ini"));
        IniFile file(path("dir.ini"), prompts);
        IniBatch step(file);
        QVERIFY(!file.writeInteger("Form", "Top", 1));
        QVERIFY(!file.writeInteger("Form", "Left", 1));
        QVERIFY(!step.commit());
        QCOMPARE(prompts.messages().size(), 1);
        QVERIFY(QFileInfo(path("dir.ini")).isDir());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_inifile.moc"
