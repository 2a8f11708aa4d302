#include "app/commandline.h"

#include <QFileInfo>
#include <QUrl>

namespace skiff {

namespace {

const QString kUsage = QStringLiteral(
    "Usage: skiff [OPTION]... [ADDRESS]...\n"
    "Opens the first ADDRESS in place of the start-up page and each further one in a browser\n"
    "window of its own. An address is read as the address box reads it.\n"
    "\n"
    "  -h, --help       show this help and exit\n"
    "  -v, --version    show the version and exit\n"
    "  --webEngineArgs  pass every argument after it to the web engine\n"
    "  --               treat every argument after it as an address\n");

CommandLine endWith(int exitCode, const QString& output, const QString& error = {}) {
    CommandLine line;
    line.exitNow = true;
    line.exitCode = exitCode;
    line.output = output;
    line.error = error;
    return line;
}

}  // namespace

QString argumentAddress(const QString& argument, const QDir& folder) {
    const QFileInfo file(folder, argument);
    if (!file.exists()) return argument;
    return QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded);
}

CommandLine readCommandLine(const QStringList& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (const QString& argument : arguments.mid(1)) {
        if (argument == "--webEngineArgs") break;
        if (optionsEnded || !argument.startsWith('-')) {
            if (!argument.isEmpty()) line.addresses << argumentAddress(argument, QDir::current());
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return endWith(0, kUsage);
        } else if (argument == "-v" || argument == "--version") {
            return endWith(0, QStringLiteral("Skiff " SKIFF_VERSION "\n"));
        } else {
            return endWith(2, {}, "skiff: unknown option '" + argument + "'\n" + kUsage);
        }
    }
    return line;
}

}  // namespace skiff
