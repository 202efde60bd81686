// Markdown to PDF for the user manual: Qt's Markdown reader and PDF writer, A4 pages with
// numbers, images looked up in given folders and scaled to the text width.
#pragma once

#include <QString>
#include <QStringList>

// Reads input (UTF-8 Markdown), writes output. Images named in the text are looked up beside
// the input, then in imageDirs in order. Returns an empty string on success, else what
// went wrong (a missing image, an unreadable input, an unwritable output).
QString writeManualPdf(const QString &input, const QString &output, const QStringList &imageDirs);
