#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QtTest>

#include "app/application.h"
#include "app/enginechoice.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "engine/engine.h"
#include "engine/webbrowser.h"
#include "forms/messagebox.h"
#include "forms/prompts.h"
#include "pagetools/findbar.h"
#include "pagetools/pagepropertiesdialog.h"
#include "pagetools/pagetools.h"
#include "support/engineview.h"
#include "support/loopbackserver.h"
#include "support/scriptedengine.h"
#include "support/userinput.h"

using namespace skiff;
using test::LoopbackServer;
using Command = WebBrowser::Command;
using SaveFormat = WebBrowser::SaveFormat;

namespace {

// Whether the screen shows `widget` as it draws itself, nothing covering it.
bool shownOnScreen(QWidget* widget) {
    const QImage drawn = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    const QImage shown = widget->screen()
                             ->grabWindow(0, at.x(), at.y(), widget->width(), widget->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    if (shown.size() != drawn.size()) return false;
    qsizetype same = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) same += drawn.pixel(x, y) == shown.pixel(x, y);
    }
    return same >= drawn.width() * drawn.height() * 9 / 10;  // a blinking caret aside
}

bool writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

constexpr int kWait = test::EngineView::kWait;

// The engines under test: the one SKIFF_ENGINE names, or both.
QList<EngineKind> enginesUnderTest() {
    const QString named = qEnvironmentVariable("SKIFF_ENGINE");
    if (named.isEmpty()) return {EngineKind::WebKitGtk, EngineKind::QtWebEngine};
    return {chooseEngine(named, {}, nullptr).value_or(EngineKind::WebKitGtk)};
}

// A web component of the engine under test, shown filling a window.
struct Browser {
    QWidget window;
    WebBrowser& wb;
    explicit Browser(Engine& engine) : wb(*engine.createBrowser(&window, nullptr)) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(wb.widget());
        window.resize(400, 300);
        window.show();
    }
    QWidget* view() { return wb.widget(); }
    // Loads `url` and waits until the load ends, well or not.
    bool loaded(const QUrl& url) {
        QSignalSpy done(&wb, &WebBrowser::DocumentComplete);
        wb.Navigate(url.toString());
        return done.wait(kWait);
    }
    // The properties of the page on display, once gathered.
    std::optional<PageProperties> properties() {
        std::optional<PageProperties> found;
        if (!wb.pageProperties([&](const PageProperties& p) { found = p; })) return std::nullopt;
        if (!QTest::qWaitFor([&] { return found.has_value(); }, kWait)) return std::nullopt;
        return found;
    }
};

}  // namespace

class TestPageTools : public QObject {
    Q_OBJECT
private:
    LoopbackServer server_;
    QTemporaryDir files_;
    QList<std::pair<QString, QByteArray>> resources_;  // of the page /dressed, by file name
    // The program, with the engine under test and the download windows that handle its
    // downloads.
    Application app_;
    Engine& engine_ = app_.engine();

    // The result the find bar shows after `step`.
    static QString resultAfter(FindBar* bar, const std::function<void()>& step) {
        QSignalSpy shown(bar, &FindBar::resultShown);
        step();
        if (shown.isEmpty() && !shown.wait(kWait)) return "no result";
        return bar->resultText();
    }

public:
    explicit TestPageTools(EngineKind kind) : app_(makeEngine(kind, nullptr)) {}

    // The result the find bar shows after typing that makes `searches` searches.
    static QString resultAfterTyping(FindBar* bar, const std::function<void()>& typing,
                                     int searches) {
        QSignalSpy shown(bar, &FindBar::resultShown);
        typing();
        if (!QTest::qWaitFor([&] { return shown.size() >= searches; }, kWait)) return "no result";
        QTest::qWait(100);  // and no more
        return shown.size() == searches ? bar->resultText() : "too many results";
    }

private slots:
    void initTestCase() {
        QVERIFY(server_.port() != 0);
        QVERIFY(files_.isValid());
        server_.addPage("/tools",
                        "<html><head><title>Tools/test: page?</title></head>"
                        "<body><p>Saved words: marmalade quince</p></body></html>");
        server_.addPage("/fruit",
                        "<title>Fruit</title><p>apple banana Apple</p><p>pineapple apple</p>");
        // 41 bytes, the e with acute accent being one byte in Latin-1.
        server_.addPageWithHeaders("/old", "<title>Caf\xe9</title><p>Menu of the day</p>",
                                   {{"Content-Type", "text/html; charset=iso-8859-1"},
                                    {"Last-Modified", "Tue, 15 Nov 1994 12:45:26 GMT"}});
        server_.addPage("/slow", "<title>Slow</title><p>never complete</p>");
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        picture.save(&png, "PNG");
        resources_ = {{"pic.png", png.data()},
                      {"style.css", "p { color: brown }"},
                      {"tool.js", "document.title += '!';"}};
        server_.addPage("/pic.png", resources_[0].second, "image/png");
        server_.addPage("/style.css", resources_[1].second, "text/css");
        server_.addPage("/tool.js", resources_[2].second, "text/javascript");
        server_.addPage("/dressed",
                        "<html><head><title>Dressed</title><link rel=stylesheet href=style.css>"
                        "<script src=/tool.js></script></head>"
                        "<body><img src=pic.png><p>sweet pickle</p></body></html>");
        server_.stallAfter("/slow", 10);
    }

    void cleanup() { app_.promptAnswers = {}; }

    // The tools work on any engine through its interface: here a scripted one, reached through
    // the component's ExecWB as the browser window's menus reach it.
    void toolsWorkThroughTheEngineInterface() {
        test::ScriptedBrowser wb;
        wb.passCommands = true;
        wb.widget()->resize(400, 300);
        QVERIFY(test::showActive(wb.widget()));
        PageTools tools(&wb);
        QSignalSpy messages(&tools, &PageTools::statusMessage);
        wb.ready = false;
        for (Command command : {Command::Find, Command::Properties, Command::SaveAs})
            QVERIFY(!wb.ExecWB(command, WebBrowser::kDoDefault));
        wb.ready = true;

        wb.locationName = "Notes: today";
        QString suggested;
        app_.promptAnswers.savePath = [&](const QString& path, const QStringList&) {
            suggested = path;
            return std::optional<SaveChoice>({files_.filePath("notes"), 1});
        };
        QVERIFY(wb.ExecWB(Command::SaveAs, WebBrowser::kDoDefault));
        QCOMPARE(QFileInfo(suggested).fileName(), QString("Notes_ today.html"));
        QCOMPARE(wb.saved, (QList<QPair<QString, SaveFormat>>{
                               {files_.filePath("notes.mhtml"), SaveFormat::SingleFile}}));
        QCOMPARE(messages.last().first().toString(),
                 "Saved the page as " + files_.filePath("notes.mhtml"));
        QVERIFY(tools.printToPdf(files_.filePath("notes.pdf")));
        QCOMPARE(wb.printed, QStringList{files_.filePath("notes.pdf")});

        wb.properties = PageProperties{.title = "Notes", .protocol = "https", .size = 12};
        QVERIFY(wb.ExecWB(Command::Properties, WebBrowser::kDoDefault));
        QCOMPARE(tools.propertiesDialog()->valueOf("Title:"), QString("Notes"));
        QCOMPARE(tools.propertiesDialog()->valueOf("Size:"), QString("12 bytes"));
        tools.propertiesDialog()->close();

        wb.findResult = {2, 5};
        QVERIFY(wb.ExecWB(Command::Find, WebBrowser::kDoDefault));
        test::type(wb.widget(), "n");
        QCOMPARE(tools.findBar()->resultText(), QString("2 of 5"));
        test::click(tools.findBar()->findChild<QCheckBox*>());
        test::click(tools.findBar()->findChild<xpcmdbutton*>("xpcmdPrevious"));
        QCOMPARE(wb.searches.last(), std::make_tuple(QString("n"), true, true));
        test::pressKey(wb.widget(), Qt::Key_Escape);
        QVERIFY(!tools.findBar()->isVisible());
        QCOMPARE(wb.searches.last(), std::make_tuple(QString(), false, false));
    }

    void toolsRefuseWithoutAFinishedPage() {
        int questions = 0;
        app_.promptAnswers = PromptAnswers{
            .savePath = [&](const QString&, const QStringList&) -> std::optional<SaveChoice> {
                ++questions;
                return SaveChoice{files_.filePath("refused.mhtml"), 1};
            },
            .printSettings =
                [&](QPrinter*) {
                    ++questions;
                    return true;
                }};
        const auto refusesAll = [&](PageTools& tools) {
            for (Command command :
                 {Command::Find, Command::Properties, Command::Print, Command::SaveAs}) {
                if (tools.exec(command)) return false;
            }
            return !tools.printToPdf(files_.filePath("refused.pdf")) &&
                   !tools.save(files_.filePath("refused.html"), SaveFormat::CompleteHtml);
        };

        Browser browser(engine_);
        PageTools tools(&browser.wb);
        QVERIFY(refusesAll(tools));  // nothing loaded yet
        QVERIFY(browser.loaded(QUrl("about:blank")));
        QVERIFY(refusesAll(tools));
        // A page whose server stops half-way stays loading.
        QSignalSpy started(&browser.wb, &WebBrowser::DownloadBegin);
        browser.wb.Navigate(server_.url("/slow").toString());
        QVERIFY(started.wait(kWait));
        QVERIFY(refusesAll(tools));
        QVERIFY(browser.loaded(server_.url("/fruit")));
        QVERIFY(!tools.exec(Command::NavigateBack));  // not a command of the tools
        // The view goes with its window.
        delete browser.view();
        QVERIFY(refusesAll(tools));
        QCOMPARE(questions, 0);
        QCOMPARE(tools.findBar(), nullptr);
        QCOMPARE(QDir(files_.path()).entryList(QDir::Files), QStringList());
    }

    // Printing to a file needs no question; printing asks for the printer first.
    void printWritesAPdfFile() {
        Browser view(engine_);
        PageTools tools(&view.wb);
        QVERIFY(view.loaded(server_.url("/tools")));
        QSignalSpy finished(&tools, &PageTools::printFinished);
        QSignalSpy messages(&tools, &PageTools::statusMessage);
        const QString path = files_.filePath("direct.pdf");
        QVERIFY(tools.printToPdf(path));
        // One print at a time.
        QVERIFY(!tools.printToPdf(files_.filePath("second.pdf")));
        QVERIFY(finished.wait(kWait));
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(test::fileContents(path).startsWith("%PDF"));
        QVERIFY(!QFile::exists(files_.filePath("second.pdf")));
        QCOMPARE(messages.last().first().toString(), QString("The page was printed."));

        const QString asked = files_.filePath("asked.pdf");
        app_.promptAnswers.printSettings = [](QPrinter*) { return false; };
        QVERIFY(!tools.exec(Command::Print));
        app_.promptAnswers.printSettings = [&](QPrinter* printer) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(asked);
            printer->setPageSize(QPageSize(QPageSize::A5));
            printer->setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        QVERIFY(tools.exec(Command::Print));
        QVERIFY(finished.wait(kWait));
        QCOMPARE(finished.size(), 2);  // the declined print printed nothing
        const QByteArray pdf = test::fileContents(asked);
        QVERIFY(pdf.startsWith("%PDF"));
        // The page is as the dialog chose it: A5 (420 by 595 points), lying on its side.
        static const QRegularExpression mediaBox(R"(/MediaBox\s*\[\s*0 0 ([\d.]+) ([\d.]+))");
        const QRegularExpressionMatch box = mediaBox.match(QString::fromLatin1(pdf));
        QVERIFY(box.hasMatch());
        QCOMPARE(qRound(box.captured(1).toDouble()), 595);
        QCOMPARE(qRound(box.captured(2).toDouble()), 420);
    }

    // The program's download windows, on the same engine, ask nothing about saved pages.
    void saveAsOffersBothTypesAndSavesTheChosenOne() {
        Browser view(engine_);
        PageTools tools(&view.wb);
        QVERIFY(view.loaded(server_.url("/tools")));
        int questions = 0;
        QString suggested;
        QStringList offered;
        SaveChoice choice;
        app_.promptAnswers.savePath = [&](const QString& path, const QStringList& filters) {
            ++questions;
            suggested = path;
            offered = filters;
            return std::optional<SaveChoice>(choice);
        };
        QSignalSpy finished(&tools, &PageTools::saveFinished);
        // WebKit may tell the title just after the end of the load.
        QTRY_COMPARE_WITH_TIMEOUT(view.wb.LocationName(), QString("Tools/test: page?"), kWait);

        // A name without a suffix gets the suffix of the chosen type. An old file of that name
        // is replaced whole.
        const QString single = files_.filePath("single.mhtml");
        QVERIFY(writeFile(single, QByteArray(100000, 'x')));
        choice = {files_.filePath("single"), 1};
        QVERIFY(tools.exec(Command::SaveAs));
        QVERIFY(finished.wait(kWait));
        QCOMPARE(finished.last(), QVariantList({single, true}));
        QCOMPARE(questions, 1);
        const QByteArray archive = test::fileContents(single);
        QVERIFY(archive.contains("Content-Type: multipart/related"));
        QVERIFY(!archive.contains("xxxxxxxx"));
        // The page's text is quoted-printable, its lines broken by "=" at the end.
        QVERIFY(QByteArray(archive).replace("=\r\n", "").contains("marmalade quince"));

        const QString downloads =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(suggested, downloads + "/Tools_test_ page_.html");
        QCOMPARE(offered,
                 QStringList({"Web page, complete (*.html)", "Web page, single file (*.mhtml)"}));

        // The other type's suffix gives way to the chosen type's.
        choice = {files_.filePath("complete.mhtml"), 0};
        QVERIFY(tools.exec(Command::SaveAs));
        QVERIFY(finished.wait(kWait));
        const QString complete = files_.filePath("complete.html");
        QCOMPARE(finished.last(), QVariantList({complete, true}));
        const QByteArray markup = test::fileContents(complete);
        QVERIFY(markup.contains("<title>Tools/test: page?</title>"));
        QVERIFY(markup.contains("marmalade quince"));
        QVERIFY(!markup.contains("multipart/related"));
        QVERIFY(QDir(files_.path()).entryList({".skiff-*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    // A complete page keeps its images, style sheets and scripts in a folder beside it, where the
    // saved page refers to them.
    void completePageKeepsItsResourcesInAFolder() {
        Browser view(engine_);
        PageTools tools(&view.wb);
        QVERIFY(view.loaded(server_.url("/dressed")));
        QSignalSpy finished(&tools, &PageTools::saveFinished);
        const QString path = files_.filePath("dressed.html");
        QVERIFY(tools.save(path, SaveFormat::CompleteHtml));
        QVERIFY(finished.wait(kWait));
        QCOMPARE(finished.last(), QVariantList({path, true}));
        const QByteArray markup = test::fileContents(path);
        const QDir folder(files_.filePath("dressed_files"));
        for (const auto& [name, contents] : resources_) {
            QVERIFY2(markup.contains(("dressed_files/" + name).toUtf8()), qPrintable(name));
            QCOMPARE(test::fileContents(folder.filePath(name)), contents);
        }
        QVERIFY(!markup.contains(server_.url("/pic.png").toEncoded()));
        QVERIFY(markup.contains("sweet pickle"));
    }

    // A save or print into a folder that is not there fails with a message box, besides the
    // status text that the next link under the pointer would write over.
    void saveAndPrintIntoAMissingFolderSayTheyFailed() {
        Browser view(engine_);
        PageTools tools(&view.wb);
        QVERIFY(view.loaded(server_.url("/tools")));
        QList<QStringList> boxes;
        app_.messageSink = [&](const QString& text, const QString& title) {
            boxes.append({text, title});
        };
        QSignalSpy saved(&tools, &PageTools::saveFinished);
        QSignalSpy printed(&tools, &PageTools::printFinished);
        QSignalSpy messages(&tools, &PageTools::statusMessage);
        const QString path = files_.filePath("missing/page.mhtml");
        QVERIFY(tools.save(path, SaveFormat::SingleFile));
        QVERIFY(saved.wait(kWait));
        QCOMPARE(saved.last(), QVariantList({path, false}));
        const QStringList saveFailed{"Could not save the page as " + path, "Save Page As"};
        QCOMPARE(messages.last().first().toString(), saveFailed[0]);
        QTRY_COMPARE(boxes, QList<QStringList>{saveFailed});

        QVERIFY(tools.printToPdf(files_.filePath("missing/page.pdf")));
        QVERIFY(printed.wait(kWait));
        QCOMPARE(printed.last().first().toBool(), false);
        const QStringList printFailed{"The page could not be printed.", "Print"};
        QTRY_COMPARE(boxes, (QList<QStringList>{saveFailed, printFailed}));
        app_.messageSink = {};
    }

    void findBarFindsForwardAndBackAndSaysNotFound() {
        Browser view(engine_);
        PageTools tools(&view.wb);
        QVERIFY(test::showActive(view.view()));
        QVERIFY(view.loaded(server_.url("/fruit")));
        QVERIFY(tools.exec(Command::Find));
        FindBar* bar = tools.findBar();
        QVERIFY(bar && bar->isVisible());
        QCOMPARE(bar->geometry().bottom(),
                 view.view()->height() - 1);  // along the bottom of the page
        QLineEdit* box = bar->findChild<QLineEdit*>();
        QTRY_VERIFY(box->hasFocus());
        // The screen shows the bar over the page, not the page over the bar.
        QTRY_VERIFY_WITH_TIMEOUT(shownOnScreen(bar), kWait);

        // "apple" is in the page four times, twice in "pineapple" and "Apple" ignoring case.
        // Typing searches as the text changes, one answer for each key; the last search's result
        // stays.
        QCOMPARE(resultAfterTyping(
                     bar, [&] { test::type(view.view(), "apple"); }, 5),
                 QString("1 of 4"));
        auto button = [bar](const char* name) { return bar->findChild<xpcmdbutton*>(name); };
        QCOMPARE(resultAfter(bar, [&] { test::pressKey(view.view(), Qt::Key_Return); }),
                 QString("2 of 4"));
        QCOMPARE(resultAfter(bar, [&] { test::click(button("xpcmdNext")); }), QString("3 of 4"));
        // The buttons leave the keyboard focus in the text box.
        QCOMPARE(resultAfter(
                     bar, [&] { test::pressKey(view.view(), Qt::Key_Return, Qt::ShiftModifier); }),
                 QString("2 of 4"));
        QCOMPARE(resultAfter(bar, [&] { test::click(button("xpcmdPrevious")); }),
                 QString("1 of 4"));
        QCOMPARE(resultAfter(bar, [&] { test::click(button("xpcmdPrevious")); }),
                 QString("4 of 4"));
        // Matching case leaves out "Apple" and starts again from the top.
        QCOMPARE(resultAfter(bar, [&] { test::click(bar->findChild<QCheckBox*>()); }),
                 QString("1 of 3"));
        QCOMPARE(resultAfterTyping(
                     bar, [&] { test::retype(box, "Apple"); }, 5),
                 QString("1 of 1"));
        QCOMPARE(resultAfterTyping(
                     bar, [&] { test::retype(box, "cherry"); }, 6),
                 QString("Not found"));

        test::pressKey(view.view(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        // Opening again keeps the one bar and selects the last words.
        QVERIFY(tools.find());
        QCOMPARE(view.view()->findChildren<FindBar*>().size(), 1);
        QVERIFY(bar->isVisible());
        QCOMPARE(box->selectedText(), QString("cherry"));
    }

    // The properties of the page, and the dialog that shows them.
    void propertiesDescribeTheServedPage() {
        Browser view(engine_);
        PageTools tools(&view.wb);
        QVERIFY(view.loaded(server_.url("/old")));
        const auto old = view.properties();
        QVERIFY(old);
        QCOMPARE(old->title, QString("Café"));
        QCOMPARE(old->address, server_.url("/old").toString());
        QCOMPARE(old->protocol, QString("http"));
        QCOMPARE(old->type, QString("text/html"));
        // Pages labelled Latin-1 are read as its superset windows-1252.
        QCOMPARE(old->encoding, QString("windows-1252"));
        QCOMPARE(old->size, 41);
        QVERIFY(!old->sizeFromMarkup);
        QVERIFY(!old->secure);
        QCOMPARE(old->modified, QDateTime(QDate(1994, 11, 15), QTime(12, 45, 26), Qt::UTC));
        QVERIFY(tools.exec(Command::Properties));
        QTRY_VERIFY_WITH_TIMEOUT(tools.propertiesDialog() && tools.propertiesDialog()->isVisible(),
                                 kWait);
        PagePropertiesDialog* dialog = tools.propertiesDialog();
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->valueOf("Title:"), QString("Café"));
        QCOMPARE(dialog->valueOf("Address:"), server_.url("/old").toString());
        QCOMPARE(dialog->valueOf("Protocol:"), QString("http"));
        QCOMPARE(dialog->valueOf("Type:"), QString("text/html"));
        QCOMPARE(dialog->valueOf("Size:"), QString("41 bytes"));
        QCOMPARE(dialog->valueOf("Encoding:"), QString("windows-1252"));
        QCOMPARE(dialog->valueOf("Secure connection:"), QString("No"));
        QVERIFY(dialog->valueOf("Modified:").contains("1994"));

        // Without a Last-Modified header the date is not known. Asking again refreshes the same
        // dialog with the page now on display.
        QVERIFY(view.loaded(server_.url("/fruit")));
        const auto fruit = view.properties();
        QVERIFY(fruit);
        QCOMPARE(fruit->encoding, QString("UTF-8"));
        QVERIFY(!fruit->modified.isValid());
        QVERIFY(tools.showProperties());
        QTRY_COMPARE_WITH_TIMEOUT(dialog->valueOf("Title:"), QString("Fruit"), kWait);
        QCOMPARE(tools.propertiesDialog(), dialog);
        QCOMPARE(dialog->valueOf("Modified:"), QString("Not known"));

        // A local file has the size and date of the file.
        QFile local(files_.filePath("local.html"));
        QVERIFY(local.open(QIODevice::WriteOnly));
        local.write("<p>x</p>");
        local.flush();
        const QDateTime written(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
        QVERIFY(local.setFileTime(written, QFileDevice::FileModificationTime));
        local.close();
        QVERIFY(view.loaded(QUrl::fromLocalFile(local.fileName())));
        const auto file = view.properties();
        QVERIFY(file);
        QCOMPARE(file->protocol, QString("file"));
        QCOMPARE(file->size, 8);
        QVERIFY(!file->sizeFromMarkup);
        QCOMPARE(file->modified, written);
    }
};

int main(int argc, char** argv) {
    QApplication toolkit(argc, argv);
    int failed = 0;
    for (EngineKind kind : enginesUnderTest()) {
        qInfo("Engine: %s", kind == EngineKind::WebKitGtk ? "WebKitGTK" : "Qt WebEngine");
        TestPageTools test(kind);
        failed += QTest::qExec(&test, argc, argv);
    }
    return failed;
}
#include "tst_pagetools.moc"
