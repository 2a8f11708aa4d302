#include "engine/webkitgtk/plughost.h"

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QChildEvent>
#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QList>
#include <QMimeData>
#include <QResizeEvent>
#include <QTimer>
#include <QWindow>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/webkitgtk/atspisocket.h"
#include "engine/webkitgtk/gtkheaders.h"
#include "engine/webkitgtk/gtkkeys.h"

// Qt Test and the platform plugins hand keys to a window this way: shortcuts first, then the
// focus widget. Qt exports it for them.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key,
                                    Qt::KeyboardModifiers modifiers, const QString& text = {},
                                    bool autorep = false, ushort count = 1);
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);

namespace skiff {

namespace {

// Xlib's headers (after this point) define names such as KeyPress and FocusIn as macros.
constexpr QEvent::Type kKeyPress = QEvent::KeyPress;
constexpr QEvent::Type kKeyRelease = QEvent::KeyRelease;
constexpr QEvent::Type kMouseMove = QEvent::MouseMove;

}  // namespace

}  // namespace skiff

#include <gtk/gtkx.h>
// After gtkx.h: a plug's accessible element is X11's.
#include <gtk/gtk-a11y.h>

namespace skiff {

namespace {

// The XEMBED messages (freedesktop.org's XEMBED protocol) that pass between the plug and us.
enum XEmbed : uint32_t {
    kWindowActivate = 1,
    kFocusIn = 4,
    kFocusOut = 5,
    kFocusNext = 6,
    kFocusPrev = 7,
};
enum XEmbedFocus : uint32_t { kFocusCurrent = 0, kFocusFirst = 1, kFocusLast = 2 };

xcb_connection_t* connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection(), xcb_intern_atom(connection(), 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return found;
}

xcb_atom_t xembedAtom() {
    static const xcb_atom_t atom = internAtom("_XEMBED");
    return atom;
}

// Qt claims the clipboard with the time of the last X event it saw, which is long past when
// the user has worked in the page only, and the X server refuses a claim older than the last
// one (GTK's). An empty change to a property of one of Qt's windows brings Qt the server's
// time, and the clipboard is claimed once Qt has seen it (or after a second without it).
class QtClipboardClaim : public QObject, public QAbstractNativeEventFilter {
public:
    QtClipboardClaim(QMimeData* data, xcb_window_t window) : m_data(data), m_window(window) {
        delete std::exchange(latest(), this);  // an older claim gives way
        qApp->installNativeEventFilter(this);
        xcb_change_property(connection(), XCB_PROP_MODE_APPEND, m_window, m_atom, XCB_ATOM_STRING,
                            8, 0, nullptr);
        xcb_flush(connection());
        QTimer::singleShot(1000, this, &QtClipboardClaim::claim);
    }
    ~QtClipboardClaim() override {
        qApp->removeNativeEventFilter(this);
        if (latest() == this) latest() = nullptr;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if (type != "xcb_generic_event_t" || (event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
        // Qt takes the event's time once this filter has let it by.
        if (notify->window == m_window && notify->atom == m_atom)
            QTimer::singleShot(0, this, &QtClipboardClaim::claim);
        return false;
    }

private:
    static xcb_atom_t timeAtom() {
        static const xcb_atom_t atom = internAtom("_SKIFF_CLIPBOARD_TIME");
        return atom;
    }
    static QtClipboardClaim*& latest() {
        static QtClipboardClaim* claim = nullptr;
        return claim;
    }
    void claim() {
        if (!m_data) return;
        QGuiApplication::clipboard()->setMimeData(m_data.release());
        deleteLater();
    }

    std::unique_ptr<QMimeData> m_data;
    xcb_window_t m_window;
    const xcb_atom_t m_atom = timeAtom();
};

// Puts `data` on Qt's clipboard, taking it over from GTK.
void giveClipboardToQt(QMimeData* data) {
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->handle() && connection()) {
            new QtClipboardClaim(data, xcb_window_t(window->winId()));
            return;
        }
    }
    QGuiApplication::clipboard()->setMimeData(data);
}

void sendXEmbed(xcb_window_t window, uint32_t message, uint32_t detail = 0) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = xembedAtom();
    event.data.data32[0] = XCB_CURRENT_TIME;
    event.data.data32[1] = message;
    event.data.data32[2] = detail;
    xcb_send_event(connection(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
}

xcb_window_t inputFocus() {
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection(), xcb_get_input_focus(connection()), nullptr);
    const xcb_window_t focus = reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
    free(reply);
    return focus;
}

Qt::KeyboardModifiers qtModifiers(unsigned state) {
    Qt::KeyboardModifiers modifiers;
    if (state & GDK_SHIFT_MASK) modifiers |= Qt::ShiftModifier;
    if (state & GDK_CONTROL_MASK) modifiers |= Qt::ControlModifier;
    if (state & GDK_MOD1_MASK) modifiers |= Qt::AltModifier;
    if (state & GDK_SUPER_MASK) modifiers |= Qt::MetaModifier;
    return modifiers;
}

// Where the element of a plug's window is: the window's place on the screen (and the window's
// own corner in other coordinates), its size.
void measurePlug(AtkComponent* plug, gint* x, gint* y, gint* width, gint* height,
                 AtkCoordType coordinates) {
    *x = *y = *width = *height = -1;
    AtkObject* child = atk_object_ref_accessible_child(ATK_OBJECT(plug), 0);
    GtkWidget* widget =
        GTK_IS_ACCESSIBLE(child) ? gtk_accessible_get_widget(GTK_ACCESSIBLE(child)) : nullptr;
    GdkWindow* window = widget ? gtk_widget_get_window(widget) : nullptr;
    if (window) {
        *x = *y = 0;
        if (coordinates == ATK_XY_SCREEN) gdk_window_get_origin(window, x, y);
        *width = gdk_window_get_width(window);
        *height = gdk_window_get_height(window);
    }
    if (child) g_object_unref(child);
}

// An AT-SPI plug, once embedded, asks its socket where it is and waits for the answer; Qt's
// bridge would give it on this same thread, which is the one waiting: a screen reader's question
// would take 25 seconds and get nothing. The plug measures its window instead (what the plug
// does is kept for all plugs, and set again at each embedding).
void measurePlugsThemselves(AtkObject* plug) {
    if (!ATK_IS_PLUG(plug) || !ATK_IS_COMPONENT(plug)) return;
    AtkComponentIface* component = ATK_COMPONENT_GET_IFACE(plug);
    component->get_extents = measurePlug;
    component->get_position = [](AtkComponent* plug, gint* x, gint* y, AtkCoordType coordinates) {
        atk_component_get_extents(plug, x, y, nullptr, nullptr, coordinates);
    };
    component->get_size = [](AtkComponent* plug, gint* width, gint* height) {
        atk_component_get_extents(plug, nullptr, nullptr, width, height, ATK_XY_WINDOW);
    };
}

}  // namespace

// The X events of every host: Qt must not take the X focus moving into one of our plugs for
// its window losing the focus (it would make the window inactive, and no shortcut would work),
// nor see the plugs' own focus changes; and the plugs' XEMBED messages go to their hosts.
class PlugHost::NativeFilter : public QAbstractNativeEventFilter {
public:
    static NativeFilter& instance() {
        static NativeFilter* filter = [] {
            auto* made = new NativeFilter;
            qApp->installNativeEventFilter(made);
            return made;
        }();
        return *filter;
    }

    QList<PlugHost*> hosts;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || hosts.isEmpty()) return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7f) {
            case XCB_FOCUS_IN:
            case XCB_FOCUS_OUT: {
                auto* focus = reinterpret_cast<xcb_focus_in_event_t*>(event);
                if (isPlug(focus->event)) return true;
                return (event->response_type & 0x7f) == XCB_FOCUS_OUT && inPlug(inputFocus());
            }
            case XCB_CLIENT_MESSAGE: {
                auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (client->type != xembedAtom()) return false;
                for (PlugHost* host : std::as_const(hosts)) {
                    if (host->window()->winId() == client->window) {
                        host->onEmbedderMessage(client->data.data32[1]);
                        return true;
                    }
                }
                return false;
            }
            default:
                return false;
        }
    }

private:
    bool isPlug(xcb_window_t window) const {
        if (window == XCB_WINDOW_NONE) return false;
        return std::any_of(hosts.begin(), hosts.end(),
                           [window](PlugHost* host) { return host->plugWindow() == window; });
    }

    // A plug, or a window inside one (GTK gives the keyboard focus to a small window of its own
    // inside its top-level one).
    bool inPlug(xcb_window_t window) const {
        for (int depth = 0; depth < 4 && window != XCB_WINDOW_NONE; ++depth) {
            if (isPlug(window)) return true;
            xcb_query_tree_reply_t* tree =
                xcb_query_tree_reply(connection(), xcb_query_tree(connection(), window), nullptr);
            if (!tree) return false;
            window = tree->parent == tree->root ? xcb_window_t(XCB_WINDOW_NONE) : tree->parent;
            free(tree);
        }
        return false;
    }
};

void PlugHost::tolerateGoneWindows() {
    static const bool trapped = [] {
        gdk_x11_display_error_trap_push(gdk_display_get_default());
        return true;
    }();
    Q_UNUSED(trapped);
}

// Qt and GTK each hold the clipboard through an X connection of their own, and Qt, asked for a
// clipboard that GTK holds, waits for the answer without letting GTK run: what a page copied
// would never paste into the program's own boxes. So what a page copies is handed to Qt at once,
// as text and as HTML, and GTK, which waits for answers as the event loop goes on, reads it back
// from Qt. (Not so the selection: WebKit takes the selection out of the page when another holds
// it.)
void PlugHost::handClipboardToQt() {
    const auto onOwnerChange = +[](GtkClipboard* clipboard, GdkEventOwnerChange* change, gpointer) {
        // Another program's window, or Qt's, is foreign to GTK.
        if (!change->owner || gdk_window_get_window_type(change->owner) == GDK_WINDOW_FOREIGN)
            return;
        gtk_clipboard_request_contents(
            clipboard, gdk_atom_intern_static_string("text/html"),
            +[](GtkClipboard* clipboard, GtkSelectionData* data, gpointer) {
                const int length = gtk_selection_data_get_length(data);
                auto* html = new QString(
                    length > 0 ? QString::fromUtf8(reinterpret_cast<const char*>(
                                                       gtk_selection_data_get_data(data)),
                                                   length)
                               : QString());
                gtk_clipboard_request_text(
                    clipboard,
                    +[](GtkClipboard*, const gchar* text, gpointer pending) {
                        const std::unique_ptr<QString> html(static_cast<QString*>(pending));
                        if (!text && html->isEmpty()) return;
                        auto* mime = new QMimeData;
                        mime->setText(QString::fromUtf8(text));
                        if (!html->isEmpty()) mime->setHtml(*html);
                        giveClipboardToQt(mime);
                    },
                    html);
            },
            nullptr);
    };
    static const gulong connected =
        g_signal_connect(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "owner-change",
                         G_CALLBACK(onOwnerChange), nullptr);
    Q_UNUSED(connected);
}

bool PlugHost::available(QString* why) {
    if (QGuiApplication::platformName() == "xcb" && connection()) return true;
    if (why) {
        *why = "WebKitGTK is shown through X11, and Qt runs on \"" +
               QGuiApplication::platformName() + "\"";
    }
    return false;
}

PlugHost::PlugHost(GtkWidget* child, KeepsKey browserKeeps, QWidget* parent)
    : QWidget(parent), m_plug(gtk_plug_new(0)), m_browserKeeps(std::move(browserKeeps)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    gtk_container_add(GTK_CONTAINER(m_plug), child);
    gtk_widget_realize(m_plug);
    // The container itself never takes the focus: Qt would move it to the plug's window and
    // then take that for its own window losing it.
    m_container = QWidget::createWindowContainer(QWindow::fromWinId(plugWindow()), this);
    m_container->setFocusPolicy(Qt::NoFocus);
    gtk_widget_show_all(m_plug);
    embedPageAccessible();

    const auto onKey = +[](GtkWidget*, GdkEventKey* key, PlugHost* host) -> gboolean {
        if (host->handedBack(key)) return FALSE;
        if (host->keyBeforePage(key->keyval, key->state, key->type == GDK_KEY_PRESS)) return TRUE;
        host->m_toPage.append({key->type, key->time, key->keyval});
        if (host->m_toPage.size() > 32) host->m_toPage.removeFirst();
        return FALSE;
    };
    const auto onUnusedKey = +[](GtkWidget*, GdkEventKey* key, PlugHost* host) -> gboolean {
        host->keyAfterPage(key->keyval, key->state, key->type == GDK_KEY_PRESS);
        return TRUE;
    };
    // A click in the page gives it the focus; nothing else does (see onEmbedderMessage).
    const auto onButton = +[](GtkWidget*, GdkEventButton*, PlugHost* host) -> gboolean {
        if (!host->hasFocus()) host->setFocus(Qt::MouseFocusReason);
        emit host->userInput();
        return FALSE;
    };
    for (const char* signal : {"key-press-event", "key-release-event"}) {
        g_signal_connect(m_plug, signal, G_CALLBACK(onKey), this);
        g_signal_connect_after(m_plug, signal, G_CALLBACK(onUnusedKey), this);
    }
    g_signal_connect(child, "button-press-event", G_CALLBACK(onButton), this);
    // Qt sees no pointer motion over the plug, and takes a motion back onto its own widgets to
    // the spot where it last saw the pointer for no motion at all (the button under it would
    // not light up): it learns where the pointer is in the page.
    const auto onPointer = +[](GtkWidget*, GdkEvent* event, PlugHost* host) -> gboolean {
        gdouble x = 0, y = 0;
        if (gdk_event_get_root_coords(event, &x, &y)) host->pointerInPage(QPoint(int(x), int(y)));
        return FALSE;
    };
    for (const char* signal : {"enter-notify-event", "motion-notify-event"})
        g_signal_connect(child, signal, G_CALLBACK(onPointer), this);
    NativeFilter::instance().hosts.append(this);
}

// The window the plug was placed in may already be gone, and with it the plug's X window: what
// GTK then asks of the X server fails, and is no fault of the program's.
PlugHost::~PlugHost() {
    NativeFilter::instance().hosts.removeAll(this);
    GdkDisplay* display = gtk_widget_get_display(m_plug);
    gdk_x11_display_error_trap_push(display);
    g_signal_handlers_disconnect_by_data(m_plug, this);
    if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(m_plug)))
        g_signal_handlers_disconnect_by_data(child, this);
    // The plug's window goes unmapped before Qt lets go of it, so that it never shows alone;
    // and out of the container's window, which would take it along when it goes, before GTK
    // destroys it.
    gtk_widget_hide(m_plug);
    GdkWindow* plug = gtk_widget_get_window(m_plug);
    gdk_window_reparent(plug, gdk_screen_get_root_window(gdk_window_get_screen(plug)), 0, 0);
    gdk_display_sync(gdk_window_get_display(plug));
    delete std::exchange(m_container, nullptr);
    gtk_widget_destroy(m_plug);
    gdk_x11_display_error_trap_pop_ignored(display);
}

// GTK shows the page's elements to screen readers under the plug's element, but leaves plugs out
// of its list of windows: no reader would find them. The plug's element joins the container's.
void PlugHost::embedPageAccessible() {
    AtkObject* window = gtk_widget_get_accessible(m_plug);
    if (!GTK_IS_PLUG_ACCESSIBLE(window)) return;
    gchar* id = gtk_plug_accessible_get_id(GTK_PLUG_ACCESSIBLE(window));
    if (!id) return;  // GTK is not on the accessibility bus
    embedAccessible(m_container, QString::fromUtf8(id),
                    [window] { measurePlugsThemselves(atk_object_get_parent(window)); });
    g_free(id);
}

unsigned long PlugHost::plugWindow() const {
    return gtk_plug_get_id(GTK_PLUG(m_plug));
}

void PlugHost::resizeEvent(QResizeEvent*) {
    placePage();
}

// The plug's window lies over everything Qt draws in the host's area: the page takes the part
// above the host's other child widgets that show (a find bar along the bottom).
void PlugHost::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    QObject* child = event->child();
    if (event->type() == QEvent::ChildPolished && child != m_container) {
        child->removeEventFilter(this);
        child->installEventFilter(this);
    }
    if (event->removed()) placePage();
}

bool PlugHost::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
            placePage();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void PlugHost::placePage() {
    if (!m_container) return;
    int bottom = height();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != m_container && !child->isHidden()) bottom = std::min(bottom, child->y());
    }
    m_container->setGeometry(0, 0, width(), bottom);
    GtkAllocation size{0, 0, std::max(1, width()), std::max(1, bottom)};
    gtk_window_resize(GTK_WINDOW(m_plug), size.width, size.height);
    // GTK would lay the view out at its frame clock's next turn, which waits while Qt's events
    // keep the loop busy (as while a page loads): until then the view is 1×1 and a click in the
    // page reaches nothing. The view takes its size at once.
    gtk_widget_get_preferred_size(m_plug, nullptr, nullptr);
    gtk_widget_size_allocate(m_plug, &size);
}

// Tab and Shift+Tab from the widget before or after bring the focus to the page's first or last
// element; otherwise the page's focus stays where it was.
void PlugHost::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    const xcb_window_t plug = plugWindow();
    xcb_set_input_focus(connection(), XCB_INPUT_FOCUS_PARENT, plug, XCB_CURRENT_TIME);
    sendXEmbed(plug, kWindowActivate);
    const uint32_t where = event->reason() == Qt::TabFocusReason       ? kFocusFirst
                           : event->reason() == Qt::BacktabFocusReason ? kFocusLast
                                                                       : kFocusCurrent;
    sendXEmbed(plug, kFocusIn, where);
    xcb_flush(connection());
    // The view takes the focus from that, but the page's first or last element does not.
    if (where != kFocusCurrent) emit focusEntered(where == kFocusLast);
}

void PlugHost::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    sendXEmbed(plugWindow(), kFocusOut);
    if (isActiveWindow()) {
        xcb_set_input_focus(connection(), XCB_INPUT_FOCUS_PARENT, window()->winId(),
                            XCB_CURRENT_TIME);
    }
    xcb_flush(connection());
}

// The page asks for the focus whenever WebKit focuses the view, also when a load starts or a
// script focuses an element: that must not take the keys from the address box. A click in the
// page takes the focus on its own.
void PlugHost::onEmbedderMessage(unsigned message) {
    switch (message) {
        case kFocusNext:
        case kFocusPrev:
            if (hasFocus()) focusNextPrevChild(message == kFocusNext);
            break;
        default:
            break;
    }
}

bool PlugHost::keyBeforePage(unsigned keyval, unsigned state, bool press) {
    const int key = qtKeyFor(keyval);
    if (press) emit userInput();
    if (!hasFocus() || (key && m_browserKeeps(QKeyCombination(qtModifiers(state), Qt::Key(key))))) {
        forwardKey(QKeyCombination(qtModifiers(state), Qt::Key(key)), textFor(keyval, state),
                   press);
        return true;
    }
    return false;
}

// The page answers a key press or release it did not use by sending it through GTK once more,
// and the view then lets its next key event by. When the key (Tab at the page's end) took the
// focus out of the view, that event would never reach it, and the view would let the next key
// typed into the page by instead: the view is given it.
bool PlugHost::handedBack(const GdkEventKey* key) {
    const auto sent =
        std::find(m_toPage.begin(), m_toPage.end(), SentKey(key->type, key->time, key->keyval));
    if (sent == m_toPage.end()) return false;
    m_toPage.erase(m_toPage.begin(), sent + 1);
    GtkWidget* view = gtk_bin_get_child(GTK_BIN(m_plug));
    if (view && !gtk_widget_is_focus(view))
        gtk_widget_event(view, reinterpret_cast<GdkEvent*>(const_cast<GdkEventKey*>(key)));
    return true;
}

// Tab and Shift+Tab that the page did not use have moved the focus out of it already (see
// onEmbedderMessage): the window must not move it once more.
void PlugHost::keyAfterPage(unsigned keyval, unsigned state, bool press) {
    const int key = qtKeyFor(keyval);
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return;
    const QKeyCombination combination(qtModifiers(state), Qt::Key(key));
    if (press && key && m_unusedKey && m_unusedKey(combination)) return;
    forwardKey(combination, textFor(keyval, state), press);
}

void PlugHost::pointerInPage(QPoint global) {
    QWindow* top = window()->windowHandle();
    if (!top) return;
    qt_handleMouseEvent(top, top->mapFromGlobal(global), global, Qt::NoButton, Qt::NoButton,
                        kMouseMove, QGuiApplication::keyboardModifiers(), 0);
}

void PlugHost::forwardKey(QKeyCombination key, const QString& text, bool press) {
    if (!key.key() || !window()->windowHandle()) return;
    qt_handleKeyEvent(window()->windowHandle(), press ? kKeyPress : kKeyRelease, key.key(),
                      key.keyboardModifiers(), text);
}

}  // namespace skiff
