#include "e2e/journey.h"

#include <QFile>
#include <QTest>

namespace skiff::e2e {

std::unique_ptr<BrowserWindow> openBrowser(XSession& x, SkiffProcess& skiff, const QString& title,
                                           const QStringList& arguments) {
    auto browser = std::make_unique<BrowserWindow>(x, TopLevel{});
    [&] {
        QVERIFY2(skiff.start(arguments), qPrintable(skiff.output()));
        browser = std::make_unique<BrowserWindow>(x, x.waitForClient(title, 60000));
        QVERIFY2(browser->window().isValid(), qPrintable(skiff.output()));
        QVERIFY(browser->locate());
    }();
    return browser;
}

bool endSkiff(XSession& x, std::unique_ptr<SkiffProcess>& skiff) {
    if (QTest::currentTestFailed()) reportFailure(x, skiff.get());
    skiff.reset();
    return waitFor([&] { return x.clients().isEmpty(); });
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace skiff::e2e
