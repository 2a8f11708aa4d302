// Wall time from process start to the start-up page's document-complete event: Skiff against
// a minimal program that shows the same local page in a bare web view. Each is started as a
// child process of this program, with a home of its own, on a real X display (tools/bench.sh
// starts a private Xvfb), several times, alternating, after one start of each that is not
// counted; the medians are compared. A child says when its page is complete on its standard
// output; the time ends when that line arrives. The bare program takes Qt's defaults, as such a
// program would; Skiff picks its renderer itself (engine/qtwebengine/scenegraph.h).
//
//   bench_startup                 run the comparison and print the line
//   bench_startup --skiff PAGE    (child) start Skiff with PAGE as stored start-up page
//   bench_startup --bare PAGE     (child) load PAGE in a bare web view

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "browser/frmmain.h"
#include "childprocess.h"
#include "core/settingsstore.h"
#include "engine/qtwebengine/enginesandbox.h"
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

int runSkiff(int argc, char** argv) {
    return skiff::bench::runSkiffChild(argc, argv, [](skiff::FrmMain& window) {
        QObject::connect(window.wbMain(), &skiff::WebBrowser::DocumentComplete, complete);
    });
}

int runBare(int argc, char** argv, const QString& page) {
    skiff::prepareEngineEnvironment();
    QApplication app(argc, argv);
    QWebEngineView view;
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, complete);
    view.load(QUrl::fromLocalFile(page));
    // The whole screen, as Skiff's window takes it, also without a window manager.
    view.setGeometry(QApplication::primaryScreen()->availableGeometry());
    view.showMaximized();
    return app.exec();
}

// Milliseconds from starting the child until it says that its first page is complete.
double timeChild(const QString& mode, const QString& page, const QString& home) {
    QProcess child;
    skiff::bench::useHome(child, home);
    if (!skiff::bench::useXDisplay(child)) return -1;
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {mode, page});
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

    std::vector<double> skiffTimes, bareTimes;
    for (int i = -kWarmUpRuns; i < kRuns; ++i) {
        const double s = timeChild("--skiff", page, home);
        const double b = timeChild("--bare", page, home);
        if (s < 0 || b < 0) return 1;
        if (i < 0) continue;
        skiffTimes.push_back(s);
        bareTimes.push_back(b);
        std::printf("run %d: skiff %.0f ms, bare engine %.0f ms\n", i + 1, s, b);
    }
    const double s = skiff::bench::median(skiffTimes), b = skiff::bench::median(bareTimes);
    std::printf("startup_vs_bare_engine ratio=%.2f goal<=1.05\n", s / b);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && QByteArray(argv[1]) == "--skiff") return runSkiff(argc, argv);
    if (argc >= 3 && QByteArray(argv[1]) == "--bare") return runBare(argc, argv, argv[2]);
    return compare(argc, argv);
}
