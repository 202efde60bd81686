// The viewer's Export commands: the main window's picture, and the recording shown in one
// graph window. Each asks for a file name in the save dialog, asks before replacing a file,
// shows the busy cursor while it writes and reports a failure in an error box; a failed
// export leaves no file behind and an existing file untouched.
#pragma once

#include "recording.h"

class Prompts;
class QWidget;

// Export > Picture: PNG, SVG or PDF by the name's suffix.
void ExportPictureCommand(QWidget *window, QWidget *menuBar, Prompts &prompts);
// Export > Window n: the recording of graph window w (0..3), SNIRF or EDF+ by the suffix.
// Nothing happens when the window shows no recording. progress hears how far the writing is.
void ExportWindowCommand(int w, Prompts &prompts, const ExportProgress &progress = {});
// True when graph window w shows a recording that can be exported.
bool CanExportWindow(int w);
