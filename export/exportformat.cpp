// Export formats: names, suffixes and the recording writers.
#include "exportformat.h"

#include "edf.h"
#include "snirf.h"

#include <QFileInfo>

namespace {

struct Named
{
    ExportFormat format;
    const char *name;
};
const Named FORMATS[] = {{ExportFormat::Snirf, "snirf"},
                         {ExportFormat::Edf, "edf"},
                         {ExportFormat::Png, "png"},
                         {ExportFormat::Svg, "svg"},
                         {ExportFormat::Pdf, "pdf"}};

} // namespace

bool exportFormatNamed(const QString &name, ExportFormat *format)
{
    for (const Named &n : FORMATS) {
        if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
            *format = n.format;
            return true;
        }
    }
    return false;
}

bool exportFormatOfPath(const QString &path, ExportFormat *format)
{
    return exportFormatNamed(QFileInfo(path).suffix(), format);
}

QString exportFormatName(ExportFormat format)
{
    for (const Named &n : FORMATS) {
        if (n.format == format)
            return QLatin1String(n.name);
    }
    return {};
}

bool isPictureFormat(ExportFormat format)
{
    return format == ExportFormat::Png || format == ExportFormat::Svg ||
           format == ExportFormat::Pdf;
}

QString writeRecording(const ExportRecording &recording, ExportFormat format, const QString &path,
                       const ExportProgress &progress)
{
    switch (format) {
    case ExportFormat::Snirf:
        return writeSnirf(recording, path, progress);
    case ExportFormat::Edf:
        return writeEdf(recording, path, progress);
    case ExportFormat::Png:
    case ExportFormat::Svg:
    case ExportFormat::Pdf:
        break;
    }
    return QStringLiteral("%1 is a picture format, not a recording format.")
        .arg(exportFormatName(format).toUpper());
}
