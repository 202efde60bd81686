// keldra-gen: writes synthetic measurement files for tests, benchmarks and screenshots.
#include "generator.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>

namespace {

const char kHelp[] = R"(usage: keldra-gen [OPTIONS] [-o FILE]

Writes a synthetic Keldra measurement file: the same options and seed always give the same
bytes. Values vary slowly like a real recording (haemoglobin waves and drift, StO2 around
65 %, posture and short movements in the motion channels, a draining battery), with a few
event marks and error flags. Without -o the file goes to stdout.

Recording:
  --samples N        sample positions in the recording, 1 or more (default 1000); 720000 is a
                     full slot (about 73 MB in the standard form)
  --rate MS          sampling interval in ms, 50 to 5000 (default 100)
  --form F           short | standard | two (default standard)
                       short:    6 header cells, TOHb and StO2 only, no motion channels
                       standard: the form an upload saves, byte for byte the viewer's writer
                       two:      two sensors side by side (19 header cells, 28 sample cells)
  --seed S           random seed, a non-negative integer (default 1)
  --start "YYYY-MM-DD hh:mm:ss"  start of the recording (default "2024-05-01 09:30:00")
  --device NAME      sensor name (default Vm731-A00123); "Vm732-..." makes a Vm732 file
  --device2 NAME     second sensor of the two-channel form (default Vm731-B00456)
  --fat MM, --fat2 MM  fat thickness, 0 to 11 (defaults 3.5 and 4.0)
  --acc-range G      accelerometer range, 2 to 16 (default 4)
  --gyr-range DPS    gyroscope range, 125 to 2000 (default 500)

Marks and faults:
  --events N         event marks ("S1") at random samples (default 3)
  --errors N         samples with the device error flag ("E") (default 2)
  --gaps N           N gaps in TIME: 1 to 5 whole seconds of lines left out, which the
                     viewer fills in again when it opens the file (default 0)
  --bad-lines N      N sample lines (never the first) replaced by an unreadable line of two
                     cells, which the viewer replaces by a repeat of the sample before (default 0)

  -o, --output FILE  write to FILE (written whole, then put in place)
  -h, --help         this text

Examples:
  keldra-gen --samples 720000 -o full.csv            a full slot at 100 ms
  keldra-gen --form two --rate 1000 --samples 3600 --events 10 -o two.csv
  keldra-gen --samples 5000 --gaps 3 --bad-lines 2 --seed 7 -o faulty.csv
)";

int usageError(const QString &why)
{
    std::fprintf(stderr, "keldra-gen: %s\nTry keldra-gen --help.\n", qPrintable(why));
    return 2;
}

bool toInt(const QString &text, int64_t lo, int64_t hi, int64_t *out)
{
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool toStart(const QString &text, DateTimeParts *out)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return false;
    DateTimeParts p{m.captured(1).toInt(),
                    m.captured(2).toInt(),
                    m.captured(3).toInt(),
                    m.captured(4).toInt(),
                    m.captured(5).toInt(),
                    m.captured(6).toInt(),
                    0};
    TDateTime unused;
    if (!tryEncodeDateTime(p, &unused))
        return false;
    *out = p;
    return true;
}

// Parses the command line into o and file; returns -1 to go on, else the exit status.
int parse(const QStringList &args, GenOptions &o, QString &file)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (i + 1 >= args.size())
            return usageError(QStringLiteral("%1: unknown option or missing value").arg(a));
        const QString v = args[++i];
        int64_t n = 0;
        bool ok = true;
        if (a == QLatin1String("-o") || a == QLatin1String("--output"))
            file = v;
        else if (a == QLatin1String("--samples"))
            ok = toInt(v, 1, int64_t(1) << 40, &o.samples);
        else if (a == QLatin1String("--rate"))
            ok = toInt(v, 50, 5000, &n) && (o.rate = int(n), true);
        else if (a == QLatin1String("--form")) {
            ok = v == QLatin1String("short") || v == QLatin1String("standard") ||
                 v == QLatin1String("two");
            o.form = v == QLatin1String("short") ? FileForm::Short
                     : v == QLatin1String("two") ? FileForm::TwoChannel
                                                 : FileForm::Standard;
        } else if (a == QLatin1String("--seed"))
            ok = toInt(v, 0, std::numeric_limits<int64_t>::max(), &n) &&
                 (o.seed = uint64_t(n), true);
        else if (a == QLatin1String("--start"))
            ok = toStart(v, &o.start);
        else if (a == QLatin1String("--device"))
            ok = !(o.device = v.toLatin1()).isEmpty();
        else if (a == QLatin1String("--device2"))
            ok = !(o.device2 = v.toLatin1()).isEmpty();
        else if (a == QLatin1String("--fat") || a == QLatin1String("--fat2")) {
            const double d = v.toDouble(&ok);
            ok = ok && d >= 0 && d <= 11;
            (a == QLatin1String("--fat") ? o.fat : o.fat2) = d;
        } else if (a == QLatin1String("--acc-range"))
            ok = toInt(v, 2, 16, &n) && (o.accRange = int(n), true);
        else if (a == QLatin1String("--gyr-range"))
            ok = toInt(v, 125, 2000, &n) && (o.gyrRange = int(n), true);
        else if (a == QLatin1String("--events"))
            ok = toInt(v, 0, 1000000, &n) && (o.events = int(n), true);
        else if (a == QLatin1String("--errors"))
            ok = toInt(v, 0, 1000000, &n) && (o.errors = int(n), true);
        else if (a == QLatin1String("--gaps"))
            ok = toInt(v, 0, 100000, &n) && (o.gaps = int(n), true);
        else if (a == QLatin1String("--bad-lines"))
            ok = toInt(v, 0, 1000000, &n) && (o.badLines = int(n), true);
        else
            return usageError(QStringLiteral("unknown option %1").arg(a));
        if (!ok)
            return usageError(QStringLiteral("%1: invalid value \"%2\"").arg(a, v));
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    GenOptions options;
    QString file;
    const int rc = parse(app.arguments().mid(1), options, file);
    if (rc >= 0)
        return rc;
    if (file.isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || !generateFile(options, out))
            return 1;
        return 0;
    }
    if (!generateFile(options, file)) {
        std::fprintf(stderr, "keldra-gen: cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}
