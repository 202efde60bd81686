// What the subcommands of keldra-tool share: the exit status of a usage error and its report.
#pragma once

#include <QString>
#include <QStringList>

inline constexpr int EXIT_USAGE = 2;

// Prints "keldra-tool: why" and the subcommand's usage line to stderr; returns EXIT_USAGE.
int usageError(const char *usage, const QString &why);
// Reads an option's integer value from args[i + 1] (or after "=" in args[i]); false when it is
// missing or not an integer in lo..hi. Advances i past what it used.
bool takeIntOption(const QStringList &args, int &i, const QString &name, int lo, int hi,
                   int *value);
