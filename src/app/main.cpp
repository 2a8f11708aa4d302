#include <QApplication>

#include "browser/frmmain.h"
#include "platform/browserhost.h"
#include "platform/enginesandbox.h"

int main(int argc, char** argv) {
    skiff::prepareEngineEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Skiff");
    skiff::setFirstBrowserWindowAccessor([] { return &skiff::frmMain(); });
    skiff::frmMain().show();
    return app.exec();
}
