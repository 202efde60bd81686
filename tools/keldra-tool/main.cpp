// keldra-tool: the viewer's own procedures run from the command line, one subcommand each;
// output is JSON Lines on stdout.
#include "tool.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

int runRead(const QStringList &args);
int runDecode(const QStringList &args);
int runCommand(const QStringList &args);
int runEncode(const QStringList &args);
int runExport(const QStringList &args);

namespace {

struct Subcommand
{
    const char *name;
    const char *usage; // the whole usage line after "keldra-tool "
    int (*run)(const QStringList &args);
};

// One line per subcommand.
const Subcommand kSubcommands[] = {
    {"read", "read [--in-use N] [--shown-type T] FILE", runRead},
    {"decode", "decode --name NAME STREAM OUT", runDecode},
    {"command",
     "command upload|set|cancel|clear [--at \"YYYY-MM-DD hh:mm:ss.zzz\"] [--rate I --thick T --acc "
     "I --gyro I --autooff I]",
     runCommand},
    {"encode", "encode FILE STREAM", runEncode},
    {"export", "export --format snirf|edf|png|svg|pdf FILE OUT", runExport},
};

// The usage lines on out: on stdout when asked for (--help), on stderr after a mistake.
void printUsage(std::FILE *out)
{
    std::fputs("usage:\n", out);
    for (const Subcommand &s : kSubcommands)
        std::fprintf(out, "  keldra-tool %s\n", s.usage);
    std::fputs("  keldra-tool --help\n", out);
}

int usage()
{
    printUsage(stderr);
    return EXIT_USAGE;
}

} // namespace

int usageError(const char *usageLine, const QString &why)
{
    std::fprintf(stderr, "keldra-tool: %s\nusage: keldra-tool %s\n", qPrintable(why), usageLine);
    return EXIT_USAGE;
}

bool takeIntOption(const QStringList &args, int &i, const QString &name, int lo, int hi, int *value)
{
    QString text;
    if (args[i] == name) {
        if (i + 1 >= args.size())
            return false;
        text = args[++i];
    } else {
        text = args[i].mid(name.size() + 1); // "--name=value"
    }
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    *value = v;
    return true;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    static char out[1 << 16];
    std::setvbuf(stdout, out, _IOFBF, sizeof out);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        printUsage(stdout);
        std::fflush(stdout);
        return 0;
    }
    for (const Subcommand &s : kSubcommands) {
        if (name == QLatin1String(s.name)) {
            const int rc = s.run(args);
            std::fflush(stdout);
            return rc;
        }
    }
    std::fprintf(stderr, "keldra-tool: unknown subcommand \"%s\"\n", qPrintable(name));
    return usage();
}
