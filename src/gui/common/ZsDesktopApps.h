// The desktop's default application for a file, found the way the desktop finds it (its "mimeapps.list"
// files and the applications' "mimeinfo.cache"), as a command the program can start and wait for.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// A program to start: its name for the user, the executable and its arguments.
struct ZsAppCommand {
    QString sName;
    QString sProgram;
    QStringList args;
};

// The command that opens the file with the default application of its type: the first application the
// user's, then the system's lists name for the type (or one of its aliases) whose entry is installed and not
// hidden. None when the desktop names no such application.
std::optional<ZsAppCommand> ZsDefaultAppFor(const QString& sFile);

// The arguments of an "Exec" value of a desktop entry, with the file in place of %f, %F, %u and %U (the
// file is added at the end when the value names none of them), %c replaced by the application's name, %k by
// the entry's path, "%%" by "%", and the other field codes dropped. Quoted arguments keep their spaces.
// Empty when the value cannot be split (an unclosed quote).
QStringList ZsSplitDesktopExec(const QString& sExec, const QString& sFile, const QString& sName = {},
                               const QString& sEntryPath = {});
