#include <QTemporaryDir>
#include <QtTest>

#include "app/commandline.h"
#include "app/enginechoice.h"

using namespace skiff;

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void addressesAndOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<int>("exitCode");  // -1: the program runs
        QTest::newRow("none") << QStringList{} << QStringList{} << -1;
        QTest::newRow("addresses in order, empty ones skipped")
            << QStringList{"b.example", "", "https://a.example/x?y=-1"}
            << QStringList{"b.example", "https://a.example/x?y=-1"} << -1;
        QTest::newRow("after --, a dash starts an address")
            << QStringList{"--", "-dash.example", "--help"}
            << QStringList{"-dash.example", "--help"} << -1;
        QTest::newRow("the engine's arguments are not read")
            << QStringList{"a.example", "--webEngineArgs", "--no-sandbox", "b.example"}
            << QStringList{"a.example"} << -1;
        // Qt takes its own options (one or two dashes, a value next or after '=') when it
        // starts: they are neither addresses nor unknown.
        QTest::newRow("Qt's options are passed over")
            << QStringList{"-platform", "offscreen", "a.example", "--style=fusion", "-display",
                           ":1",        "-reverse",  "b.example", "-title"}
            << QStringList{"a.example", "b.example"} << -1;
        QTest::newRow("a value for a Qt option that takes none")
            << QStringList{"-reverse=yes"} << QStringList{} << 2;
        QTest::newRow("help") << QStringList{"a.example", "-h"} << QStringList{} << 0;
        QTest::newRow("version") << QStringList{"-v"} << QStringList{} << 0;
        QTest::newRow("unknown option") << QStringList{"-x"} << QStringList{} << 2;
        QTest::newRow("a lone dash") << QStringList{"-"} << QStringList{} << 2;
        QTest::newRow("an engine, both ways")
            << QStringList{"--engine=qtwebengine", "a.example", "--engine", "webkitgtk"}
            << QStringList{"a.example"} << -1;
        QTest::newRow("an unknown engine")
            << QStringList{"--engine=chromium"} << QStringList{} << 2;
        QTest::newRow("an engine without a name") << QStringList{"--engine"} << QStringList{} << 2;
    }
    void addressesAndOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, addresses);
        QFETCH(int, exitCode);
        const CommandLine line = readCommandLine(QStringList{"skiff"} + arguments);
        QCOMPARE(line.addresses, addresses);
        QCOMPARE(line.exitNow ? line.exitCode : -1, exitCode);
        // Help and version go to standard output, an error to standard error only.
        QCOMPARE(line.output.isEmpty(), exitCode != 0);
        QCOMPARE(line.error.isEmpty(), exitCode != 2);
    }

    // An argument naming an existing file or folder opens it; everything else stays an address.
    void existingFilesOpenAsFiles() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("sub folder"));
        for (const char* name : {"page.html", "sub folder/a #1 100%.html"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QDir folder(dir.path());
        const QString root = QUrl::fromLocalFile(dir.path()).toString();
        const struct {
            QString argument;
            QString address;
        } cases[] = {
            {"page.html", root + "/page.html"},
            {"./sub folder/../page.html", root + "/page.html"},
            {dir.filePath("page.html"), root + "/page.html"},
            {"sub folder", root + "/sub%20folder"},
            {"sub folder/a #1 100%.html", root + "/sub%20folder/a%20%231%20100%25.html"},
            {"missing.html", "missing.html"},
            {"example.com", "example.com"},
            {"http://page.html/", "http://page.html/"},
        };
        for (const auto& c : cases) {
            QCOMPARE(argumentAddress(c.argument, folder), c.address);
            // The address box reads it back as the same file.
            if (c.address != c.argument)
                QCOMPARE(QUrl::fromUserInput(c.address).toLocalFile(),
                         QFileInfo(folder, c.argument).absoluteFilePath());
        }
    }

    // The option wins over SKIFF_ENGINE; neither gives WebKitGTK; a wrong name in either is one
    // line naming where it came from.
    void engineChoice() {
        const auto choose = [](std::optional<QString> option, const QString& environment) {
            QString error;
            const std::optional<EngineKind> kind = chooseEngine(option, environment, &error);
            return kind ? QString::number(int(*kind)) : error;
        };
        const QString webkit = QString::number(int(EngineKind::WebKitGtk));
        const QString qt = QString::number(int(EngineKind::QtWebEngine));
        QCOMPARE(choose(std::nullopt, ""), webkit);
        QCOMPARE(choose(std::nullopt, "qtwebengine"), qt);
        QCOMPARE(choose("webkitgtk", "qtwebengine"), webkit);
        QCOMPARE(choose("qtwebengine", "nonsense"), qt);
        QCOMPARE(
            choose(std::nullopt, "WebKit"),
            "skiff: unknown engine 'WebKit' in SKIFF_ENGINE (choose webkitgtk or qtwebengine)\n");
        QCOMPARE(choose("", ""), "skiff: unknown engine '' (choose webkitgtk or qtwebengine)\n");
        const QStringList version = readCommandLine({"skiff", "--version"}).output.split('\n');
        QCOMPARE(version.size(), 3);
        QVERIFY2(version[1].startsWith("Web engines: WebKitGTK 2.") &&
                     version[1].contains("(webkitgtk, the default), Qt WebEngine 6."),
                 qPrintable(version[1]));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
