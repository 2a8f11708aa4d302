#pragma once

#include <QString>
#include <QStringList>

namespace skiff {

// What the command line asks for: the addresses to open, or to end at once with a status and
// a text for standard output or standard error.
struct CommandLine {
    QStringList addresses;
    bool exitNow = false;
    int exitCode = 0;
    QString output;  // for standard output
    QString error;   // for standard error
};

// Reads `arguments` (the program's name first), as QCoreApplication::arguments() gives them
// once Qt has taken its own options. Everything after "--webEngineArgs" is the engine's.
CommandLine readCommandLine(const QStringList& arguments);

}  // namespace skiff
