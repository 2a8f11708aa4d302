// Wall time from process start to the start-up page's document-complete event: Skiff against
// a minimal program that shows the same local page in a bare web view, once for each engine:
//   startup_vs_bare_engine     Skiff on Qt WebEngine against a bare Qt WebEngine view
//                              (bare_qtwebengine)
//   startup_vs_bare_webkitgtk  Skiff on WebKitGTK against a bare WebKitGTK view in a GTK window
//                              (bare_webkitgtk)
// Each is started as a child process of this program, with a home of its own, on a real X
// display (tools/bench.sh starts a private Xvfb), several times, alternating, after one start
// of each that is not counted; the medians are compared. A child says when its page is complete
// on its standard output; the time ends when that line arrives. The bare Qt program takes Qt's
// defaults, as such a program would; Skiff picks its renderer itself
// (engine/qtwebengine/scenegraph.h), and so does the bare WebKitGTK view, the way Skiff does.
//
//   bench_startup                        run the comparisons and print the lines
//   bench_startup --skiff ENGINE PAGE    (child) start Skiff on ENGINE with PAGE as stored
//                                        start-up page

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/enginechoice.h"
#include "browser/frmmain.h"
#include "childprocess.h"
#include "core/settingsstore.h"
#include "engine/webbrowser.h"
#include "settings/frmsettings.h"
#include "skiffchild.h"

namespace {

constexpr int kRuns = 11;
// Runs before the measured ones, not counted: the first start of each program fills the
// system's caches (libraries, fonts, compiled shaders, the engine's storage).
constexpr int kWarmUpRuns = 1;

// The child's page is complete: the parent ends it once it has read this.
void complete() {
    std::puts("complete");
    std::fflush(stdout);
}

int runSkiff(int argc, char** argv, const QString& engine) {
    return skiff::bench::runSkiffChild(argc, argv, engine, [](skiff::FrmMain& window) {
        QObject::connect(window.wbMain(), &skiff::WebBrowser::DocumentComplete, complete);
    });
}

// The two programs of one comparison line and their times.
struct Comparison {
    const char* line;
    skiff::bench::ChildProgram skiff;
    skiff::bench::ChildProgram bare;
    std::vector<double> skiffTimes, bareTimes;
};

// Milliseconds from starting the child until it says that its first page is complete.
double timeChild(const skiff::bench::ChildProgram& program, const QString& home) {
    QProcess child;
    skiff::bench::useHome(child, home);
    if (!skiff::bench::useXDisplay(child)) return -1;
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    child.start(program.program, program.arguments);
    QByteArray output;
    while (!output.contains('\n') && child.waitForReadyRead(120000))
        output += child.readAllStandardOutput();
    const double ms = timer.nsecsElapsed() / 1e6;
    skiff::bench::endTree(child);
    return output.startsWith("complete") ? ms : -1;
}

int compare(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fputs("bench_startup needs an X display (tools/bench.sh starts one)\n", stderr);
        return 1;
    }
    QTemporaryDir dir;
    const QString page = dir.filePath("start.html");
    QFile file(page);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(
        "<html><head><title>Start</title></head><body><h1>Start</h1><p>A local page.</p>"
        "</body></html>");
    file.close();
    const QString home = dir.filePath("home");
    QDir().mkpath(home + "/config");
    qputenv("XDG_CONFIG_HOME", (home + "/config").toUtf8());
    if (skiff::SaveSetting(skiff::kSettingsApp, skiff::kSettingsSection, skiff::kStartupPageKey,
                           page) != skiff::SaveResult::Saved)
        return 1;

    const QString self = QCoreApplication::applicationFilePath();
    using skiff::EngineKind, skiff::bench::engineName;
    Comparison comparisons[] = {
        {"startup_vs_bare_engine",
         {self, {"--skiff", engineName(EngineKind::QtWebEngine), page}},
         skiff::bench::bareQtWebEngine({"startup", page})},
        {"startup_vs_bare_webkitgtk",
         {self, {"--skiff", engineName(EngineKind::WebKitGtk), page}},
         skiff::bench::bareWebKitGtk({"startup", page})},
    };
    for (int i = -kWarmUpRuns; i < kRuns; ++i) {
        for (Comparison& c : comparisons) {
            const double s = timeChild(c.skiff, home);
            const double b = timeChild(c.bare, home);
            if (s < 0 || b < 0) {
                std::fprintf(stderr, "%s: %s did not load the page\n", c.line,
                             s < 0 ? "skiff" : "the bare engine");
                return 1;
            }
            if (i < 0) continue;
            c.skiffTimes.push_back(s);
            c.bareTimes.push_back(b);
            std::printf("run %d of %s: skiff %.0f ms, bare engine %.0f ms\n", i + 1, c.line, s, b);
            std::fflush(stdout);
        }
    }
    for (const Comparison& c : comparisons) {
        const double s = skiff::bench::median(c.skiffTimes);
        const double b = skiff::bench::median(c.bareTimes);
        std::printf("%s ratio=%.2f goal<=1.05\n", c.line, s / b);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && QByteArray(argv[1]) == "--skiff") return runSkiff(argc, argv, argv[2]);
    return compare(argc, argv);
}
