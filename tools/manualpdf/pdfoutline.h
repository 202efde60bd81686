// PDF bookmarks (the document outline) added to a finished PDF as an incremental update, as
// Qt's PDF writer has no outline of its own.
#pragma once

#include <QList>
#include <QString>

struct OutlineEntry
{
    int level;     // 1 for the top level, 2 for an entry under the last level-1 entry, ...
    QString title; // as shown
    int page;      // 0-based
    double top;    // the place on the page, in points from its foot
};

// Appends the outline of entries (in reading order) to the PDF at path and makes the file open
// with it shown. Needs a classic cross-reference table, as Qt writes. Returns an empty string on
// success, else what went wrong; the file is unchanged then.
QString addPdfOutline(const QString &path, const QList<OutlineEntry> &entries);
