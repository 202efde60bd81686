// PDF bookmarks appended as an incremental update: new outline objects, the catalog again with
// /Outlines, and a cross-reference section pointing back at the original one.
#include "pdfoutline.h"

#include <QFile>
#include <QRegularExpression>

namespace {

QString objectText(const QString &pdf, int id)
{
    const QRegularExpression object(
        QStringLiteral("(?:^|\\s)%1 0 obj\\s*(<<.*?>>)\\s*endobj").arg(id),
        QRegularExpression::DotMatchesEverythingOption);
    QString found;
    // The last definition counts (an earlier update may have replaced it).
    for (auto it = object.globalMatch(pdf); it.hasNext();)
        found = it.next().captured(1);
    return found;
}

QByteArray pdfText(const QString &text)
{
    QByteArray out = "<FEFF";
    for (const QChar c : text)
        out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return out + '>';
}

int captureInt(const QString &text, const QString &pattern)
{
    const auto match = QRegularExpression(pattern).match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

QString addPdfOutline(const QString &path, const QList<OutlineEntry> &entries)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1").arg(path);
    const QByteArray bytes = file.readAll();
    file.close();
    // Latin-1 keeps byte offsets as character offsets.
    const QString pdf = QString::fromLatin1(bytes);
    const int trailerAt = pdf.lastIndexOf(QLatin1String("trailer"));
    const int prev = captureInt(pdf.mid(pdf.lastIndexOf(QLatin1String("startxref"))),
                                QStringLiteral("startxref\\s+(\\d+)"));
    if (trailerAt < 0 || prev < 0)
        return QStringLiteral("%1 has no cross-reference table").arg(path);
    const QString trailer = pdf.mid(trailerAt);
    const int size = captureInt(trailer, QStringLiteral("/Size\\s+(\\d+)"));
    const int root = captureInt(trailer, QStringLiteral("/Root\\s+(\\d+)\\s+0\\s+R"));
    const int info = captureInt(trailer, QStringLiteral("/Info\\s+(\\d+)\\s+0\\s+R"));
    const QString catalog = objectText(pdf, root);
    const int pagesId = captureInt(catalog, QStringLiteral("/Pages\\s+(\\d+)\\s+0\\s+R"));
    const QString pagesTree = objectText(pdf, pagesId);
    const auto kids =
        QRegularExpression(QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]")).match(pagesTree);
    if (size < 0 || root < 0 || catalog.isEmpty() || !kids.hasMatch())
        return QStringLiteral("%1: catalog or page tree not found").arg(path);
    QList<int> pages;
    static const QRegularExpression reference(QStringLiteral("(\\d+)\\s+0\\s+R"));
    for (auto it = reference.globalMatch(kids.captured(1)); it.hasNext();)
        pages.append(it.next().captured(1).toInt());
    for (const OutlineEntry &e : entries) {
        if (e.page < 0 || e.page >= pages.size())
            return QStringLiteral("%1: outline entry \"%2\" on page %3 of %4")
                .arg(path, e.title)
                .arg(e.page + 1)
                .arg(pages.size());
    }

    // The tree: the parent of each entry (-1 for the outline root) and its children.
    const int n = int(entries.size());
    QList<int> parent(n, -1);
    QList<int> open; // entries on the path to the last one
    for (int i = 0; i < n; ++i) {
        while (!open.isEmpty() && entries[open.back()].level >= entries[i].level)
            open.removeLast();
        parent[i] = open.isEmpty() ? -1 : open.back();
        open.append(i);
    }
    auto children = [&](int p) {
        QList<int> out;
        for (int i = 0; i < n; ++i)
            if (parent[i] == p)
                out.append(i);
        return out;
    };
    auto descendants = [&](int p) {
        int count = 0;
        for (int i = 0; i < n; ++i) {
            for (int a = parent[i]; a != -1; a = parent[a]) {
                if (a == p) {
                    ++count;
                    break;
                }
            }
        }
        return count;
    };
    const int outlineId = size;
    auto idOf = [&](int i) { return i < 0 ? outlineId : size + 1 + i; };

    QByteArray update = "\n";
    QList<QPair<int, qint64>> offsets; // object id, offset
    auto addObject = [&](int id, const QByteArray &dict) {
        offsets.append({id, bytes.size() + update.size()});
        update += QByteArray::number(id) + " 0 obj\n<<\n" + dict + ">>\nendobj\n";
    };
    QString catalogBody = catalog.mid(2, catalog.size() - 4);
    catalogBody.remove(
        QRegularExpression(QStringLiteral("/(Outlines\\s+\\d+\\s+0\\s+R|PageMode\\s*/\\w+)")));
    addObject(root, catalogBody.toLatin1() + "\n/Outlines " + QByteArray::number(outlineId) +
                        " 0 R\n/PageMode /UseOutlines\n");
    const QList<int> top = children(-1);
    QByteArray outline = "/Type /Outlines\n";
    if (!top.isEmpty())
        outline += "/First " + QByteArray::number(idOf(top.front())) + " 0 R\n/Last " +
                   QByteArray::number(idOf(top.back())) + " 0 R\n";
    addObject(outlineId, outline + "/Count " + QByteArray::number(n) + "\n");
    for (int i = 0; i < n; ++i) {
        const QList<int> siblings = children(parent[i]);
        const int at = int(siblings.indexOf(i));
        QByteArray item = "/Title " + pdfText(entries[i].title) + "\n/Parent " +
                          QByteArray::number(idOf(parent[i])) + " 0 R\n";
        if (at > 0)
            item += "/Prev " + QByteArray::number(idOf(siblings[at - 1])) + " 0 R\n";
        if (at + 1 < siblings.size())
            item += "/Next " + QByteArray::number(idOf(siblings[at + 1])) + " 0 R\n";
        const QList<int> own = children(i);
        if (!own.isEmpty())
            item += "/First " + QByteArray::number(idOf(own.front())) + " 0 R\n/Last " +
                    QByteArray::number(idOf(own.back())) + " 0 R\n/Count " +
                    QByteArray::number(descendants(i)) + "\n";
        item += "/Dest [" + QByteArray::number(pages[entries[i].page]) + " 0 R /XYZ 0 " +
                QByteArray::number(entries[i].top, 'f', 1) + " null]\n";
        addObject(idOf(i), item);
    }

    const qint64 xrefAt = bytes.size() + update.size();
    update += "xref\n";
    update += QByteArray::number(root) + " 1\n" +
              QByteArray::number(offsets[0].second).rightJustified(10, '0') + " 00000 n \n";
    update += QByteArray::number(outlineId) + ' ' + QByteArray::number(n + 1) + '\n';
    for (int k = 1; k < offsets.size(); ++k)
        update += QByteArray::number(offsets[k].second).rightJustified(10, '0') + " 00000 n \n";
    update += "trailer\n<<\n/Size " + QByteArray::number(size + 1 + n) + "\n/Root " +
              QByteArray::number(root) + " 0 R\n";
    if (info >= 0)
        update += "/Info " + QByteArray::number(info) + " 0 R\n";
    const auto id = QRegularExpression(QStringLiteral("/ID\\s*\\[[^\\]]*\\]")).match(trailer);
    if (id.hasMatch())
        update += id.captured(0).toLatin1() + '\n';
    update += "/Prev " + QByteArray::number(prev) + "\n>>\nstartxref\n" +
              QByteArray::number(xrefAt) + "\n%%EOF\n";
    if (!file.open(QIODevice::Append) || file.write(update) != update.size() || !file.flush()) {
        file.close();
        file.resize(bytes.size());
        return QStringLiteral("cannot write %1").arg(path);
    }
    return {};
}
