#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/application.h"
#include "app/commandline.h"
#include "app/enginechoice.h"
#include "app/processenvironment.h"
#include "app/startup.h"
#include "core/quitsignals.h"

int main(int argc, char** argv) {
    // The command line is read before anything needs a display, so that --help, --version and
    // a wrong option work without one.
    const skiff::CommandLine line = skiff::readCommandLine(skiff::argumentList(argc, argv));
    if (line.exitNow) {
        std::fputs(qPrintable(line.output), stdout);
        std::fputs(qPrintable(line.error), stderr);
        return line.exitCode;
    }
    QString error;
    const std::optional<skiff::EngineKind> kind =
        skiff::chooseEngine(line.engine, qEnvironmentVariable("SKIFF_ENGINE"), &error);
    if (!kind) {
        std::fputs(qPrintable(error), stderr);
        return 2;
    }
    // Before any library is loaded that may read the environment as it loads.
    skiff::prepareProcessEnvironment();
    if (!skiff::loadEngine(*kind, &error)) {
        std::fputs(qPrintable(error), stderr);
        return 1;
    }
    skiff::quietenDiagnostics();
    skiff::ignoreFileSizeLimitSignal();
    skiff::prepareEnvironmentBeforeToolkit(*kind);
    const std::unique_ptr<QApplication> toolkit = skiff::startApplication(argc, argv);
    QApplication& app = *toolkit;
    QApplication::setApplicationName("Skiff");
    // The web engine of every window, made once there is a display.
    std::unique_ptr<skiff::Engine> engine = skiff::makeEngine(*kind, &error);
    if (!engine) {
        std::fputs(qPrintable(error), stderr);
        return 1;
    }
    skiff::Application application(std::move(engine));
    // Quitting ends the program with status 0, also when it was asked by a signal or by the
    // end of the desktop session.
    skiff::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &skiff::QuitSignals::quitRequested, &application,
                     &skiff::Application::end);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &application,
                     &skiff::Application::quit);
    QObject::connect(&application, &skiff::Application::quitDone, &app,
                     [] { QCoreApplication::exit(0); });
    application.start(line.addresses);
    return app.exec();
}
