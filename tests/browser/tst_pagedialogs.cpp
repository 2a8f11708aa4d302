// The dialogs a page opens in a browser window on the real engine: script dialogs, the
// password question and window.print(), answered with keys and clicks as a user answers them.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "browser/frmmain.h"
#include "engine/pagedialogs.h"
#include "forms/textdialog.h"
#include "support/browsertest.h"
#include "support/loopbackserver.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"
#include "support/xinput.h"

using namespace skiff;
using namespace skiff::test;

namespace {

constexpr int kWait = 20000;

template <class T>
QList<T*> shown() {
    QList<T*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(widget); t && t->isVisible()) found << t;
    }
    return found;
}

// What a dialog shows: a short text as it is, when shown as plain text in a label; a long one
// as whether it scrolls and the dialog with every button lies within its screen's free area;
// then the value of its text box and its offer to stop the page's dialogs.
QString describe(TextDialog* d) {
    QString what = "(no text)";
    if (auto* text = d->findChild<QPlainTextEdit*>()) {
        bool fits =
            text->isVisible() && d->screen()->availableGeometry().contains(d->frameGeometry()) &&
            (text->verticalScrollBar()->maximum() > 0 ||
             text->horizontalScrollBar()->maximum() > 0 || text->document()->lineCount() > 1);
        for (QPushButton* button : d->findChildren<QPushButton*>()) {
            const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
            fits = fits && button->isVisible() && d->geometry().contains(onScreen);
        }
        what = fits ? "(long, fits)" : "(long)";
    } else if (auto* label = d->findChild<QLabel*>()) {
        what = (label->textFormat() == Qt::PlainText ? "" : "(not plain) ") + label->text();
    }
    if (auto* edit = d->findChild<QLineEdit*>()) what += " [" + edit->text() + "]";
    if (auto* stop = d->findChild<QCheckBox*>()) what += " " + stop->text();
    return what;
}

// A user who answers each page dialog as it shows: notes what it shows, ticks its offer to stop
// the page's dialogs when told to, and presses `key`. A dialog runs an event loop of its own
// until it is answered, so the answers come from a timer, which that loop runs too.
class User : public QObject {
public:
    User() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const QList<TextDialog*> dialogs = shown<TextDialog>();
            if (dialogs.size() != 1 || dialogs.first() == m_last) return;
            m_last = dialogs.first();
            seen << describe(m_last);
            if (auto* stop = m_last->findChild<QCheckBox*>(); stop && tickStop) {
                tickStop = false;
                click(stop);
                if (!stop->isChecked()) seen << "(not ticked)";
            }
            pressKey(m_last, key);
        });
        m_timer.start(50);
    }

    QStringList seen;
    Qt::Key key = Qt::Key_Return;
    bool tickStop = false;

private:
    QTimer m_timer;
    QPointer<TextDialog> m_last;
};

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

    void dialogsOfAPage() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w) && loaded(w, "/a"));
        User user;
        // The script's value, as JSON.
        const auto run = [&](const QString& script) {
            const QString json =
                runScript(*w.wbMain(), "JSON.stringify(" + script + ")", kWait).value_or("");
            return QJsonDocument::fromJson(("[" + json + "]").toUtf8())
                .toVariant()
                .toList()
                .value(0);
        };
        const QString stop = " " + QString(PageDialogs::kStopText);
        const QString longText = "(long, fits)";

        // Page texts show as they are, markup and all, and the prompt's value comes back as
        // shown. Long texts scroll, and the dialog with its buttons stays on the screen. From
        // the second dialog in quick succession on, the user may stop the page's dialogs.
        const QVariantList answers =
            run("[alert('<b>Hi</b> &amp;'), prompt('<i>Name?</i>', '<i>def</i>'),"
                " alert('x'.repeat(10000)), alert('line\\n'.repeat(5000)),"
                " confirm(' word'.repeat(2000)), prompt('y'.repeat(10000), 'v')]")
                .toList();
        QCOMPARE(answers.value(1).toString(), QString("<i>def</i>"));
        QCOMPARE(answers.value(5).toString(), QString("v"));
        QCOMPARE(user.seen, QStringList({"<b>Hi</b> &amp;", "<i>Name?</i> [<i>def</i>]" + stop,
                                         longText + stop, longText + stop, longText + stop,
                                         longText + " [v]" + stop}));

        // Stopped, they are answered without showing; the page's next document may show them
        // again.
        QVERIFY(loaded(w, "/a"));
        user.seen.clear();
        user.tickStop = true;
        QCOMPARE(run("(() => { for (var i = 0; i < 5; ++i) alert(i); return [confirm('Sure?'), "
                     "prompt('N')]; })()")
                     .toList(),
                 QVariantList({false, QVariant::fromValue(nullptr)}));
        QCOMPARE(user.seen, QStringList({"0", "1" + stop}));
        QVERIFY(loaded(w, "/a"));
        QVERIFY(run("(alert('back'), true)").toBool());
        QCOMPARE(user.seen.size(), 3);
        QVERIFY(user.seen.last().startsWith("back"));

        // The site's realm in the password question, with an empty user name box; Escape
        // cancels it.
        user.seen.clear();
        user.key = Qt::Key_Escape;
        for (const char* path : {"/staff", "/long"}) {
            const qsizetype before = user.seen.size();
            w.wbMain()->Navigate(server_.url(path).toString());
            QTRY_COMPARE_WITH_TIMEOUT(user.seen.size(), before + 1, kWait);
        }
        QCOMPARE(user.seen,
                 QStringList({server_.hostAndPort() + " asks for a user name and password.\nRealm: "
                                                      "<b>Staff</b> room []",
                              longText + " []"}));

        // window.print() opens the print dialog, once while it shows. The print dialog runs an
        // event loop of its own: it is watched and closed from a timer, after the page's second
        // request had the time to come.
        QVERIFY(loaded(w, "/printing"));
        QWidget* page = w.wbMain()->widget();
        QVERIFY(page);
        QList<int> dialogsShown;
        QTimer printUser;
        QElapsedTimer since;
        connect(&printUser, &QTimer::timeout, this, [&] {
            const QList<QPrintDialog*> dialogs = shown<QPrintDialog>();
            if (dialogs.isEmpty()) return;
            if (!since.isValid()) since.start();
            if (since.elapsed() < 1000) return;
            dialogsShown << int(dialogs.size());
            since.invalidate();
            pressKey(dialogs.first(), Qt::Key_Escape);
        });
        printUser.start(50);
        x11::click(page, QPoint(20, 20));
        QTRY_COMPARE_WITH_TIMEOUT(dialogsShown.size(), 1, kWait);
        QTest::qWait(1500);
        QCOMPARE(dialogsShown, QList<int>{1});
        QCOMPARE(shown<QPrintDialog>().size(), 0);
    }

private:
    bool loaded(FrmMain& w, const QString& path) {
        QSignalSpy done(w.wbMain(), &WebBrowser::DocumentComplete);
        const QString url = server_.url(path).toString();
        w.wbMain()->Navigate(url);
        return QTest::qWaitFor([&] { return !done.isEmpty() && w.wbMain()->LocationURL() == url; },
                               kWait);
    }

    LoopbackServer server_;
};

QTEST_MAIN(TestPageDialogs)
#include "tst_pagedialogs.moc"
