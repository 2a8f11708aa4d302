#include "app/commandline.h"

#include "app/enginechoice.h"

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
    "  -v, --version    show the version and the web engines and exit\n"
    "  --engine=NAME    browse with the web engine NAME: webkitgtk (the default) or\n"
    "                   qtwebengine; SKIFF_ENGINE says the same\n"
    "  --webEngineArgs  pass every argument after it to the web engine\n"
    "  --               treat every argument after it as an address\n"
    "Qt's own options (-platform, -style, -reverse, ...) are taken by Qt.\n"
    "See skiff(1) for the keys, files and environment variables.\n");

// Qt's own options, which the toolkit takes from the command line when it starts (the
// application objects and the X11 platform), with one or two leading dashes: those that take a
// value, in the next argument or after '=', and those that take none.
const QStringList kQtValueOptions = {"platform",        "platformpluginpath",
                                     "platformtheme",   "plugin",
                                     "qwindowgeometry", "geometry",
                                     "qwindowtitle",    "title",
                                     "qwindowicon",     "icon",
                                     "display",         "name",
                                     "session",         "style",
                                     "stylesheet",      "qmljsdebugger"};
const QStringList kQtFlags = {"reverse", "widgetcount", "sync", "nograb", "dograb", "testability"};

// How many arguments, from `argument` on, a Qt option takes (1 or 2); 0 when it is none.
int qtOptionLength(const QString& argument) {
    QString name = argument.mid(argument.startsWith("--") ? 2 : 1);
    const qsizetype equals = name.indexOf('=');
    if (equals >= 0) {
        name.truncate(equals);
        return kQtValueOptions.contains(name) ? 1 : 0;
    }
    if (kQtFlags.contains(name)) return 1;
    return kQtValueOptions.contains(name) ? 2 : 0;
}

CommandLine endWith(int exitCode, const QString& output, const QString& error = {}) {
    CommandLine line;
    line.exitNow = true;
    line.exitCode = exitCode;
    line.output = output;
    line.error = error;
    return line;
}

}  // namespace

QStringList argumentList(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QString argumentAddress(const QString& argument, const QDir& folder) {
    const QFileInfo file(folder, argument);
    if (!file.exists()) return argument;
    return QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded);
}

CommandLine readCommandLine(const QStringList& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--webEngineArgs") break;
        if (optionsEnded || !argument.startsWith('-')) {
            if (!argument.isEmpty()) line.addresses << argumentAddress(argument, QDir::current());
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return endWith(0, kUsage);
        } else if (argument == "-v" || argument == "--version") {
            return endWith(0, QStringLiteral("Skiff " SKIFF_VERSION "\n") + engineVersions());
        } else if (argument.startsWith("--engine=")) {
            line.engine = argument.mid(9);
        } else if (argument == "--engine") {
            if (i + 1 == arguments.size())
                return endWith(2, {}, "skiff: --engine needs a name\n" + kUsage);
            line.engine = arguments[++i];
        } else if (const int length = qtOptionLength(argument)) {
            i += length - 1;
        } else {
            return endWith(2, {}, "skiff: unknown option '" + argument + "'\n" + kUsage);
        }
    }
    QString error;
    if (line.engine && !chooseEngine(line.engine, {}, &error)) return endWith(2, {}, error);
    return line;
}

}  // namespace skiff
