// keldra-tool command: the bytes of the one write the viewer makes to the sensor for an
// upload, a set-up, a cancel or a clear.
#include "commands.h"
#include "jsonout.h"
#include "protocol.h"
#include "tool.h"

#include <QDateTime>

namespace {

const char kUsage[] = "command upload|set|cancel|clear [--at \"YYYY-MM-DD hh:mm:ss.zzz\"] "
                      "[--rate I --thick T --acc I --gyro I --autooff I]";

bool parseAt(const QString &text, QDateTime *at)
{
    for (const char *format : {"yyyy-MM-dd hh:mm:ss.zzz", "yyyy-MM-dd hh:mm:ss"}) {
        const QDateTime t = QDateTime::fromString(text, QLatin1String(format));
        if (t.isValid()) {
            *at = t;
            return true;
        }
    }
    return false;
}

struct IntOption
{
    const char *name;
    int lo, hi;
    int *value;
};

} // namespace

int runCommand(const QStringList &args)
{
    QDateTime at = QDateTime::currentDateTime();
    int rate = 0, thick = THICK_DEFAULT, acc = 0, gyro = 0, autoOff = 0;
    const IntOption options[] = {{"--rate", 0, RATE_CODE_COUNT - 1, &rate},
                                 {"--thick", THICK_MIN, THICK_MAX, &thick},
                                 {"--acc", 0, ACC_CODE_COUNT - 1, &acc},
                                 {"--gyro", 0, GYRO_CODE_COUNT - 1, &gyro},
                                 {"--autooff", 0, AUTO_OFF_CODE_COUNT - 1, &autoOff}};
    QStringList kinds;
    bool conditions = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            kinds << a;
            continue;
        }
        if (a == QLatin1String("--at") || a.startsWith(QLatin1String("--at="))) {
            const QString text = a == QLatin1String("--at") ? args.value(++i) : a.mid(5);
            if (!parseAt(text, &at))
                return usageError(kUsage, QStringLiteral("--at needs \"YYYY-MM-DD hh:mm:ss.zzz\""));
            continue;
        }
        bool known = false;
        for (const IntOption &o : options) {
            const QString name = QLatin1String(o.name);
            if (a != name && !a.startsWith(name + QLatin1Char('=')))
                continue;
            known = true;
            conditions = true;
            if (!takeIntOption(args, i, name, o.lo, o.hi, o.value))
                return usageError(kUsage, QStringLiteral("%1 needs a number from %2 to %3")
                                              .arg(name)
                                              .arg(o.lo)
                                              .arg(o.hi));
        }
        if (!known)
            return usageError(kUsage, QStringLiteral("unknown option %1").arg(a));
    }
    if (kinds.size() != 1)
        return usageError(kUsage, QStringLiteral("exactly one KIND is needed"));
    const QString kind = kinds[0];
    if (conditions && kind != QLatin1String("set"))
        return usageError(kUsage, QStringLiteral("the conditions belong to set only"));

    QByteArray bytes;
    if (kind == QLatin1String("upload"))
        bytes = commandBytes(QLatin1String(COMMAND_UPLOAD), true, at);
    else if (kind == QLatin1String("set"))
        bytes = commandBytes(setupCommand(rate, thick, acc, gyro, autoOff), true, at);
    else if (kind == QLatin1String("cancel"))
        bytes = commandBytes(QLatin1String(COMMAND_CANCEL), false, at);
    else if (kind == QLatin1String("clear"))
        bytes = commandBytes(QLatin1String(COMMAND_CLEAR), false, at);
    else
        return usageError(kUsage, QStringLiteral("unknown KIND %1").arg(kind));
    printLine("{\"bytes\":" + jsonString(hexBytes(bytes)) + '}');
    return 0;
}
