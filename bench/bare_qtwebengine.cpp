// The floor of the Qt WebEngine comparisons: a bare QWebEngineView, started as a child by
// bench_startup, bench_page_load and bench_idle_cpu. It takes the whole screen, as Skiff's window
// does, Qt's defaults, and the engine's switches and sandbox that Skiff gives it.
//
//   bare_qtwebengine startup PAGE    load PAGE; print "complete" once it has loaded
//   bare_qtwebengine page-load URL   about:blank, then URL once it has settled; once URL has
//                                    loaded and settled, print "load_ms=T" (see loadrun.h)
//   bare_qtwebengine clock           about:blank in a window with a status bar whose label
//                                    shows the time of day, changed every second
// It runs until it is ended.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>

#include "engine/qtwebengine/enginesandbox.h"
#include "loadrun.h"

namespace {

void say(const char* line) {
    std::puts(line);
    std::fflush(stdout);
}

// The whole screen, as Skiff's window takes it, also without a window manager.
void showOnWholeScreen(QWidget& window) {
    window.setGeometry(QApplication::primaryScreen()->availableGeometry());
    window.showMaximized();
    window.activateWindow();
}

}  // namespace

int main(int argc, char** argv) {
    skiff::prepareEngineEnvironment();
    QApplication app(argc, argv);
    const QByteArray mode = argc >= 2 ? argv[1] : "";
    QMainWindow clockWindow;
    QWebEngineView view;  // the window itself, but for the clock's
    skiff::bench::LoadRun run;
    QTimer clockTimer;
    if (mode == "startup" && argc == 3) {
        QObject::connect(&view, &QWebEngineView::loadFinished, [] { say("complete"); });
        view.load(QUrl::fromLocalFile(argv[2]));
        showOnWholeScreen(view);
    } else if (mode == "page-load" && argc == 3) {
        const QUrl url(argv[2]);
        run.navigate = [&view, url] { view.load(url); };
        QObject::connect(&view, &QWebEngineView::loadFinished, [&run] { run.documentComplete(); });
        view.load(QUrl("about:blank"));
        showOnWholeScreen(view);
    } else if (mode == "clock" && argc == 2) {
        clockWindow.setCentralWidget(&view);
        auto* clock = new QLabel(&clockWindow);
        clockWindow.statusBar()->addPermanentWidget(clock);
        QObject::connect(&clockTimer, &QTimer::timeout, clock,
                         [clock] { clock->setText(QTime::currentTime().toString("hh:mm:ss")); });
        clockTimer.start(1000);
        view.load(QUrl("about:blank"));
        showOnWholeScreen(clockWindow);
    } else {
        std::fputs("usage: bare_qtwebengine startup PAGE | page-load URL | clock\n", stderr);
        return 2;
    }
    return app.exec();
}
