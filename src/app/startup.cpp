#include "app/startup.h"

#include <QList>
#include <QLoggingCategory>
#include <cstdio>
#include <cstdlib>

namespace skiff {

namespace {

// A message of Qt's held back while the application object starts.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

// The line printed when no display can be reached: it names the display when one is set.
QString noDisplayLine(const QString& x11Display, const QString& waylandDisplay) {
    const QString needs = QStringLiteral(": Skiff needs a graphical session (X11 or Wayland)\n");
    if (x11Display.isEmpty() && waylandDisplay.isEmpty())
        return "skiff: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)" + needs;
    const QString display = x11Display.isEmpty() ? waylandDisplay : x11Display;
    return "skiff: cannot open a window on display \"" + display + '"' + needs;
}

QtMessageHandler g_previousHandler = nullptr;
QList<HeldMessage> g_heldMessages;

void printHeldMessages() {
    for (const HeldMessage& held : std::as_const(g_heldMessages)) {
        QMessageLogContext context;
        context.category = held.category.constData();
        g_previousHandler(held.type, context, held.text);
    }
    g_heldMessages.clear();
}

// Holds Qt's messages while it starts; a fatal one (no platform could start) ends the program
// with one line of its own.
void holdStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    g_heldMessages.append({type, context.category, text});
    if (type != QtFatalMsg) return;
    if (diagnosticsWanted()) printHeldMessages();
    const QString line =
        noDisplayLine(qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"));
    std::fputs(qPrintable(line), stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

bool diagnosticsWanted() {
    const QByteArray value = qgetenv("SKIFF_DEBUG");
    return !value.isEmpty() && value != "0";
}

void quietenDiagnostics() {
    if (!diagnosticsWanted()) QLoggingCategory::setFilterRules("*.debug=false\n*.info=false");
}

std::unique_ptr<QApplication> startApplication(int& argc, char** argv) {
    g_previousHandler = qInstallMessageHandler(holdStartMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(g_previousHandler);
    printHeldMessages();
    return app;
}

}  // namespace skiff
