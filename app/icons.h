// Pictures of the viewer's own picture buttons, painted at run time.
#pragma once

#include <QIcon>

// Arrangement buttons: two trend windows one above the other, and four in two columns.
QIcon stackedIcon();
QIcon columnsIcon();
// The close button of a graph window's info bar.
QIcon closeIcon();
