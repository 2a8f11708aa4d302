// What assistive technology reads from the windows through Qt's accessibility interface: the
// program's buttons and group boxes by role, name, state and elements, the buttons' press
// action, and a name on every text box, list and combo box.

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "favorites/frmfavorites.h"
#include "internetoptions/internetoptions.h"
#include "pagetools/findbar.h"
#include "settings/frmsettings.h"
#include "source_viewer/frmsource.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QStringList elementNames(QAccessibleInterface* iface) {
    QStringList names;
    for (int i = 0; i < iface->childCount(); ++i) names << iface->child(i)->text(QAccessible::Name);
    return names;
}

bool insideComboBox(const QWidget* w) {
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p)) return true;
    return false;
}

void press(xpcmdbutton* button) {
    accessible(button)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void buttonsAndGroupBoxesReadAsWhatTheyAre() {
        WindowTestEnvironment env;
        struct Row {
            QWidget* window;
            const char* control;
            QAccessible::Role role;
            QString name;
            QStringList elements;  // a button's caption label is no element of its own
        };
        const QList<Row> rows{
            {&frmMain(), "xpcmdBack", QAccessible::Button, "BACK", {}},
            {&frmMain(), "xpcmdGo", QAccessible::Button, "GO!", {}},
            {&frmMain(), "xpcmdSearch", QAccessible::Button, "SEARCH", {}},
            {&frmSettings(), "xpcmdOffline", QAccessible::Button, "WORK OFFLiNE", {}},
            {&frmSettings(),
             "xpgroupboxStart",
             QAccessible::Grouping,
             "Start-Up Page",
             {"USE DEFAULT", "USE CURRENT", "USE BLANK"}},
            {&frmOptions(),
             "xpgroupboxData",
             QAccessible::Grouping,
             "Browsing Data",
             {"CLEAR CACHE", "CLEAR COOKIES", ""}},
        };
        for (const Row& row : rows) {
            QWidget* control = row.window->findChild<QWidget*>(row.control);
            QVERIFY2(control, row.control);
            QAccessibleInterface* iface = accessible(control);
            QCOMPARE(iface->role(), row.role);
            QCOMPARE(iface->text(QAccessible::Name), row.name);
            QVERIFY(!iface->state().disabled);
            QCOMPARE(elementNames(iface), row.elements);
        }
    }

    // The press action clicks the button as the mouse does, once; on a disabled button, as a
    // click there, it does nothing.
    void pressActionClicks() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        ScriptedBrowser* engine = env.firstEngine();
        retype(w.cboUrl(), "pages.test/a.html");
        xpcmdbutton* go = w.button("xpcmdGo");
        QVERIFY(accessible(go)->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
        QSignalSpy goClicks(go, &xpcmdbutton::Click);
        const int navigations = engine->navigated.size();
        press(go);
        QTRY_COMPARE(goClicks.count(), 1);
        settle();
        QCOMPARE(goClicks.count(), 1);
        QCOMPARE(engine->navigated.size(), navigations + 1);
        QCOMPARE(engine->navigated.last(), QString("pages.test/a.html"));

        xpcmdbutton* back = w.button("xpcmdBack");
        QSignalSpy backClicks(back, &xpcmdbutton::Click);
        engine->fireCommandStateChange(2, false);  // no page to go back to
        QVERIFY(accessible(back)->state().disabled);
        press(back);
        settle();
        QCOMPARE(backClicks.count(), 0);
        QCOMPARE(engine->goBackCalls, 0);
        engine->fireCommandStateChange(2, true);
        QVERIFY(!accessible(back)->state().disabled);
        press(back);
        QTRY_COMPARE(backClicks.count(), 1);
        QCOMPARE(engine->goBackCalls, 1);
    }

    void everyTextBoxListAndComboBoxHasAName() {
        WindowTestEnvironment env;
        frmMain().show();
        frmFavorites().show();
        frmSettings().show();
        frmOptions().show();
        frmSource().show();
        test::ScriptedBrowser page;
        auto* find = new FindBar(&page);
        find->open();

        QStringList unnamed;
        for (QWidget* window : QList<QWidget*>{&frmMain(), &frmFavorites(), &frmSettings(),
                                               &frmOptions(), &frmSource(), find}) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                                   qobject_cast<QPlainTextEdit*>(w) ||
                                   (qobject_cast<QAbstractItemView*>(w) && !insideComboBox(w));
                if (input && accessible(w)->text(QAccessible::Name).trimmed().isEmpty())
                    unnamed << window->windowTitle() + ": " + w->metaObject()->className() + " " +
                                   w->objectName();
            }
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        QCOMPARE(accessible(frmMain().cboUrl()->lineEdit())->text(QAccessible::Name),
                 QString("Address"));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
