#include <signal.h>

#include <QApplication>
#include <QLabel>
#include <QStandardPaths>
#include <QWebEngineCertificateError>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QtTest>

#include "app/application.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "downloads/downloads.h"
#include "engine/qtwebengine/enginedialogs.h"
#include "engine/qtwebengine/qtengine.h"
#include "engine/qtwebengine/qtwebbrowser.h"
#include "engine/webbrowser.h"
#include "forms/prompts.h"
#include "forms/textdialog.h"
#include "pagetools/pagepropertiesdialog.h"
#include "pagetools/pagetools.h"
#include "support/engineview.h"
#include "support/loopbackserver.h"
#include "support/untrustedtls.h"
#include "support/userinput.h"

using namespace skiff;
using test::EngineView;
using test::LoopbackServer;

namespace {

constexpr int kWait = EngineView::kWait;

// The download window that is open, if any.
DownloadWindow* downloadWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<DownloadWindow*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// Some bytes that are not text: 0, 1, ..., 255, 0, 1, ...
QByteArray patternOf(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) bytes[i] = char(i % 256);
    return bytes;
}

// A view of the engine with its engine dialogs.
struct DialogView {
    EngineView view;
    EngineDialogs dialogs;
    explicit DialogView(QtEngine& engine)
        : view(engine), dialogs(view.page(), engine.siteDecisions()) {}
};

// A view whose certificate errors go to its engine dialogs, silent or not. Its status messages
// are gathered as a browser shows them, with the browser's own message at the end of each
// load ("Done"), connected last so that it comes last.
struct CheckedView : DialogView {
    QStringList messages;

    explicit CheckedView(QtEngine& engine, bool silent = false) : DialogView(engine) {
        QObject::connect(view.page(), &QWebEnginePage::certificateError, &dialogs,
                         [this, silent](const QWebEngineCertificateError& error) {
                             dialogs.handleCertificateError(error, silent);
                         });
        QObject::connect(&dialogs, &EngineDialogs::statusMessage, &dialogs,
                         [this](const QString& text) { messages << text; });
        QObject::connect(view.page(), &QWebEnginePage::loadingChanged, &dialogs,
                         [this](const QWebEngineLoadingInfo& info) {
                             if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus) {
                                 messages << "Done";
                             }
                         });
    }

    // Loads `url` and waits until the messages of its end have come: those posted before the
    // browser's message are delivered before a call posted after it.
    bool loaded(const QUrl& url) {
        messages.clear();
        if (!view.loaded(url)) return false;
        if (!QTest::qWaitFor([this] { return messages.contains("Done"); }, kWait)) return false;
        bool settled = false;
        QMetaObject::invokeMethod(
            &dialogs, [&] { settled = true; }, Qt::QueuedConnection);
        return QTest::qWaitFor([&] { return settled; }, kWait);
    }
};

}  // namespace

class TestEngineDialogs : public QObject {
    Q_OBJECT
private:
    LoopbackServer server_;
    // The program, whose download windows handle the downloads of its engine.
    Application app_{std::make_unique<QtEngine>()};
    QtEngine& engine_ = static_cast<QtEngine&>(app_.engine());
    QTemporaryDir files_;
    QTemporaryDir tlsFolder_;
    std::optional<QSslConfiguration> tls_;

    // The questions asked, and the answer given to each.
    QStringList questions_;
    bool answer_ = false;

    void answerYesNo(bool answer) {
        answer_ = answer;
        app_.promptAnswers.yesNo = [this](const QString& question) {
            questions_ << question;
            return answer_;
        };
    }

    // The paths the Save dialog suggested; each time, the user chooses `choice`.
    QStringList suggested_;
    void answerSave(const std::optional<SaveChoice>& choice) {
        app_.promptAnswers.savePath = [this, choice](const QString& path, const QStringList&) {
            suggested_ << path;
            return choice;
        };
    }

    // The path the Save dialog suggests for the download at `path` of the server, where the
    // user chooses no file.
    QString suggestedFor(const QString& path) {
        DialogView page(engine_);
        answerSave(std::nullopt);
        page.view.page()->load(server_.url(path));
        if (!QTest::qWaitFor([this] { return !suggested_.isEmpty(); }, kWait)) return "not asked";
        return suggested_.takeFirst();
    }

private slots:
    void initTestCase() {
        QVERIFY(server_.port() != 0);
        QVERIFY(files_.isValid() && tlsFolder_.isValid());
        QLocale::setDefault(QLocale::c());  // sizes are written 1000 bytes, 2.93 KiB
        tls_ = test::untrustedTls(tlsFolder_.path());
        server_.addPage("/a", "<title>Page A</title><p>A</p>");
        server_.addDownload("/report", "report.bin", patternOf(3000));
        server_.addDownload("/big", "big.bin", patternOf(5000));
        server_.stallAfter("/big", 1000);
        server_.addDownload("/cut", "cut.bin", patternOf(1000000));
        server_.cutAfter("/cut", 100000);
        server_.addProtectedPage("/staff", "<title>Staff only</title>", "Staff room", "ann",
                                 "s3cret");
    }

    void cleanup() {
        app_.promptAnswers = {};
        questions_.clear();
        suggested_.clear();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<DownloadWindow*>(widget)) delete widget;
        }
    }

    void permissionIsDeniedUnlessTheUserAllows_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("allow");
        QTest::addColumn<QString>("state");
        QTest::newRow("no") << "127.0.0.1" << false << "denied";
        QTest::newRow("yes") << "localhost" << true << "granted";
    }

    void permissionIsDeniedUnlessTheUserAllows() {
        QFETCH(QString, host);
        QFETCH(bool, allow);
        QFETCH(QString, state);
        DialogView page(engine_);
        EngineView& view = page.view;
        answerYesNo(allow);
        QUrl url = server_.url("/a");
        url.setHost(host);
        QVERIFY(view.loaded(url));
        const QString ask = "Notification.requestPermission().then(p => document.title = p); 0";
        view.run(ask);
        QTRY_COMPARE_WITH_TIMEOUT(view.title(), state, kWait);
        const QString origin = QString("http://%1:%2").arg(host).arg(server_.port());
        QCOMPARE(questions_,
                 QStringList{origin + " wants to show notifications.\n\nDo you allow it?"});
        // Asked again, the page gets the same answer without a question; so does another page
        // of the site.
        view.run("document.title = ''; " + ask);
        QTRY_COMPARE_WITH_TIMEOUT(view.title(), state, kWait);
        DialogView other(engine_);
        QVERIFY(other.view.loaded(url));
        other.view.run(ask);
        QTRY_COMPARE_WITH_TIMEOUT(other.view.title(), state, kWait);
        QCOMPARE(questions_.size(), 1);
    }

    // The file is saved where the user chose, and its window follows the download: its button
    // cancels the download while it runs, and closes the window once it ended.
    void downloadWindowFollowsTheDownload_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("state");  // ending in ": ", what it starts with
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QByteArray>("saved");  // null: not looked at
        QTest::newRow("finished") << "report.bin"
                                  << "Finished"
                                  << "2.93 KiB of 2.93 KiB" << patternOf(3000);
        // The server breaks off after 100 000 of 1 000 000 bytes: the download ends with what
        // it received, and is neither fetched again nor asked for again.
        QTest::newRow("cut short") << "cut.bin"
                                   << "Interrupted: "
                                   << "97.66 KiB of 976.56 KiB" << QByteArray();
        // The server sends 1000 of 5000 bytes (4.88 KiB), then nothing more.
        QTest::newRow("stalled") << "big.bin"
                                 << "Downloading..."
                                 << "1000 bytes of 4.88 KiB" << QByteArray();
    }
    void downloadWindowFollowsTheDownload() {
        QFETCH(QString, name);
        QFETCH(QString, state);
        QFETCH(QString, progress);
        QFETCH(QByteArray, saved);
        // Two pages of one profile: the user is asked once per download all the same.
        DialogView page(engine_), other(engine_);
        const QString chosen = files_.filePath(name);
        answerSave(SaveChoice{chosen, 0});
        const QString path = "/" + QFileInfo(name).baseName();
        const qsizetype requestsBefore = server_.requestedPaths().count(path);
        page.view.page()->load(server_.url(path));
        QTRY_VERIFY_WITH_TIMEOUT(downloadWindow(), kWait);
        DownloadWindow* window = downloadWindow();
        const auto inState = [&] {
            const QString text = window->stateText();
            return state.endsWith(": ") ? text.startsWith(state) : text == state;
        };
        QTRY_COMPARE_WITH_TIMEOUT(window->progressText(), progress, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(inState(), kWait);
        QCOMPARE(window->path(), chosen);
        QTest::qWait(3000);  // for a question or a request again, which must not come
        const QString downloads =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(suggested_, QStringList{downloads + "/" + name});
        // The engine's own fresh start of a cut download goes out before it asks for the
        // download again, and is then called off: no further request comes.
        QVERIFY(server_.requestedPaths().count(path) - requestsBefore <= 2);
        QVERIFY(inState());

        if (state != "Downloading...") {
            if (!saved.isNull()) QCOMPARE(test::fileContents(chosen), saved);
            QCOMPARE(window->button()->Caption(), QString("CLOSE"));
            QPointer<DownloadWindow> guard(window);
            test::click(window->button());
            QTRY_VERIFY(!guard);  // closed and gone
            return;
        }
        QCOMPARE(window->button()->Caption(), QString("CANCEL"));
        test::click(window->button());
        QTRY_COMPARE_WITH_TIMEOUT(window->stateText(), QString("Cancelled"), kWait);
        QCOMPARE(window->button()->Caption(), QString("CLOSE"));
        QVERIFY(window->isVisible());
        QVERIFY(!QFile::exists(chosen));
    }

    // The Save dialog opens in the download folder, which is made when it is missing; where
    // it cannot be made, in the folder the program was started from.
    void saveDialogOpensInTheDownloadFolder() {
        const QByteArray home = qgetenv("HOME");
        QFile plainFile(files_.filePath("plain file"));
        QVERIFY(plainFile.open(QIODevice::WriteOnly));
        const struct {
            QString home;
            QString folder;
        } homes[] = {{files_.filePath("home"), files_.filePath("home/Downloads")},
                     {plainFile.fileName() + "/home", QDir::currentPath()}};
        for (const auto& [user, folder] : homes) {
            qputenv("HOME", QFile::encodeName(user));
            QCOMPARE(suggestedFor("/report"), folder + "/report.bin");
            QVERIFY(QFileInfo(folder).isDir());
        }
        qputenv("HOME", home);
    }

    // Names that would show as something else, or that the file system would refuse, are
    // offered cleaned and shortened.
    void downloadNamesAreOfferedSafe_data() {
        QTest::addColumn<QByteArray>("disposition");
        QTest::addColumn<QString>("offered");
        QTest::newRow("override") << QByteArray(
                                         "attachment; filename*=UTF-8''invoice%E2%80%AEtxt.exe")
                                  << "invoicetxt.exe";
        QTest::newRow("newline") << QByteArray("attachment; filename*=UTF-8''line1%0Aline2.txt")
                                 << "line1line2.txt";
        QTest::newRow("304 characters")
            << "attachment; filename=\"" + QByteArray(300, 'a') + ".pdf\""
            << QString(242, 'a') + ".pdf";
    }
    void downloadNamesAreOfferedSafe() {
        QFETCH(QByteArray, disposition);
        QFETCH(QString, offered);
        server_.addPageWithHeaders(
            "/named", "bytes",
            {{"Content-Type", "application/octet-stream"}, {"Content-Disposition", disposition}});
        QCOMPARE(QFileInfo(suggestedFor("/named")).fileName(), offered);
    }

    void downloadRefusedWhenNoFileIsChosen() {
        // Seen after the download handling, which is connected first.
        std::optional<QWebEngineDownloadRequest::DownloadState> state;
        QObject watcher;
        connect(engine_.profile(), &QWebEngineProfile::downloadRequested, &watcher,
                [&](QWebEngineDownloadRequest* request) { state = request->state(); });
        const QString downloads =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(suggestedFor("/report"), downloads + "/report.bin");
        QTRY_VERIFY_WITH_TIMEOUT(state.has_value(), kWait);
        QCOMPARE(*state, QWebEngineDownloadRequest::DownloadCancelled);
        QCOMPARE(suggested_, QStringList());  // asked once
        QCOMPARE(downloadWindow(), nullptr);
        QVERIFY(!QFile::exists(downloads + "/report.bin"));
    }

    void siteAsksForUserAndPassword() {
        CheckedView checked(engine_);
        QStringList prompts;
        std::optional<Credentials> answer;
        app_.promptAnswers = PromptAnswers{.credentials = [&](const QString& prompt) {
            prompts << prompt;
            return answer;
        }};
        const QString host = server_.hostAndPort();
        // Cancelled: the page is what the server shows to those without entry.
        QVERIFY(checked.loaded(server_.url("/staff")));
        QCOMPARE(checked.view.title(), QString("Unauthorized"));
        QCOMPARE(prompts,
                 QStringList{host + " asks for a user name and password.\nRealm: Staff room"});
        QCOMPARE(checked.messages,
                 QStringList({"Done", "No user name and password given for " + host}));

        answer = Credentials{"ann", "s3cret"};
        QVERIFY(checked.loaded(server_.url("/staff")));
        QCOMPARE(checked.view.title(), QString("Staff only"));
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(checked.messages, QStringList{"Done"});
    }

    // While silent, an invalid certificate is refused without a question. Otherwise the user
    // decides, and the answer holds for the site: another page of it gets the same answer
    // without a question. A refusal says why, and outlasts the browser's own message at the
    // end of the load.
    void userDecidesOnAnInvalidCertificate_data() {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("allow");
        QTest::addColumn<QString>("refusal");  // empty: the page loads
        QTest::newRow("silent")
            << true << true << "Not loaded: the security certificate of 127.0.0.1 is not valid (";
        QTest::newRow("refused") << false << false << "Not loaded: ";
        QTest::newRow("accepted") << false << true << "";
    }
    void userDecidesOnAnInvalidCertificate() {
        QFETCH(bool, silent);
        QFETCH(bool, allow);
        QFETCH(QString, refusal);
        if (!tls_) QSKIP("openssl could not make a certificate");
        LoopbackServer site(*tls_);
        site.addPage("/secure", "<title>Secure</title>");
        site.addPage("/other", "<title>Secure</title>");
        answerYesNo(allow);
        const bool loads = refusal.isEmpty();
        for (const QString path : {"/secure", "/other"}) {
            CheckedView checked(engine_, silent);
            QVERIFY(checked.loaded(site.url(path)));
            QCOMPARE(questions_.size(), silent ? 0 : 1);
            QCOMPARE(site.requestedPaths().contains(path), loads);
            QCOMPARE(checked.view.title() == "Secure", loads);
            QCOMPARE(checked.messages.size(), loads ? 1 : 2);
            QCOMPARE(checked.messages.first(), QString("Done"));
            if (!loads) QVERIFY(checked.messages.last().startsWith(refusal));
        }
        QCOMPARE(engine_.siteDecisions().certificateAllowed(site.url("/")), loads);
        if (silent) return;
        QVERIFY(
            questions_.first().startsWith("The security certificate of 127.0.0.1 is not valid:\n"));
        QVERIFY(questions_.first().contains("Address: " + site.url("/secure").toString()));
        if (!loads) return;

        // The page is not counted as secure.
        QtWebBrowser browser(engine_);
        QSignalSpy loaded(&browser, &WebBrowser::DocumentComplete);
        browser.Navigate(site.url("/secure").toString());
        QVERIFY(loaded.wait(kWait));
        PageTools tools(&browser);
        QVERIFY(tools.showProperties());
        QTRY_VERIFY_WITH_TIMEOUT(tools.propertiesDialog(), kWait);
        QCOMPARE(tools.propertiesDialog()->valueOf("Protocol:"), QString("https"));
        QCOMPARE(tools.propertiesDialog()->valueOf("Secure connection:"),
                 QString("No (the certificate is not valid)"));
    }

    void stoppedRendererLeavesANoticeAndRefreshLoadsThePageAgain() {
        CheckedView checked(engine_);
        EngineDialogs& dialogs = checked.dialogs;
        QVERIFY(!dialogs.reloadAfterCrash());  // nothing stopped
        const QUrl a = server_.url("/a");
        QVERIFY(checked.loaded(a));
        const qint64 renderer = checked.view.page()->renderProcessPid();
        QVERIFY(renderer > 0);
        checked.messages.clear();
        QVERIFY(::kill(pid_t(renderer), SIGKILL) == 0);
        const QString notice = "The page stopped working. Press Refresh to load it again.";
        QTRY_COMPARE_WITH_TIMEOUT(checked.messages, QStringList({"Done", notice}), kWait);
        QCOMPARE(dialogs.crashedUrl(), a);
        QCOMPARE(checked.view.url(), a);  // the address stays
        QCOMPARE(checked.view.run("document.body.innerText").toString(), notice);

        QSignalSpy loaded(checked.view.page(), &QWebEnginePage::loadFinished);
        QVERIFY(dialogs.reloadAfterCrash());
        QVERIFY(loaded.wait(kWait));
        QCOMPARE(checked.view.title(), QString("Page A"));
        QCOMPARE(dialogs.crashedUrl(), QUrl());
        QVERIFY(!dialogs.reloadAfterCrash());
    }

    void pageScriptDialogsAreShown() {
        QtWebBrowser wb(engine_);
        auto* view = qobject_cast<QWebEngineView*>(wb.widget());
        view->show();
        QSignalSpy done(&wb, &WebBrowser::DocumentComplete);
        wb.Navigate(server_.url("/a").toString());
        QVERIFY(done.wait(kWait));
        QStringList shown;
        QTimer user;  // answers every page dialog with Enter, as a user does
        connect(&user, &QTimer::timeout, this, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<TextDialog*>(widget);
                if (!dialog || !dialog->isVisible() || !dialog->isActiveWindow()) continue;
                shown << dialog->findChild<QLabel*>()->text();
                test::pressKey(dialog, Qt::Key_Return);
            }
        });
        user.start(20);
        QCOMPARE(test::runScript(view, "alert('Hello'); confirm('Go on?')", kWait), QVariant(true));
        QCOMPARE(shown, QStringList({"Hello", "Go on?"}));
    }
};

QTEST_MAIN(TestEngineDialogs)
#include "tst_enginedialogs.moc"
