// The engine's questions to the user, on every engine: the same cases run on WebKitGTK, then on
// Qt WebEngine.
#include <signal.h>

#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QStandardPaths>
#include <QWebEngineView>
#include <QtTest>

#include "app/application.h"
#include "app/enginechoice.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "downloads/downloads.h"
#include "engine/download.h"
#include "engine/enginequestions.h"
#include "engine/webbrowser.h"
#include "engine/webkitgtk/webkitbrowser.h"
#include "forms/prompts.h"
#include "forms/textdialog.h"
#include "pagetools/pagepropertiesdialog.h"
#include "pagetools/pagetools.h"
#include "support/engineview.h"
#include "support/loopbackserver.h"
#include "support/untrustedtls.h"
#include "support/userinput.h"
#include "support/xinput.h"

using namespace skiff;
using test::LoopbackServer;

namespace {

constexpr int kWait = 30000;

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

// The processes started by this one, and theirs, that are named `name`.
QList<pid_t> descendantsNamed(const QByteArray& name) {
    QHash<pid_t, pid_t> parents;
    QHash<pid_t, QByteArray> names;
    for (QDirIterator it("/proc"); it.hasNext();) {
        bool number = false;
        const pid_t pid = it.next().section('/', -1).toInt(&number);
        QFile stat(it.filePath() + "/stat");
        if (!number || !stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll();  // pid (name) state ppid ...
        names[pid] = line.mid(line.indexOf('(') + 1, line.lastIndexOf(')') - line.indexOf('(') - 1);
        parents[pid] = line.mid(line.lastIndexOf(')') + 2).split(' ').value(1).toInt();
    }
    QList<pid_t> found;
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        if (!name.startsWith(*it)) continue;  // the kernel keeps 15 characters of a name
        for (pid_t p = parents.value(it.key()); p > 1; p = parents.value(p))
            if (p == getpid()) found << it.key();
    }
    return found;
}

// A component of the engine under test in a window of its own, with the status texts it
// reported since its last load began.
struct TestPage {
    QWidget window;
    WebBrowser* browser;
    QStringList messages;

    TestPage(Engine& engine, bool silent = false)
        : browser(engine.createBrowser(&window, nullptr)) {
        browser->setSilent(silent);
        QObject::connect(browser, &WebBrowser::StatusTextChange, &window,
                         [this](const QString& text) { messages << text; });
        browser->widget()->setParent(&window);
        window.resize(400, 300);
        browser->widget()->resize(window.size());
        window.show();
    }

    // Loads `url` and waits until the load and the messages of its end have come: those
    // posted before the load's end are delivered before a call posted after it.
    bool loaded(const QUrl& url) {
        messages.clear();
        QSignalSpy done(browser, &WebBrowser::DocumentComplete);
        browser->Navigate(url.toString());
        return done.wait(kWait) && settled();
    }
    bool settled() {
        bool settled = false;
        QMetaObject::invokeMethod(
            &window, [&] { settled = true; }, Qt::QueuedConnection);
        return QTest::qWaitFor([&] { return settled; }, kWait);
    }
    // The messages from the browser's own at the end of the load on.
    QStringList fromLoadEnd() const {
        for (qsizetype i = messages.size() - 1; i >= 0; --i)
            if (messages[i] == "Done" || messages[i].startsWith("Could not load"))
                return messages.mid(i);
        return {};
    }
    QString title() const { return browser->LocationName(); }

    // Runs `script` in the page's own world; its result as text, empty when none came.
    QString run(const QString& script) {
        if (auto* webkit = qobject_cast<WebKitBrowser*>(browser)) {
            auto result = std::make_shared<std::optional<QString>>();
            webkit->runScript(
                script, [result](std::optional<QString> text) { *result = text.value_or(""); },
                nullptr);
            (void)QTest::qWaitFor([&] { return result->has_value(); }, kWait);
            return result->value_or("");
        }
        const auto* view = qobject_cast<QWebEngineView*>(browser->widget());
        return test::runScript(const_cast<QWebEngineView*>(view), script, kWait).toString();
    }
    // Where the element `selector` is in the page's widget: its middle.
    QPoint middleOf(const QString& selector) {
        const QStringList box =
            run(QString("(r => [r.x + r.width / 2, r.y + r.height / 2].join(','))"
                        "(document.querySelector('%1').getBoundingClientRect())")
                    .arg(selector))
                .split(',');
        return QPoint(box.value(0).toDouble(), box.value(1).toDouble());
    }

    // Ends the page's engine process, as a crash does. WebKit names no process of a page:
    // every web process of this program ends (tests show one page at a time).
    bool killEngineProcess() {
        if (auto* view = qobject_cast<QWebEngineView*>(browser->widget()))
            return ::kill(pid_t(view->page()->renderProcessPid()), SIGKILL) == 0;
        const QList<pid_t> processes = descendantsNamed("WebKitWebProcess");
        for (pid_t pid : processes) ::kill(pid, SIGKILL);
        return !processes.isEmpty();
    }
};

}  // namespace

class TestEngineDialogs : public QObject {
    Q_OBJECT
public:
    explicit TestEngineDialogs(std::unique_ptr<Engine> engine) : app_(std::move(engine)) {}

private:
    LoopbackServer server_;
    // The program, whose download windows handle the downloads of its engine.
    Application app_;
    Engine& engine_ = app_.engine();
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

    // Answers every page dialog with Enter, as a user does, while the timer it returns lives;
    // `shown` gets their texts, with their titles when `titled` ("a.test says: Hello").
    std::unique_ptr<QTimer> answerPageDialogs(QStringList& shown, bool titled = false) {
        auto user = std::make_unique<QTimer>();
        connect(user.get(), &QTimer::timeout, this, [&shown, titled] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<TextDialog*>(widget);
                if (!dialog || !dialog->isVisible() || !dialog->isActiveWindow()) continue;
                const QString text = dialog->findChild<QLabel*>()->text();
                shown << (titled ? dialog->windowTitle() + ": " + text : text);
                test::pressKey(dialog, Qt::Key_Return);
            }
        });
        user->start(20);
        return user;
    }

    // The paths the Save dialog suggested; each time, the user chooses `choice`, or the path
    // suggested when `choice` is an empty path.
    QStringList suggested_;
    void answerSave(const std::optional<SaveChoice>& choice) {
        app_.promptAnswers.savePath = [this, choice](const QString& path, const QStringList&) {
            suggested_ << path;
            return choice && choice->path.isEmpty() ? SaveChoice{path, 0} : choice;
        };
    }

    // The path the Save dialog suggests for the download at `path` of the server, where the
    // user chooses no file.
    QString suggestedFor(const QString& path) {
        TestPage page(engine_);
        answerSave(std::nullopt);
        page.browser->Navigate(server_.url(path).toString());
        if (!QTest::qWaitFor([this] { return !suggested_.isEmpty(); }, kWait)) return "not asked";
        return suggested_.takeFirst();
    }

    // Starts the download at `path` of the server, saved where the user chooses; its window.
    DownloadWindow* startDownload(TestPage& page, const QString& path,
                                  const std::optional<SaveChoice>& choice) {
        answerSave(choice);
        page.browser->Navigate(server_.url(path).toString());
        (void)QTest::qWaitFor([] { return downloadWindow() != nullptr; }, kWait);
        return downloadWindow();
    }

private slots:
    void initTestCase() {
        qInfo("Engine: %s", engine_.metaObject()->className());
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
        server_.addPage("/upload",
                        "<title>Upload</title><body style='margin: 0'>"
                        "<input type='file' id='many' multiple style='width: 200px'><br>"
                        "<input type='file' id='one' accept='image/png,.pdf' "
                        "style='width: 200px'></body>");
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
        TestPage page(engine_);
        answerYesNo(allow);
        QUrl url = server_.url("/a");
        url.setHost(host);
        url.setQuery("key=secret");  // not part of the site the question names
        QVERIFY(page.loaded(url));
        const QString ask = "Notification.requestPermission().then(p => document.title = p); 0";
        page.run(ask);
        QTRY_COMPARE_WITH_TIMEOUT(page.title(), state, kWait);
        const QString origin = QString("http://%1:%2").arg(host).arg(server_.port());
        QCOMPARE(questions_,
                 QStringList{origin + " wants to show notifications.\n\nDo you allow it?"});
        // Asked again, the page gets the same answer without a question; so does another page
        // of the site.
        page.run("document.title = ''; " + ask);
        QTRY_COMPARE_WITH_TIMEOUT(page.title(), state, kWait);
        TestPage other(engine_);
        QVERIFY(other.loaded(url));
        other.run(ask);
        QTRY_COMPARE_WITH_TIMEOUT(other.title(), state, kWait);
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
        // Two pages of one engine: the user is asked once per download all the same.
        TestPage page(engine_), other(engine_);
        const QString chosen = files_.filePath(name);
        const QString path = "/" + QFileInfo(name).baseName();
        const qsizetype requestsBefore = server_.requestedPaths().count(path);
        DownloadWindow* window = startDownload(page, path, SaveChoice{chosen, 0});
        QVERIFY(window);
        const auto inState = [&] {
            const QString text = window->stateText();
            return state.endsWith(": ") ? text.startsWith(state) : text == state;
        };
        QTRY_COMPARE_WITH_TIMEOUT(window->progressText(), progress, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(inState(), kWait);
        QCOMPARE(window->path(), chosen);
        QVERIFY(page.messages.contains("Stopped"));  // the page's load, not a failure
        QTest::qWait(3000);  // for a question or a request again, which must not come
        const QString downloads =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(suggested_, QStringList{downloads + "/" + name});
        // The engine's own fresh start of a cut download goes out before it asks for the
        // download again, and is then called off: no further request comes.
        QVERIFY(server_.requestedPaths().count(path) - requestsBefore <= 2);
        QVERIFY(inState());
        QCOMPARE(window->progressText(), progress);

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

    // A download the user cancels leaves a file they chose to replace as it was.
    void cancelledDownloadKeepsTheFileItWouldReplace() {
        TestPage page(engine_);
        const QString chosen = files_.filePath("kept.bin");
        QFile old(chosen);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        DownloadWindow* window = startDownload(page, "/big", SaveChoice{chosen, 0});
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(window->progressText(), QString("1000 bytes of 4.88 KiB"), kWait);
        test::click(window->button());
        QTRY_COMPARE_WITH_TIMEOUT(window->stateText(), QString("Cancelled"), kWait);
        QTest::qWait(500);  // for the engine to tidy up its partial file
        QCOMPARE(test::fileContents(chosen), QByteArray("old"));
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

    // Names that would show as something else are offered cleaned (the engine may have put "_"
    // in place of what hides); one longer than the file system takes is offered shortened so
    // far that the download can be saved under it.
    void downloadNamesAreOfferedSafe_data() {
        QTest::addColumn<QByteArray>("disposition");
        QTest::addColumn<QString>("offered");  // ending in "*": what it starts with
        QTest::newRow("override") << QByteArray(
                                         "attachment; filename*=UTF-8''invoice%E2%80%AEtxt.exe")
                                  << "invoicetxt.exe";
        QTest::newRow("newline") << QByteArray("attachment; filename*=UTF-8''line1%0Aline2.txt")
                                 << "line1line2.txt";
        QTest::newRow("304 characters")
            << "attachment; filename=\"" + QByteArray(300, 'a') + ".pdf\"" << QString("aaaa*");
    }
    void downloadNamesAreOfferedSafe() {
        QFETCH(QByteArray, disposition);
        QFETCH(QString, offered);
        server_.addPageWithHeaders(
            "/named", "bytes",
            {{"Content-Type", "application/octet-stream"}, {"Content-Disposition", disposition}});
        TestPage page(engine_);
        DownloadWindow* window = startDownload(page, "/named", SaveChoice{});
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(window->stateText(), QString("Finished"), kWait);
        const QString name = QFileInfo(window->path()).fileName();
        if (offered.endsWith('*')) {
            QVERIFY(name.startsWith(offered.chopped(1)) && name.endsWith(".pdf"));
            QVERIFY(name.size() > 200 && name.size() < 255);
        } else {
            QCOMPARE(QString(name).remove('_'), offered);
        }
        QCOMPARE(test::fileContents(window->path()), QByteArray("bytes"));
    }

    void downloadRefusedWhenNoFileIsChosen() {
        // Seen after the download handling, which is connected first.
        std::optional<Download::State> state;
        QObject watcher;
        connect(&engine_, &Engine::downloadRequested, &watcher,
                [&](Download* download) { state = download->state(); });
        const QString downloads =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(suggestedFor("/report"), downloads + "/report.bin");
        QTRY_VERIFY_WITH_TIMEOUT(state.has_value(), kWait);
        QCOMPARE(*state, Download::State::Cancelled);
        QTest::qWait(500);
        QCOMPARE(suggested_, QStringList());  // asked once
        QCOMPARE(downloadWindow(), nullptr);
        QVERIFY(!QFile::exists(downloads + "/report.bin"));
    }

    void siteAsksForUserAndPassword() {
        TestPage page(engine_);
        QStringList prompts;
        std::optional<Credentials> answer;
        app_.promptAnswers.credentials = [&](const QString& prompt) {
            prompts << prompt;
            return answer;
        };
        const QString host = server_.hostAndPort();
        // Cancelled: the page is what the server shows to those without entry.
        QVERIFY(page.loaded(server_.url("/staff")));
        QTRY_COMPARE_WITH_TIMEOUT(page.title(), QString("Unauthorized"), kWait);
        QCOMPARE(prompts,
                 QStringList{host + " asks for a user name and password.\nRealm: Staff room"});
        // After the browser's message at the end of the load, which may call the page not loaded.
        QTRY_COMPARE_WITH_TIMEOUT(page.fromLoadEnd().mid(1),
                                  QStringList{"No user name and password given for " + host},
                                  kWait);

        answer = Credentials{"ann", "s3cret"};
        QVERIFY(page.loaded(server_.url("/staff")));
        QTRY_COMPARE_WITH_TIMEOUT(page.title(), QString("Staff only"), kWait);
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(page.fromLoadEnd(), QStringList{"Done"});
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
            TestPage page(engine_, silent);
            QVERIFY(page.loaded(site.url(path)));
            // The user's answer, when asked, comes after the load that asked.
            QTRY_COMPARE_WITH_TIMEOUT(questions_.size(), silent ? 0 : 1, kWait);
            QTRY_COMPARE_WITH_TIMEOUT(page.title() == "Secure", loads, kWait);
            QCOMPARE(site.requestedPaths().contains(path), loads);
            if (loads) continue;
            QTRY_VERIFY_WITH_TIMEOUT(page.messages.last().startsWith(refusal), kWait);
            QCOMPARE(page.fromLoadEnd().size(), 2);
        }
        if (silent) return;
        QVERIFY(
            questions_.first().startsWith("The security certificate of 127.0.0.1 is not valid:\n"));
        QVERIFY(questions_.first().contains("Address: " + site.url("/secure").toString()));
        if (!loads) return;

        // The page is not counted as secure.
        TestPage page(engine_);
        QVERIFY(page.loaded(site.url("/secure")));
        PageTools tools(page.browser);
        if (!tools.showProperties()) QSKIP("This engine shows no page properties yet");
        QTRY_VERIFY_WITH_TIMEOUT(tools.propertiesDialog(), kWait);
        QCOMPARE(tools.propertiesDialog()->valueOf("Protocol:"), QString("https"));
        QCOMPARE(tools.propertiesDialog()->valueOf("Secure connection:"),
                 QString("No (the certificate is not valid)"));
    }

    // The page's file box asks with the program's own file dialog, for several files where it
    // takes several, offering the kinds it takes; Cancel leaves it without a file.
    void fileBoxAsksForFiles_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("chosen");
        // How many, and the first kinds offered (WebKit offers no endings such as ".pdf").
        QTest::addColumn<QString>("asked");
        QTest::newRow("several") << "#many" << QStringList{"one.txt", "two.txt"} << "several: ";
        QTest::newRow("one") << "#one" << QStringList{"photo.png"}
                             << "one: Files this page takes (*.png";
        QTest::newRow("cancelled") << "#many" << QStringList() << "several: ";
    }
    void fileBoxAsksForFiles() {
        QFETCH(QString, box);
        QFETCH(QStringList, chosen);
        QFETCH(QString, asked);
        QStringList paths;
        for (const QString& name : chosen) {
            QFile file(files_.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
            paths << file.fileName();
        }
        QStringList questions;
        app_.promptAnswers.openFiles = [&](bool multiple, const QStringList& accepted) {
            const QStringList filters = openFileFilters(accepted);
            questions << QString(multiple ? "several: " : "one: ") +
                             (filters.size() > 1 ? filters.first() : QString());
            return paths;
        };
        TestPage page(engine_);
        QVERIFY(page.loaded(server_.url("/upload")));
        QVERIFY(QTest::qWaitForWindowExposed(page.browser->widget()));
        test::x11::click(page.browser->widget(), page.middleOf(box));
        QTRY_COMPARE_WITH_TIMEOUT(questions.size(), 1, kWait);
        QVERIFY2(questions.first().startsWith(asked), qPrintable(questions.first()));
        const QString names = QString(
                                  "[...document.querySelector('%1').files]"
                                  ".map(f => f.name).join(',')")
                                  .arg(box);
        QTRY_COMPARE_WITH_TIMEOUT(page.run(names), chosen.join(','), kWait);
    }

    void stoppedProcessLeavesANoticeAndRefreshLoadsThePageAgain() {
        TestPage page(engine_);
        const QUrl a = server_.url("/a");
        QVERIFY(page.loaded(a));
        page.messages.clear();
        QVERIFY(page.killEngineProcess());
        const QString notice = enginequestions::kCrashMessage;
        QTRY_COMPARE_WITH_TIMEOUT(page.fromLoadEnd(), QStringList({"Done", notice}), kWait);
        QCOMPARE(page.browser->LocationURL(), a.toString());  // the address stays
        QCOMPARE(page.run("document.body.innerText"), notice);

        // Refresh loads the page that stopped, from its server; then it reloads as always.
        for (int refresh = 1; refresh <= 2; ++refresh) {
            const qsizetype requests = server_.requestedPaths().count("/a");
            QSignalSpy loaded(page.browser, &WebBrowser::DocumentComplete);
            page.browser->Refresh();
            QVERIFY(loaded.wait(kWait));
            QTRY_COMPARE_WITH_TIMEOUT(page.title(), QString("Page A"), kWait);
            QCOMPARE(server_.requestedPaths().count("/a"), requests + 1);
        }
    }

    // A page whose script runs without end keeps the user neither from another page nor from
    // loading it again: its engine process is ended, and the status text says so.
    void pageThatDoesNotAnswerIsLeft() {
        const QString notResponding = "The page was not responding and was stopped.";
        server_.addPage("/b", "<title>Page B</title><p>B</p>");
        TestPage page(engine_);
        const auto hang = [&] {
            QVERIFY(page.loaded(server_.url("/a")));
            page.run("setTimeout(() => { for (;;) {} }, 100); 0");
            QTest::qWait(500);
            page.messages.clear();
        };
        hang();
        page.browser->Navigate(server_.url("/b").toString());
        QTRY_COMPARE_WITH_TIMEOUT(page.title(), QString("Page B"), kWait);
        // The last word, after the load's own.
        QTRY_COMPARE_WITH_TIMEOUT(page.messages.value(page.messages.size() - 1), notResponding,
                                  kWait);
        hang();
        const qsizetype requests = server_.requestedPaths().count("/a");
        page.browser->Refresh();
        QTRY_COMPARE_WITH_TIMEOUT(server_.requestedPaths().count("/a"), requests + 1, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(page.run("document.title"), QString("Page A"), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(page.messages.value(page.messages.size() - 1), notResponding,
                                  kWait);
        QVERIFY(page.loaded(server_.url("/b")));
        hang();
        QVERIFY(page.browser->GoBack());
        QTRY_COMPARE_WITH_TIMEOUT(page.title(), QString("Page B"), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(page.messages.value(page.messages.size() - 1), notResponding,
                                  kWait);
    }

    void pageScriptDialogsAreShown() {
        TestPage page(engine_);
        QVERIFY(page.loaded(server_.url("/a")));
        QStringList shown;
        const auto user = answerPageDialogs(shown);
        QCOMPARE(page.run("alert('Hello'); confirm('Go on?')"), QString("true"));
        QCOMPARE(shown, QStringList({"Hello", "Go on?"}));
    }

    // A dialog or question names the site of the frame that asks, without the rest of its
    // address, also when the page is being left for another site.
    void dialogsAndQuestionsNameTheSiteThatAsks() {
        const QString top = server_.hostAndPort();
        const QString frame = QString("localhost:%1").arg(server_.port());
        server_.addPage("/frame", "<script>onload = () => alert('From the frame')</script>");
        server_.addPage("/framed", QString("<title>Framed</title><iframe src='http://%1/frame?key="
                                           "secret'></iframe>")
                                       .arg(frame)
                                       .toUtf8());
        QTcpServer silent;  // takes connections and never answers: a load that never commits
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        TestPage page(engine_);
        QStringList shown;
        const auto user = answerPageDialogs(shown, true);
        QVERIFY(page.loaded(server_.url("/framed?key=secret")));
        QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList{frame + " says: From the frame"}, kWait);
        QCOMPARE(page.run("alert('From the page'); 1"), QString("1"));
        // While it is being left for another site that has not answered yet, the page's
        // dialogs and questions still name it, not the site to come. (Its site may have been
        // decided on by an earlier case, and is then not asked.)
        answerYesNo(false);
        page.run(QString("location = 'http://localhost:%1/'; setTimeout(() => {"
                         "  document.title = confirm('Stay?');"
                         "  Notification.requestPermission().then(p => document.title += ' ' + p);"
                         "}, 500); 0")
                     .arg(silent.serverPort()));
        QTRY_COMPARE_WITH_TIMEOUT(page.title(), QString("true denied"), kWait);
        QCOMPARE(shown, QStringList({frame + " says: From the frame", top + " says: From the page",
                                     top + " says: Stay?"}));
        for (const QString& question : questions_)
            QVERIFY2(question.startsWith("http://" + top + " wants"), qPrintable(question));
    }
};

// The same cases on each engine in turn.
int main(int argc, char** argv) {
    QApplication toolkit(argc, argv);
    toolkit.setAttribute(Qt::AA_Use96Dpi, true);
    QTEST_SET_MAIN_SOURCE_PATH
    int failed = 0;
    for (EngineKind kind : {EngineKind::WebKitGtk, EngineKind::QtWebEngine}) {
        QString error;
        std::unique_ptr<Engine> engine = makeEngine(kind, &error);
        if (!engine) qFatal("%s", qPrintable(error));
        TestEngineDialogs test(std::move(engine));
        failed += QTest::qExec(&test, argc, argv);
    }
    return failed;
}

#include "tst_enginedialogs.moc"
