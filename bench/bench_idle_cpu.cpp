// CPU time that Skiff's whole process tree (the program and the web engine's processes) uses
// over 30 s of doing nothing on about:blank, once it has settled, against a floor: a bare web
// view on about:blank with one label below it whose text changes once a second, which is the
// least a window with a running clock costs. Once for each engine:
//   idle_cpu_vs_clock_floor            Skiff on Qt WebEngine against a Qt WebEngine view in a
//                                      window with a status bar (bare_qtwebengine clock)
//   idle_cpu_webkitgtk_vs_clock_floor  Skiff on WebKitGTK against a WebKitGTK view in a GTK
//                                      window (bare_webkitgtk clock)
// Each is started as a child process of this program, as the active window of a real X display
// (tools/bench.sh starts a private Xvfb): on Qt's offscreen platform nothing is drawn, and
// drawing is what idle costs.
//
//   bench_idle_cpu                 run the comparisons and print the lines
//   bench_idle_cpu --skiff ENGINE  (child) Skiff's first browser window on ENGINE with fresh
//                                  settings

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/enginechoice.h"
#include "browser/frmmain.h"
#include "childprocess.h"
#include "skiffchild.h"

namespace {

// Long enough for the page to load and for the caret of the focused address box to stop
// blinking (kCaretBlinkSeconds after the window took the focus).
constexpr int kSettleSeconds = 15;
constexpr int kMeasuredSeconds = 30;

int runSkiff(int argc, char** argv, const QString& engine) {
    return skiff::bench::runSkiffChild(argc, argv, engine, [](skiff::FrmMain&) {});
}

// CPU seconds of the child's process tree over the measured span, after it has settled;
// negative when the child does not keep running.
double idleCpu(const skiff::bench::ChildProgram& program) {
    QTemporaryDir home;
    QProcess child;
    skiff::bench::useHome(child, home.path());
    if (!skiff::bench::useXDisplay(child)) return -1;
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program.program, program.arguments);
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
    const QString self = QCoreApplication::applicationFilePath();
    using skiff::EngineKind, skiff::bench::engineName;
    const struct {
        const char* line;
        QStringList skiff;
        skiff::bench::ChildProgram floor;
    } comparisons[] = {
        {"idle_cpu_vs_clock_floor",
         {"--skiff", engineName(EngineKind::QtWebEngine)},
         skiff::bench::bareQtWebEngine({"clock"})},
        {"idle_cpu_webkitgtk_vs_clock_floor",
         {"--skiff", engineName(EngineKind::WebKitGtk)},
         skiff::bench::bareWebKitGtk({"clock"})},
    };
    for (const auto& c : comparisons) {
        const double floor = idleCpu(c.floor);
        const double skiff = idleCpu({self, c.skiff});
        if (floor <= 0 || skiff < 0) {
            std::fprintf(stderr, "%s: %s did not keep running\n", c.line,
                         floor <= 0 ? "the floor" : "skiff");
            return 1;
        }
        std::printf("%s: CPU seconds over %d s of idle: skiff %.2f, clock floor %.2f\n", c.line,
                    kMeasuredSeconds, skiff, floor);
        std::printf("%s ratio=%.2f goal<=0.75\n", c.line, skiff / floor);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && QByteArray(argv[1]) == "--skiff") return runSkiff(argc, argv, argv[2]);
    return compare(argc, argv);
}
