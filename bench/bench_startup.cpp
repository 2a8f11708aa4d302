// Wall time from process start to the start-up page's document-complete event: Skiff against
// a minimal program that shows the same local page in a bare web view. Each is started as a
// child process of this program, several times, alternating; the medians are compared.
//
//   bench_startup                 run the comparison and print the line
//   bench_startup --skiff PAGE    (child) start Skiff with PAGE as stored start-up page
//   bench_startup --bare PAGE     (child) load PAGE in a bare web view

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "browser/frmmain.h"
#include "core/settingsstore.h"
#include "engine/qtwebengine/enginesandbox.h"
#include "engine/qtwebengine/qtengine.h"
#include "engine/webbrowser.h"
#include "forms/browserhost.h"
#include "settings/frmsettings.h"

namespace {

constexpr int kRuns = 7;

int runSkiff(int argc, char** argv) {
    skiff::prepareEngineEnvironment();
    QApplication app(argc, argv);
    skiff::QtEngine engine;
    skiff::setEngine(&engine);
    skiff::setFirstBrowserWindowAccessor([] { return &skiff::frmMain(); });
    skiff::FrmMain& window = skiff::frmMain();
    QObject::connect(window.wbMain(), &skiff::WebBrowser::DocumentComplete, &app,
                     [] { QCoreApplication::exit(0); });
    window.show();
    return app.exec();
}

int runBare(int argc, char** argv, const QString& page) {
    skiff::prepareEngineEnvironment();
    QApplication app(argc, argv);
    QWebEngineView view;
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [] { QCoreApplication::exit(0); });
    view.load(QUrl::fromLocalFile(page));
    view.showMaximized();
    return app.exec();
}

// Milliseconds from starting the child until it has exited after its first page.
double timeChild(const QString& mode, const QString& page, const QString& home) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_CACHE_HOME", home + "/cache");
    child.setProcessEnvironment(env);
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    child.setWorkingDirectory(home);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {mode, page});
    if (!child.waitForFinished(120000) || child.exitCode() != 0) return -1;
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int compare(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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
    if (!skiff::SaveSetting(skiff::kSettingsApp, skiff::kSettingsSection, skiff::kStartupPageKey,
                            page))
        return 1;

    std::vector<double> skiffTimes, bareTimes;
    for (int i = 0; i < kRuns; ++i) {
        const double s = timeChild("--skiff", page, home);
        const double b = timeChild("--bare", page, home);
        if (s < 0 || b < 0) return 1;
        skiffTimes.push_back(s);
        bareTimes.push_back(b);
        std::printf("run %d: skiff %.0f ms, bare engine %.0f ms\n", i + 1, s, b);
    }
    const double s = median(skiffTimes), b = median(bareTimes);
    std::printf("startup_vs_bare_engine ratio=%.2f goal<=1.15\n", s / b);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && QByteArray(argv[1]) == "--skiff") return runSkiff(argc, argv);
    if (argc >= 3 && QByteArray(argv[1]) == "--bare") return runBare(argc, argv, argv[2]);
    return compare(argc, argv);
}
