// Where the settings file lives: beside the executable, named after it, when that folder can
// be written (a portable copy); otherwise, for an installed viewer whose folder belongs to
// the administrator, in the user's own configuration folder under the same name.
#pragma once

#include <QString>

// exeFile: the executable's full path; userConfigDir: the user's configuration folder for the
// viewer, created when it is chosen. Writing is tried, not predicted from permission bits.
QString settingsPathFor(const QString &exeFile, const QString &userConfigDir);
