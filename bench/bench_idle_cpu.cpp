// CPU time that Skiff's whole process tree (the program and the web engine's processes) uses
// over 30 s of doing nothing on about:blank, once it has settled, against a floor: a bare web
// view on about:blank with one status-bar label whose text changes once a second, which is the
// least a window with a running clock costs. Each is started as a child process of this
// program, as the active window of a real X display (tools/bench.sh starts a private Xvfb): on
// Qt's offscreen platform nothing is drawn, and drawing is what idle costs.
//
//   bench_idle_cpu            run the comparison and print the line
//   bench_idle_cpu --skiff    (child) Skiff's first browser window with fresh settings
//   bench_idle_cpu --floor    (child) the floor program

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>

#include "browser/frmmain.h"
#include "childprocess.h"
#include "engine/qtwebengine/enginesandbox.h"
#include "skiffchild.h"

namespace {

// Long enough for the page to load and for the caret of the focused address box to stop
// blinking (kCaretBlinkSeconds after the window took the focus).
constexpr int kSettleSeconds = 15;
constexpr int kMeasuredSeconds = 30;

int runSkiff(int argc, char** argv) {
    return skiff::bench::runSkiffChild(argc, argv, [](skiff::FrmMain&) {});
}

int runFloor(int argc, char** argv) {
    skiff::prepareEngineEnvironment();
    QApplication app(argc, argv);
    QMainWindow window;
    auto* view = new QWebEngineView(&window);
    window.setCentralWidget(view);
    auto* clock = new QLabel(&window);
    window.statusBar()->addPermanentWidget(clock);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, clock,
                     [clock] { clock->setText(QTime::currentTime().toString("hh:mm:ss")); });
    timer.start(1000);
    view->load(QUrl("about:blank"));
    // The whole screen, as Skiff's window takes it, also without a window manager.
    window.setGeometry(QApplication::primaryScreen()->availableGeometry());
    window.showMaximized();
    window.activateWindow();
    return app.exec();
}

// CPU seconds of the child's process tree over the measured span, after it has settled;
// negative when the child does not keep running.
double idleCpu(const QString& mode) {
    QTemporaryDir home;
    QProcess child;
    skiff::bench::useHome(child, home.path());
    if (!skiff::bench::useXDisplay(child)) return -1;
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), {mode});
    if (!child.waitForStarted()) return -1;
    const qint64 pid = child.processId();
    QThread::sleep(kSettleSeconds);
    const double before = skiff::bench::treeCpuSeconds(pid);
    QThread::sleep(kMeasuredSeconds);
    const double after = skiff::bench::treeCpuSeconds(pid);
    const bool running = child.state() == QProcess::Running && !child.waitForFinished(0);
    skiff::bench::endTree(child);
    return running ? after - before : -1;
}

int compare(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fputs("bench_idle_cpu needs an X display (tools/bench.sh starts one)\n", stderr);
        return 1;
    }
    const double floor = idleCpu("--floor");
    const double skiff = idleCpu("--skiff");
    if (floor <= 0 || skiff < 0) return 1;
    std::printf("CPU seconds over %d s of idle: skiff %.2f, clock floor %.2f\n", kMeasuredSeconds,
                skiff, floor);
    std::printf("idle_cpu_vs_clock_floor ratio=%.2f goal<=0.75\n", skiff / floor);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && QByteArray(argv[1]) == "--skiff") return runSkiff(argc, argv);
    if (argc >= 2 && QByteArray(argv[1]) == "--floor") return runFloor(argc, argv);
    return compare(argc, argv);
}
