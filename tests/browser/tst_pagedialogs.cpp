// The dialogs a page opens in a browser window on the real engine: script dialogs, the
// password question and window.print(), answered with keys and clicks as a user answers them.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include "browser/frmmain.h"
#include "engine/pagedialogs.h"
#include "forms/textdialog.h"
#include "support/engineview.h"
#include "support/loopbackserver.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

constexpr int kWait = 20000;

QWebEngineView* viewOf(FrmMain& w) {
    return qobject_cast<QWebEngineView*>(w.wbMain()->widget());
}

template <class T>
QList<T*> shown() {
    QList<T*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(widget); t && t->isVisible()) found << t;
    }
    return found;
}

// The page dialog on display; null when there is none, or more than one.
TextDialog* dialog() {
    const QList<TextDialog*> dialogs = shown<TextDialog>();
    return dialogs.size() == 1 ? dialogs.first() : nullptr;
}

// A script of the page that may open dialogs: it runs while the test answers them.
struct Script {
    Script(FrmMain& w, const QString& source) {
        viewOf(w)->page()->runJavaScript(source, [this](const QVariant& value) {
            result = value;
            finished = true;
        });
    }
    bool finish() {
        return QTest::qWaitFor([this] { return finished; }, kWait);
    }

    QVariant result;
    bool finished = false;
};

// A user who answers each page dialog as it shows. A dialog runs an event loop of its own
// until it is answered, so the answers come from a timer, which that loop runs too.
class User : public QObject {
public:
    explicit User(std::function<void(TextDialog*)> answer) : m_answer(std::move(answer)) {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            TextDialog* d = dialog();
            if (!d || d == m_last) return;
            m_last = d;
            m_answer(d);
        });
        m_timer.start(50);
    }

private:
    std::function<void(TextDialog*)> m_answer;
    QTimer m_timer;
    QPointer<TextDialog> m_last;
};

// The text a dialog shows, and whether it shows it in a label as plain text ("plain") or
// scrolled ("scrolls").
QString textOf(TextDialog* d) {
    if (auto* label = d->findChild<QLabel*>()) {
        return label->textFormat() == Qt::PlainText ? label->text()
                                                    : "(not plain) " + label->text();
    }
    auto* text = d->findChild<QPlainTextEdit*>();
    return text ? text->toPlainText() : "(no text)";
}

// Whether the dialog lies within its screen's free area, with every button inside it, and
// its long text scrolls.
bool fitsTheScreen(TextDialog* d) {
    const QRect area = d->screen()->availableGeometry();
    if (!area.contains(d->frameGeometry())) return false;
    for (QPushButton* button : d->findChildren<QPushButton*>()) {
        const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
        if (!button->isVisible() || !d->geometry().contains(onScreen)) return false;
    }
    auto* text = d->findChild<QPlainTextEdit*>();
    return text && text->isVisible() &&
           (text->verticalScrollBar()->maximum() > 0 ||
            text->horizontalScrollBar()->maximum() > 0 || text->document()->lineCount() > 1);
}

}  // namespace

class TestPageDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        server_.addPage("/a", "<html><head><title>Page A</title></head><body>A</body></html>");
        server_.addPage("/printing",
                        "<html><head><title>Printing</title></head><body style='margin:0'>"
                        "<button onclick='print(); print()' style='width:100%;height:300px'>"
                        "Print</button></body></html>");
        server_.addProtectedPage("/staff", "<title>Staff only</title>", "<b>Staff</b> room", "ann",
                                 "s3cret");
        server_.addProtectedPage("/long", "<title>Long</title>", QString(3000, 'r'), "ann",
                                 "s3cret");
    }

    // Page and server texts show as they are, markup and all, and the prompt's value comes
    // back as shown.
    void textsShowPlainly() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        QVERIFY(loaded(w, "/a"));
        QStringList texts;
        QString value;
        Qt::Key key = Qt::Key_Return;
        User user([&](TextDialog* d) {
            texts << textOf(d);
            if (auto* edit = d->findChild<QLineEdit*>()) value = edit->text();
            pressKey(d, key);
        });
        Script script(w, "[alert('<b>Hi</b> &amp;'), prompt('<i>Name?</i>', '<i>def</i>')]");
        QVERIFY(script.finish());
        QCOMPARE(texts, QStringList({"<b>Hi</b> &amp;", "<i>Name?</i>"}));
        QCOMPARE(value, QString("<i>def</i>"));
        QCOMPARE(script.result.toList().value(1).toString(), QString("<i>def</i>"));

        // The site's realm in the password question; Escape cancels it.
        key = Qt::Key_Escape;
        w.wbMain()->Navigate(server_.url("/staff").toString());
        QTRY_COMPARE_WITH_TIMEOUT(texts.size(), 3, kWait);
        QCOMPARE(texts.last(), server_.hostAndPort() +
                                   " asks for a user name and password.\nRealm: <b>Staff</b> room");
        QCOMPARE(value, QString());  // the user name box
    }

    // Long texts scroll, and the dialog with its buttons stays on the screen.
    void longTextsFitTheScreen() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        QVERIFY(loaded(w, "/a"));
        QList<bool> fits;
        User user([&](TextDialog* d) {
            fits << fitsTheScreen(d);
            pressKey(d, Qt::Key_Return);
        });
        Script script(w,
                      "[alert('x'.repeat(10000)), alert('line\\n'.repeat(5000)),"
                      " confirm(' word'.repeat(2000)), prompt('y'.repeat(10000), 'v')]");
        QVERIFY(script.finish());
        QCOMPARE(script.result.toList().value(3).toString(), QString("v"));
        QCOMPARE(fits, QList<bool>({true, true, true, true}));
        // The server's password question with a long realm; the empty answer the user gives
        // makes the server ask again, so more questions may follow quickly.
        w.wbMain()->Navigate(server_.url("/long").toString());
        QTRY_VERIFY_WITH_TIMEOUT(fits.size() >= 5, kWait);
        QVERIFY(fits.at(4));
    }

    // From the second dialog in quick succession on, the user may stop the page's dialogs;
    // the page's next document may show them again.
    void quickDialogsMayBeStopped() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        QVERIFY(loaded(w, "/a"));
        QStringList seen;  // text, and whether the dialog offered to stop
        User user([&](TextDialog* d) {
            QCheckBox* stop = d->findChild<QCheckBox*>();
            seen << textOf(d) + (stop ? " " + stop->text() : QString());
            if (stop && seen.size() == 2) {
                click(stop);
                if (!stop->isChecked()) seen << "(not ticked)";
            }
            pressKey(d, Qt::Key_Return);
        });
        Script script(w, "for (var i = 0; i < 5; ++i) alert(i); [confirm('Sure?'), prompt('N')]");
        QVERIFY(script.finish());
        const QString stop = PageDialogs::kStopText;
        QCOMPARE(seen, QStringList({"0", "1 " + stop}));
        QCOMPARE(script.result.toList(), QVariantList({false, QVariant()}));

        QVERIFY(loaded(w, "/a"));
        Script again(w, "alert('back')");
        QVERIFY(again.finish());
        QCOMPARE(seen.size(), 3);
        QVERIFY(seen.last().startsWith("back"));
    }

    // window.print() opens the print dialog, once while it shows.
    void pagePrintsThroughThePrintDialog() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        QVERIFY(loaded(w, "/printing"));
        QWidget* page = viewOf(w)->focusProxy();
        QVERIFY(page);
        // The print dialog runs an event loop of its own: it is watched and closed from a
        // timer, after the page's second request had the time to come.
        QList<int> dialogsShown;
        QTimer user;
        QElapsedTimer since;
        connect(&user, &QTimer::timeout, this, [&] {
            const QList<QPrintDialog*> dialogs = shown<QPrintDialog>();
            if (dialogs.isEmpty()) return;
            if (!since.isValid()) since.start();
            if (since.elapsed() < 1000) return;
            dialogsShown << int(dialogs.size());
            since.invalidate();
            pressKey(dialogs.first(), Qt::Key_Escape);
        });
        user.start(50);
        click(page, QPoint(20, 20));
        QTRY_COMPARE_WITH_TIMEOUT(dialogsShown.size(), 1, kWait);
        QTest::qWait(1500);
        QCOMPARE(dialogsShown, QList<int>{1});
        QCOMPARE(shown<QPrintDialog>().size(), 0);
    }

private:
    bool loaded(FrmMain& w, const QString& path) {
        QSignalSpy done(w.wbMain(), &WebBrowser::DocumentComplete);
        w.wbMain()->Navigate(server_.url(path).toString());
        return QTest::qWaitFor(
            [&] {
                return !done.isEmpty() && w.wbMain()->LocationURL() == server_.url(path).toString();
            },
            kWait);
    }

    LoopbackServer server_;
};

QTEST_MAIN(TestPageDialogs)
#include "tst_pagedialogs.moc"
