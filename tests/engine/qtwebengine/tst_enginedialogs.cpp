#include <signal.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStandardPaths>
#include <QWebEngineCertificateError>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QtTest>

#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "engine/qtwebengine/enginedialogs.h"
#include "engine/qtwebengine/qtengine.h"
#include "engine/qtwebengine/qtwebbrowser.h"
#include "engine/webbrowser.h"
#include "forms/prompts.h"
#include "forms/textdialog.h"
#include "pagetools/downloads.h"
#include "pagetools/pageproperties.h"
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

// A view whose certificate errors go to its engine dialogs, silent or not. Its status messages
// are gathered as a browser shows them, with the browser's own message at the end of each
// load ("Done"), connected last so that it comes last.
struct CheckedView {
    EngineView view;
    EngineDialogs dialogs{view.page()};
    QStringList messages;

    explicit CheckedView(bool silent = false) {
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
    QtEngine engine_;  // the engine whose downloads the program's download windows handle
    Downloads downloads_{&engine_};
    QTemporaryDir files_;
    QTemporaryDir tlsFolder_;
    std::optional<QSslConfiguration> tls_;

    // The questions asked, and the answer given to each.
    QStringList questions_;
    bool answer_ = false;

    void answerYesNo(bool answer) {
        answer_ = answer;
        setPromptAnswers({.yesNo = [this](const QString& question) {
            questions_ << question;
            return answer_;
        }});
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
        server_.addProtectedPage("/staff", "<title>Staff only</title>", "Staff room", "ann",
                                 "s3cret");
    }

    void cleanup() {
        setPromptAnswers({});
        questions_.clear();
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
        EngineView view;
        EngineDialogs dialogs(view.page());
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
        // Asked again, the page gets the same answer without a question.
        view.run("document.title = ''; " + ask);
        QTRY_COMPARE_WITH_TIMEOUT(view.title(), state, kWait);
        QCOMPARE(questions_.size(), 1);
    }

    void downloadIsSavedWhereTheUserChose() {
        // Two pages of one profile: the user is asked once per download all the same.
        EngineView view;
        EngineDialogs dialogs(view.page());
        EngineView other;
        EngineDialogs otherDialogs(other.page());
        QStringList suggested;
        const QString chosen = files_.filePath("chosen.bin");
        setPromptAnswers({.savePath = [&](const QString& path, const QStringList&) {
            suggested << path;
            return std::optional<SaveChoice>({chosen, 0});
        }});
        view.page()->load(server_.url("/report"));
        QTRY_VERIFY_WITH_TIMEOUT(downloadWindow(), kWait);
        DownloadWindow* window = downloadWindow();
        QTRY_COMPARE_WITH_TIMEOUT(window->stateText(), QString("Finished"), kWait);
        QCOMPARE(test::fileContents(chosen), patternOf(3000));
        const QString downloads =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(suggested, QStringList{downloads + "/report.bin"});
        QCOMPARE(window->path(), chosen);
        // 3000 bytes are 2.93 KiB.
        QCOMPARE(window->progressText(), QString("2.93 KiB of 2.93 KiB"));
        QCOMPARE(window->button()->Caption(), QString("CLOSE"));
        QPointer<DownloadWindow> guard(window);
        test::click(window->button());
        QTRY_VERIFY(!guard);  // closed and gone
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
            EngineView view;
            EngineDialogs dialogs(view.page());
            QString suggested;
            setPromptAnswers({.savePath = [&](const QString& path, const QStringList&) {
                suggested = path;
                return std::optional<SaveChoice>();
            }});
            view.page()->load(server_.url("/report"));
            QTRY_VERIFY_WITH_TIMEOUT(!suggested.isEmpty(), kWait);
            QCOMPARE(suggested, folder + "/report.bin");
            QVERIFY(QFileInfo(folder).isDir());
        }
        qputenv("HOME", home);
    }

    void downloadRefusedWhenNoFileIsChosen() {
        EngineView view;
        EngineDialogs dialogs(view.page());
        int questions = 0;
        setPromptAnswers({.savePath = [&](const QString&, const QStringList&) {
            ++questions;
            return std::optional<SaveChoice>();
        }});
        // Seen after the download handling, which is connected first.
        std::optional<QWebEngineDownloadRequest::DownloadState> state;
        connect(view.page()->profile(), &QWebEngineProfile::downloadRequested, this,
                [&](QWebEngineDownloadRequest* request) { state = request->state(); });
        view.page()->load(server_.url("/report"));
        QTRY_VERIFY_WITH_TIMEOUT(state.has_value(), kWait);
        QCOMPARE(*state, QWebEngineDownloadRequest::DownloadCancelled);
        QCOMPARE(questions, 1);
        QCOMPARE(downloadWindow(), nullptr);
        QVERIFY(!QFile::exists(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) +
                               "/report.bin"));
    }

    void downloadCanBeCancelled() {
        EngineView view;
        EngineDialogs dialogs(view.page());
        const QString chosen = files_.filePath("big.bin");
        setPromptAnswers({.savePath = [&](const QString&, const QStringList&) {
            return std::optional<SaveChoice>({chosen, 0});
        }});
        view.page()->load(server_.url("/big"));
        QTRY_VERIFY_WITH_TIMEOUT(downloadWindow(), kWait);
        DownloadWindow* window = downloadWindow();
        // The server sends 1000 of 5000 bytes (4.88 KiB), then nothing more.
        QTRY_COMPARE_WITH_TIMEOUT(window->progressText(), QString("1000 bytes of 4.88 KiB"), kWait);
        QCOMPARE(window->stateText(), QString("Downloading..."));
        QCOMPARE(window->button()->Caption(), QString("CANCEL"));
        test::click(window->button());
        QTRY_COMPARE_WITH_TIMEOUT(window->stateText(), QString("Cancelled"), kWait);
        QCOMPARE(window->button()->Caption(), QString("CLOSE"));
        QVERIFY(window->isVisible());
        QVERIFY(!QFile::exists(chosen));
    }

    void siteAsksForUserAndPassword() {
        CheckedView checked;
        QStringList prompts;
        std::optional<Credentials> answer;
        setPromptAnswers({.credentials = [&](const QString& prompt) {
            prompts << prompt;
            return answer;
        }});
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

    void silentRefusesAnInvalidCertificateAndSaysWhy() {
        if (!tls_) QSKIP("openssl could not make a certificate");
        LoopbackServer secure(*tls_);
        secure.addPage("/secure", "<title>Secure</title>");
        CheckedView checked(true);
        answerYesNo(true);
        QVERIFY(checked.loaded(secure.url("/secure")));
        QVERIFY(questions_.isEmpty());
        QVERIFY(!secure.requestedPaths().contains("/secure"));
        QVERIFY(checked.view.title() != "Secure");
        // The reason outlasts the browser's own message at the end of the load.
        QCOMPARE(checked.messages.size(), 2);
        QVERIFY(checked.messages.last().startsWith(
            "Not loaded: the security certificate of 127.0.0.1 is not valid ("));
        QVERIFY(!EngineDialogs::certificateOverridden(secure.url("/")));
    }

    void userDecidesOnAnInvalidCertificate() {
        if (!tls_) QSKIP("openssl could not make a certificate");
        LoopbackServer refused(*tls_);
        refused.addPage("/secure", "<title>Secure</title>");
        CheckedView checked;
        answerYesNo(false);
        QVERIFY(checked.loaded(refused.url("/secure")));
        QCOMPARE(questions_.size(), 1);
        QVERIFY(
            questions_.first().startsWith("The security certificate of 127.0.0.1 is not valid:\n"));
        QVERIFY(questions_.first().contains("Address: " + refused.url("/secure").toString()));
        QVERIFY(!refused.requestedPaths().contains("/secure"));
        QCOMPARE(checked.messages.size(), 2);
        QVERIFY(checked.messages.last().startsWith("Not loaded: "));
        QVERIFY(!EngineDialogs::certificateOverridden(refused.url("/")));

        LoopbackServer accepted(*tls_);
        accepted.addPage("/secure", "<title>Secure</title>");
        answerYesNo(true);
        QVERIFY(checked.loaded(accepted.url("/secure")));
        QCOMPARE(checked.view.title(), QString("Secure"));
        QCOMPARE(questions_.size(), 2);
        QCOMPARE(checked.messages, QStringList{"Done"});
        QVERIFY(EngineDialogs::certificateOverridden(accepted.url("/")));
        // The page is not counted as secure.
        QtWebBrowser browser;
        QSignalSpy loaded(&browser, &WebBrowser::DocumentComplete);
        browser.Navigate(accepted.url("/secure").toString());
        QVERIFY(loaded.wait(kWait));
        PageTools tools(&browser);
        QVERIFY(tools.showProperties());
        QTRY_VERIFY_WITH_TIMEOUT(tools.propertiesDialog(), kWait);
        QCOMPARE(tools.propertiesDialog()->valueOf("Protocol:"), QString("https"));
        QCOMPARE(tools.propertiesDialog()->valueOf("Secure connection:"),
                 QString("No (the certificate is not valid)"));
    }

    void stoppedRendererLeavesANoticeAndRefreshLoadsThePageAgain() {
        CheckedView checked;
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
        QtWebBrowser wb;
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
        QVariant result;
        bool finished = false;
        view->page()->runJavaScript("alert('Hello'); confirm('Go on?')", [&](const QVariant& v) {
            result = v;
            finished = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(finished, kWait);
        QCOMPARE(shown, QStringList({"Hello", "Go on?"}));
        QCOMPARE(result, QVariant(true));
    }
};

QTEST_MAIN(TestEngineDialogs)
#include "tst_enginedialogs.moc"
