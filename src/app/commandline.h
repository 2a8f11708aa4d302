#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <optional>

namespace skiff {

// What the command line asks for: the addresses to open, or to end at once with a status and
// a text for standard output or standard error.
struct CommandLine {
    QStringList addresses;
    std::optional<QString> engine;  // the value of --engine, when given
    bool exitNow = false;
    int exitCode = 0;
    QString output;  // for standard output
    QString error;   // for standard error
};

// The address an argument stands for: an existing file or folder, named from `folder` or by
// its full path, as a file: address; anything else as it is, to be read as the address box
// reads it.
QString argumentAddress(const QString& argument, const QDir& folder);

// Reads `arguments` (the program's name first) as main() gets them, before anything needs a
// display: Qt's own options (such as "-platform offscreen") are passed over, for Qt to take.
// Everything after "--webEngineArgs" is the engine's.
CommandLine readCommandLine(const QStringList& arguments);

// main()'s arguments as text.
QStringList argumentList(int argc, const char* const* argv);

}  // namespace skiff
