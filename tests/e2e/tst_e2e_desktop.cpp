// Skiff as the desktop's web browser: installed into a folder of its own, made the handler of
// web addresses with xdg-mime, and started by xdg-open on an address, as a desktop opens a
// link that another program hands it.

#include <QtTest>
#include <optional>

#include "e2e/skiffprocess.h"
#include "e2e/xsession.h"
#include "support/loopbackserver.h"

using namespace skiff::e2e;
using skiff::test::LoopbackServer;

namespace {

const QString kEntry = "org.skiff.Skiff.desktop";

// What `program` printed on its standard output, trimmed; nothing when it fails.
std::optional<QString> run(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s failed:\n%s", qPrintable(program), process.readAllStandardError().data());
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

}  // namespace

class E2EDesktop : public QObject {
    Q_OBJECT
private slots:
    void xdgOpenStartsSkiffOnTheAddress();
};

void E2EDesktop::xdgOpenStartsSkiffOnTheAddress() {
    XSession x;
    QVERIFY2(x.start(), qPrintable(x.error()));
    QTemporaryDir folder;
    LoopbackServer proxy;  // http://pages.test/... comes from it
    proxy.addPage("/opened.html", "<title>Opened by the desktop</title><p>Here.</p>");

    // The installed files, in a prefix of this test's own or where the tested skiff lives.
    QString prefix = QFileInfo(SkiffProcess::executable()).absolutePath() + "/..";
    if (!qEnvironmentVariableIsSet("SKIFF_E2E_EXECUTABLE")) {
        prefix = folder.filePath("prefix");
        QVERIFY(run(SKIFF_CMAKE, {"--install", SKIFF_BUILD_DIR, "--prefix", prefix},
                    QProcessEnvironment::systemEnvironment()));
    }
    for (const char* file : {"bin/skiff", "share/applications/org.skiff.Skiff.desktop",
                             "share/icons/hicolor/scalable/apps/org.skiff.Skiff.svg",
                             "share/metainfo/org.skiff.Skiff.metainfo.xml",
                             "share/man/man1/skiff.1.gz", "share/doc/skiff/copyright"}) {
        QVERIFY2(QFileInfo(prefix + "/" + file).isFile(), file);
    }

    // A desktop of no known kind, whose applications are the installed ones first; xdg-open's
    // last resort, $BROWSER, fails rather than start another browser.
    SkiffProcess skiff(x, proxy.port());
    skiff.setEnvironment("PATH", prefix + "/bin:" + qEnvironmentVariable("PATH"));
    // The system's data stay after them: GLib and WebKit read their settings schemas there.
    skiff.setEnvironment("XDG_DATA_DIRS", prefix + "/share:/usr/local/share:/usr/share");
    skiff.setEnvironment("XDG_CONFIG_DIRS", folder.filePath("no-config"));
    skiff.setEnvironment("XDG_CURRENT_DESKTOP", "X-Generic");
    skiff.setEnvironment("BROWSER", "false");
    const QProcessEnvironment environment = skiff.environment();

    // Another browser (one that opens nothing) is the default at first; the user makes Skiff
    // the default.
    const QString applications = environment.value("XDG_DATA_HOME") + "/applications";
    QFile other(applications + "/other-browser.desktop");
    QVERIFY(QDir().mkpath(applications) && other.open(QIODevice::WriteOnly));
    other.write(
        "[Desktop Entry]\nType=Application\nName=Other\nExec=false %U\n"
        "MimeType=x-scheme-handler/http;\n");
    other.close();
    const QStringList query = {"query", "default", "x-scheme-handler/http"};
    for (const QString& entry : {QString("other-browser.desktop"), kEntry}) {
        QVERIFY(run("xdg-mime", {"default", entry, "x-scheme-handler/http"}, environment));
        QCOMPARE(run("xdg-mime", query, environment).value_or("(failed)"), entry);
    }

    QVERIFY2(skiff.startCommand("xdg-open", {"http://pages.test/opened.html"}),
             qPrintable(skiff.output()));
    const TopLevel window = x.waitForClient("Opened by the desktop", 60000);
    QVERIFY2(window.isValid(), qPrintable(skiff.output()));
    QVERIFY(proxy.requestedPaths().contains("/opened.html"));

    // xdg-open waits for the program it started and ends with it.
    QVERIFY(x.closeByCloseBox(window));
    QVERIFY(skiff.waitForExit());
    QCOMPARE(skiff.exitCode(), 0);
}

QTEST_GUILESS_MAIN(E2EDesktop)
#include "tst_e2e_desktop.moc"
