#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/commandline.h"
#include "browser/frmmain.h"
#include "core/quitsignals.h"
#include "engine/qtwebengine/enginesandbox.h"
#include "engine/qtwebengine/qtengine.h"
#include "forms/browserhost.h"
#include "forms/busywork.h"
#include "pagetools/downloads.h"

namespace {

// Shuts down as closing the first browser window does (the tool windows unload with it, so
// the favorites are written), closes every other browser window too, and ends the program
// with status 0. For Quit and for the signals that ask the program to end and for the end of
// the desktop session. Each window closes once its page agrees; when a page keeps its window
// (the user chose to stay), the program goes on. A window may ask the user a question on the
// way (a favorites file that cannot be written, a page that asks before it is left); a second
// request meanwhile is not to cut that short, so it is ignored. While the program is busy with
// work the user waits for (a large favorites list read or saved, or such a question), the
// shut-down waits until it is over.
void shutDown() {
    static bool started = false;
    if (started) return;
    if (skiff::busy()) {
        QTimer::singleShot(100, shutDown);
        return;
    }
    started = true;
    skiff::FrmMain::closeAll([](bool allClosed) {
        if (allClosed) {
            QCoreApplication::exit(0);
        } else {
            started = false;
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    skiff::prepareEngineEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Skiff");
    const skiff::CommandLine line = skiff::readCommandLine(QCoreApplication::arguments());
    if (line.exitNow) {
        std::fputs(qPrintable(line.output), stdout);
        std::fputs(qPrintable(line.error), stderr);
        return line.exitCode;
    }
    // The web engine of every window: Qt WebEngine. Its downloads are asked for and shown by
    // the program's download windows.
    skiff::QtEngine engine;
    skiff::setEngine(&engine);
    skiff::Downloads downloads(&engine);
    skiff::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &skiff::QuitSignals::quitRequested, &app, shutDown);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, shutDown);
    skiff::setFirstBrowserWindowAccessor([] { return &skiff::frmMain(); });
    skiff::FrmMain::setQuitHandler(shutDown);
    if (!line.addresses.isEmpty()) skiff::FrmMain::setFirstAddress(line.addresses.first());
    skiff::frmMain().show();
    for (const QString& address : line.addresses.mid(1)) skiff::FrmMain::openWindow(address);
    return app.exec();
}
