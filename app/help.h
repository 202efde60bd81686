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
// How long a desktop launcher may take to say that it failed, in milliseconds. A launcher
// still running then has started a viewer (some wait for the viewer to close).
inline constexpr int LAUNCHER_ANSWER_MS = 3000;

// Hands a document to the desktop; true when the desktop accepted it.
using DocumentOpener = std::function<bool(const QUrl &)>;

// The manual's path: the executable's folder, never the working folder.
QString helpFilePath();

// Runs launcher (a program found on PATH, e.g. "xdg-open") on the local file of url and waits
// up to boundMs for its answer: true when it ends with exit status 0 or is still running at the
// bound (it is then left to run on its own), false when it cannot be started, crashes or
// ends with another status.
bool runLauncher(const QString &launcher, const QUrl &url, int boundMs = LAUNCHER_ANSWER_MS);

// The desktop's open-document operation: on Linux and other freedesktop systems xdg-open when
// it is on PATH (its exit status tells whether a program took the document), else the
// toolkit's.
bool openDocument(const QUrl &url);

// Opens folder/HELP_FILE_NAME with opener (openDocument by default). A missing document, or a
// desktop that cannot open it, gives the beep and HELP_NOT_FOUND under "ERROR" through prompts.
// Returns true when the document was handed over.
bool openHelp(Prompts &prompts, const QString &folder, const DocumentOpener &opener = {});

// Help: opens the manual beside the executable.
void H2Click(Prompts &prompts);
