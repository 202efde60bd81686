// Help: opens the user manual that lies beside the executable in the desktop's PDF viewer.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class Prompts;

// The manual's file name.
inline constexpr char HELP_FILE_NAME[] = "Keldra_data_viewer_en.pdf";
// Shown under "ERROR" when the manual cannot be opened.
inline constexpr char HELP_NOT_FOUND[] = "Help file not found.";

// Hands a document to the desktop; true when the desktop accepted it.
using DocumentOpener = std::function<bool(const QUrl &)>;

// The manual's path: the executable's folder, never the working folder.
QString helpFilePath();

// Opens folder/HELP_FILE_NAME with opener (the desktop's open-document operation by default).
// A missing document, or a desktop that cannot open it, gives the beep and HELP_NOT_FOUND
// under "ERROR" through prompts. Returns true when the document was handed over.
bool openHelp(Prompts &prompts, const QString &folder, const DocumentOpener &opener = {});

// Help: opens the manual beside the executable.
void H2Click(Prompts &prompts);
