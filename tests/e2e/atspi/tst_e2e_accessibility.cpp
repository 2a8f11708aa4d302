// Skiff as a screen reader finds it: the accessibility tree read over AT-SPI from outside the
// program, on a session bus of the test's own. The buttons are push buttons named by their
// captions whose press action acts, the group boxes groupings named by theirs, the boxes are
// named by their purpose, and the status bar's panels are labels that read what they show. The
// page is part of the window: its heading and its link are read under it, and from the link a
// reader finds the window again.

// First: GLib's headers use names that Qt defines as macros.
#include <atspi/atspi.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QtTest>
#include <memory>

#include "e2e/journey.h"
#include "support/loopbackserver.h"

using namespace skiff::e2e;
using skiff::test::LoopbackServer;

namespace {

QByteArray page(const QByteArray& title) {
    return "<html><head><title>" + title + "</title></head><body><h1>" + title +
           " heading</h1><p>Text.</p><a href='/next.html'>On to the next page</a></body></html>";
}

// An element of the tree, released when the last copy goes.
using Element = std::shared_ptr<AtspiAccessible>;

Element own(AtspiAccessible* a) {
    return Element(a, [](AtspiAccessible* p) {
        if (p) g_object_unref(p);
    });
}

QString take(gchar* text) {
    const QString s = QString::fromUtf8(text);
    g_free(text);
    return s;
}

QString nameOf(const Element& e) {
    return take(atspi_accessible_get_name(e.get(), nullptr));
}

QString roleOf(const Element& e) {
    return take(atspi_accessible_get_role_name(e.get(), nullptr));
}

Element parentOf(const Element& e) {
    return own(atspi_accessible_get_parent(e.get(), nullptr));
}

QList<Element> childrenOf(const Element& e) {
    QList<Element> children;
    const int count = atspi_accessible_get_child_count(e.get(), nullptr);
    for (int i = 0; i < count; ++i)
        if (Element child = own(atspi_accessible_get_child_at_index(e.get(), i, nullptr)))
            children << child;
    return children;
}

// The first element under `root` (depth first) named `name`, of the role `role` when one is
// given; none when there is none.
Element find(const Element& root, const QString& name, const QString& role = {}, int depth = 10) {
    for (const Element& child : childrenOf(root)) {
        if (nameOf(child) == name && (role.isEmpty() || roleOf(child) == role)) return child;
        if (depth > 0)
            if (Element found = find(child, name, role, depth - 1)) return found;
    }
    return {};
}

// Whether the element answers where it is on the screen, with a size.
bool isPlaced(const Element& e) {
    AtspiComponent* component = atspi_accessible_get_component_iface(e.get());
    if (!component) return false;
    GError* error = nullptr;
    AtspiRect* place = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
    const bool placed = !error && place && place->width > 0 && place->height > 0;
    g_clear_error(&error);
    g_free(place);
    g_object_unref(component);
    return placed;
}

// The labels under `root`, depth first: the texts of the status bar's panels, left to right.
QStringList labelTexts(const Element& root) {
    QStringList texts;
    for (const Element& child : childrenOf(root))
        texts << (roleOf(child) == "label" ? QStringList{nameOf(child)} : labelTexts(child));
    return texts;
}

bool isEnabled(const Element& e) {
    AtspiStateSet* states = atspi_accessible_get_state_set(e.get());
    const bool enabled = atspi_state_set_contains(states, ATSPI_STATE_ENABLED);
    g_object_unref(states);
    return enabled;
}

// Does the element's action "Press"; false when it has none.
bool press(const Element& e) {
    AtspiAction* action = atspi_accessible_get_action_iface(e.get());
    if (!action) return false;
    bool done = false;
    for (int i = 0, n = atspi_action_get_n_actions(action, nullptr); i < n && !done; ++i)
        if (take(atspi_action_get_action_name(action, i, nullptr)) == "Press")
            done = atspi_action_do_action(action, i, nullptr);
    g_object_unref(action);
    return done;
}

// The new names that elements announce, as a screen reader hears them, in order of arrival.
class NameChanges {
public:
    NameChanges() : m_listener(atspi_event_listener_new(&NameChanges::arrived, this, nullptr)) {
        atspi_event_listener_register(m_listener, kEvent, nullptr);
    }
    ~NameChanges() {
        atspi_event_listener_deregister(m_listener, kEvent, nullptr);
        g_object_unref(m_listener);
    }
    const QStringList& names() const { return m_names; }

private:
    static constexpr char kEvent[] = "object:property-change:accessible-name";
    static void arrived(AtspiEvent* event, void* self) {
        static_cast<NameChanges*>(self)->m_names
            << take(atspi_accessible_get_name(event->source, nullptr));
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }

    AtspiEventListener* m_listener;
    QStringList m_names;
};

// A session bus of the test's own with the accessibility bus launcher on it, which also names
// the accessibility bus on the X server: the program under test and this test meet there, away
// from any desktop's buses and the user's home.
class AccessibilityBus {
public:
    ~AccessibilityBus() {
        QDBusConnection::disconnectFromBus("skiff-e2e");
        for (QProcess* p : {&m_launcher, &m_daemon}) {
            p->terminate();
            if (!p->waitForFinished(5000)) p->kill();
            p->waitForFinished(5000);
        }
    }

    bool start(const QString& display) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home.path());
        env.insert("XDG_RUNTIME_DIR", m_home.path());
        env.insert("DISPLAY", display);
        m_daemon.setProcessEnvironment(env);
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!waitFor([this] { return m_daemon.canReadLine(); }))
            return fail("dbus-daemon gave no address: " + m_daemon.readAllStandardError());
        m_session = QString::fromUtf8(m_daemon.readLine()).trimmed();

        env.insert("DBUS_SESSION_BUS_ADDRESS", m_session);
        m_launcher.setProcessEnvironment(env);
        m_launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_launcher.start("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"});
        QDBusConnection bus = QDBusConnection::connectToBus(m_session, "skiff-e2e");
        if (!bus.isConnected()) return fail("cannot reach the session bus: " + m_session);
        if (!waitFor([&] { return bus.interface()->isServiceRegistered("org.a11y.Bus").value(); }))
            return fail("at-spi-bus-launcher did not come on the bus");
        return true;
    }

    QString session() const { return m_session; }
    QString error() const { return m_error; }

private:
    bool fail(const QString& why) {
        m_error = why;
        return false;
    }

    QTemporaryDir m_home;
    QProcess m_daemon;
    QProcess m_launcher;
    QString m_session;
    QString m_error;
};

}  // namespace

class E2EAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { QVERIFY(endSkiff(m_x, m_skiff)); }
    void cleanupTestCase() { atspi_exit(); }

    void buttonsGroupBoxesAndStatusPanelsOverAtSpi();

private:
    // The program's element on the desktop (its Qt windows: on WebKitGTK, GTK shows its own
    // beside it), and in it the window named `title`.
    Element application() const;
    Element window(const QString& title) const;

    XSession m_x;
    AccessibilityBus m_bus;
    LoopbackServer m_server;
    std::unique_ptr<SkiffProcess> m_skiff;
    std::unique_ptr<BrowserWindow> m_browser;
};

void E2EAccessibility::initTestCase() {
    QVERIFY2(m_x.start(), qPrintable(m_x.error()));
    QVERIFY2(m_bus.start(m_x.displayName()), qPrintable(m_bus.error()));
    // This process reads the tree from the test's accessibility bus, whatever desktop it runs
    // in. The program inherits none of it: Qt 6.4 given AT_SPI_BUS_ADDRESS connects to that bus
    // but never shows itself on it.
    qunsetenv("AT_SPI_BUS_ADDRESS");
    qputenv("DISPLAY", m_x.displayName().toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.session().toUtf8());
    QCOMPARE(atspi_init(), 0);
    atspi_set_timeout(kWaitMs, kWaitMs);
    // Every read asks the program afresh (see application()). Elsewhere, as WebKit's page sends
    // its elements with their states, those states are kept: libatspi would otherwise ask for
    // them inside its own handling of an event, and wait for itself for ever.
    atspi_accessible_set_cache_mask(own(atspi_get_desktop(0)).get(), ATSPI_CACHE_STATES);
    QDir().mkpath(SKIFF_E2E_OUTPUT);
    m_server.addPage("/start.html", page("Start"));
    m_server.addPage("/next.html", page("Next"));
}

Element E2EAccessibility::application() const {
    for (const Element& app : childrenOf(own(atspi_get_desktop(0))))
        if (atspi_accessible_get_process_id(app.get(), nullptr) == m_skiff->processId() &&
            take(atspi_accessible_get_toolkit_name(app.get(), nullptr)) == "Qt") {
            atspi_accessible_set_cache_mask(app.get(), ATSPI_CACHE_NONE);
            return app;
        }
    return {};
}

Element E2EAccessibility::window(const QString& title) const {
    if (Element app = application())
        for (const Element& w : childrenOf(app))
            if (nameOf(w) == title) return w;
    return {};
}

void E2EAccessibility::buttonsGroupBoxesAndStatusPanelsOverAtSpi() {
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    m_skiff->setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
    m_skiff->setEnvironment("DBUS_SESSION_BUS_ADDRESS", m_bus.session());
    m_skiff->setEnvironment("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    // The proxy answers every address; this one goes past it, to a port nothing listens on.
    const QString closedHost = QString("127.0.0.1:%1").arg(skiff::test::closedLoopbackPort());
    const QString closed = "http://" + closedHost + "/";
    const QString flags = m_skiff->environment().value("QTWEBENGINE_CHROMIUM_FLAGS");
    QVERIFY(flags.endsWith("--proxy-bypass-list=<-loopback>"));
    m_skiff->setEnvironment("QTWEBENGINE_CHROMIUM_FLAGS", flags + ";" + closedHost);
    m_skiff->setEnvironment("no_proxy", closedHost);
    m_browser = openBrowser(m_x, *m_skiff, "Start");
    if (QTest::currentTestFailed()) return;
    Element main;
    QVERIFY(waitFor([&] { return bool(main = window("Start")); }));
    // The program's frames are its windows, each named (the settings window is loaded hidden).
    for (const Element& frame : childrenOf(application()))
        QVERIFY2(QStringList({"Start", "Settings"}).contains(nameOf(frame)),
                 qPrintable(nameOf(frame)));

    // The status bar's five panels read the page's end, nothing, the mode, the clock, which
    // goes on, and the date.
    const Element statusBar = find(main, "", "status bar");
    QVERIFY(statusBar);
    QStringList panels;
    QVERIFY(
        waitFor([&] { return (panels = labelTexts(statusBar)).value(0) == "Document Loaded."; }));
    QCOMPARE(panels.size(), 5);
    QCOMPARE(panels.mid(1, 2), QStringList({"", "ONLiNE"}));
    QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(panels[3]).hasMatch(),
             qPrintable(panels[3]));
    QVERIFY(!panels[4].isEmpty());
    const NameChanges changes;
    QVERIFY(waitFor([&] { return labelTexts(statusBar).value(3) != panels[3]; }));
    // The clock's panel tells of its new time by itself.
    QVERIFY(waitFor([&] { return changes.names().contains(labelTexts(statusBar).value(3)); }));

    // The page lies in the window: its heading and its link are read there (on WebKitGTK the
    // page's elements are GTK's and the web process's, joined to the window's).
    Element link;
    QVERIFY(waitFor([&] { return bool(link = find(main, "On to the next page", "link", 16)); }));
    QVERIFY(find(main, "Start heading", "heading", 16));
    // A reader that follows the focus into the page finds the window from there; each element
    // on the way answers where it is.
    int steps = 0;
    for (Element e = link; e.get() != main.get(); e = parentOf(e)) {
        QVERIFY2(e && ++steps < 16, "the page's link does not lead up to the window");
        QVERIFY2(isPlaced(e), qPrintable(roleOf(e) + " " + nameOf(e) + " has no place"));
    }

    // The buttons are push buttons named by their captions, without a caption label inside.
    for (const char* caption : {"BACK", "FORWARD", "REFRESH", "GO!", "SEARCH"}) {
        const Element button = find(main, caption);
        QVERIFY2(button, caption);
        QCOMPARE(roleOf(button), QString("push button"));
        QCOMPARE(atspi_accessible_get_child_count(button.get(), nullptr), 0);
    }
    // The boxes are named by their purpose.
    for (const char* name : {"Address", "Search"}) QVERIFY2(find(main, name), name);

    // GO! pressed through its action goes where the address box says, as a click does. BACK
    // is unavailable before, with nowhere to go back to, and available after.
    const Element back = find(main, "BACK");
    QVERIFY(waitFor([&] { return !isEnabled(back); }));
    m_x.click(m_browser->addressBox().center());
    QVERIFY(m_x.waitForActive(m_browser->window()));
    m_x.key("a", Ctrl);
    QVERIFY(m_x.typeText("http://pages.test/next.html"));
    QVERIFY(press(find(main, "GO!")));
    QVERIFY(m_x.waitForClient("Next").isValid());
    QVERIFY(waitFor([&] { return isEnabled(back); }));

    // REFRESH pressed through its action loads the page again.
    main = window("Next");
    QVERIFY(main);
    const qsizetype loads = m_server.requestedPaths().count("/next.html");
    QVERIFY(press(find(main, "REFRESH")));
    QVERIFY(waitFor([&] { return m_server.requestedPaths().count("/next.html") > loads; }));

    // The settings window's group boxes are groupings named by their captions, holding their
    // buttons.
    QVERIFY(m_browser->chooseMenu(BrowserWindow::Settings));
    const TopLevel settingsWindow = m_x.waitForClient("Settings");
    QVERIFY(settingsWindow.isValid());
    Element settings;
    QVERIFY(waitFor([&] { return bool(settings = window("Settings")); }));
    const QString grouping = "panel";  // how the bridge reads a grouping
    const Element group = find(settings, "Browsing Mode");
    QVERIFY(group);
    QCOMPARE(roleOf(group), grouping);
    QStringList buttons;
    for (const Element& child : childrenOf(group)) buttons << roleOf(child) + " " + nameOf(child);
    QCOMPARE(buttons, QStringList({"push button WORK OFFLiNE", "push button WORK ONLiNE"}));
    QVERIFY(find(settings, "Start-Up Page", grouping));
    QVERIFY(find(settings, "Status Bar", grouping));

    QVERIFY(m_x.closeByCloseBox(settingsWindow));

    // A page that cannot be reached: its message stays in the first panel after the load ends.
    m_x.click(m_browser->addressBox().center());
    QVERIFY(m_x.waitForActive(m_browser->window()));
    m_x.key("a", Ctrl);
    QVERIFY(m_x.typeText(closed + "\n"));
    const Element messages = find(main, "", "status bar");
    QVERIFY(waitFor([&] { return labelTexts(messages).value(0) == "Could not load " + closed; }));
    QVERIFY(waitFor([&] { return !m_browser->progressBarShown(); }));
    QCOMPARE(labelTexts(messages).value(0), "Could not load " + closed);
    m_x.saveScreenshot(SKIFF_E2E_OUTPUT "/closed-port.png");

    QVERIFY(m_x.closeByCloseBox(m_x.refreshed(m_browser->window())));
    QVERIFY(m_skiff->waitForExit());
    QCOMPARE(m_skiff->exitCode(), 0);
}

QTEST_GUILESS_MAIN(E2EAccessibility)
#include "tst_e2e_accessibility.moc"
