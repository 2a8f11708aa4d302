#include "e2e/xsession.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QtTest>

// Xlib's macros (None, Bool, Status, KeyPress, ...) clash with Qt's names: Qt comes first.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace skiff::e2e {

namespace {

// Windows come and go while they are looked at; a request on a window that has just gone
// must not end the test program, as Xlib's default handler would.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Typed keys are paced a little, as fingers are, so that no two key events share a
// timestamp (a release and a press at the same time read as the key repeating).
constexpr unsigned long kKeyPaceMs = 3;

// How long keys typed just before may still be under way in a page: a paste there reads the
// clipboard some time after its key.
constexpr int kPageCatchUpMs = 300;

// Longer than any program's double-click interval (Qt's default is 400 ms).
constexpr qint64 kDoubleClickMs = 700;

// A hand takes longer than this to go from the mouse to the keys. WebKitGTK counts on it: a key
// pressed a few milliseconds after a click in a page may reach the page before the click does
// (WebKit sends the key on while it still holds the click back).
constexpr qint64 kHandToKeysMs = 100;

template <typename T>
struct XFreeDeleter {
    void operator()(T* p) const {
        if (p) XFree(p);
    }
};
template <typename T>
using XPtr = std::unique_ptr<T, XFreeDeleter<T>>;

// A property of `window` as a list of 32-bit items (Xlib hands them out as longs).
QList<unsigned long> longsProperty(Display* d, Window window, Atom property, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QList<unsigned long> out;
    if (XGetWindowProperty(d, window, property, 0, 4096, False, type, &actualType, &format, &count,
                           &after, &data) != Success) {
        return out;
    }
    XPtr<unsigned char> owned(data);
    if (format != 32 || !data) return out;
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count; ++i) out.append(items[i]);
    return out;
}

QByteArray bytesProperty(Display* d, Window window, Atom property, Atom type, Atom* gotType,
                         bool remove) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, property, 0, 1 << 22, remove ? True : False, type,
                           &actualType, &format, &count, &after, &data) != Success) {
        return {};
    }
    XPtr<unsigned char> owned(data);
    if (gotType) *gotType = actualType;
    if (format != 8 || !data) return {};
    return QByteArray(reinterpret_cast<const char*>(data), int(count));
}

}  // namespace

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return condition();
        QTest::qWait(20);
    }
    return true;
}

QRect TopLevel::twipsRect(int left, int top, int width, int height) const {
    return QRect(atTwips(left, top), QSize(width / 15, height / 15));
}

XSession::XSession() = default;

XSession::~XSession() {
    stop();
}

bool XSession::start() {
    if (!m_home.isValid()) {
        m_error = "no temporary folder for the window manager";
        return false;
    }
    // Xvfb picks a free display and writes its number to descriptor 1, our pipe, once it
    // accepts connections.
    m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-dpi", "96",
                          "-nolisten", "tcp"});
    if (!m_xvfb.waitForStarted(kWaitMs)) {
        m_error = "Xvfb does not start: " + m_xvfb.errorString();
        return false;
    }
    QByteArray number;
    waitFor([&] {
        number += m_xvfb.readAllStandardOutput();
        return number.contains('\n') || m_xvfb.state() == QProcess::NotRunning;
    });
    if (!number.contains('\n')) {
        m_error = "Xvfb names no display: " + QString::fromLocal8Bit(m_xvfb.readAllStandardError());
        return false;
    }
    m_displayName = ":" + QString::fromLatin1(number.trimmed());

    XSetErrorHandler(ignoreXError);
    m_display = XOpenDisplay(m_displayName.toLatin1().constData());
    if (!m_display) {
        m_error = "cannot connect to " + m_displayName;
        return false;
    }
    m_root = DefaultRootWindow(m_display);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_display, &event, &error, &major, &minor)) {
        m_error = "the X server has no XTest";
        return false;
    }
    m_clipboardWindow = XCreateSimpleWindow(m_display, m_root, 0, 0, 1, 1, 0, 0, 0);
    // The first key (and pointer move) from XTest makes the server switch the core keyboard
    // (pointer) over to XTest's device and tell every client of the new device; a program
    // that reloads its keymap then loses the keys in between. Switch before any program runs.
    key("Shift_L");
    movePointer(QPoint(DisplayWidth(m_display, 0) - 1, DisplayHeight(m_display, 0) - 1));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_displayName);
    env.insert("HOME", m_home.path());
    env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    m_openbox.setProcessEnvironment(env);
    m_openbox.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_openbox.setStandardOutputFile(QProcess::nullDevice());
    m_openbox.start("openbox", {"--sm-disable"});
    const bool managed = waitFor([this] {
        return !longsProperty(m_display, m_root, atom("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW)
                    .isEmpty() ||
               m_openbox.state() == QProcess::NotRunning;
    });
    if (!managed || m_openbox.state() == QProcess::NotRunning) {
        m_error = "openbox does not start: " + m_openbox.errorString();
        return false;
    }
    return true;
}

void XSession::stop() {
    if (m_display) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
    for (QProcess* p : {&m_openbox, &m_xvfb}) {
        if (p->state() == QProcess::NotRunning) continue;
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

unsigned long XSession::atom(const char* name) const {
    return XInternAtom(m_display, name, False);
}

void XSession::flush() {
    XSync(m_display, False);
}

// ---- Windows ----

TopLevel XSession::describe(unsigned long window) const {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(m_display, window, &attributes)) return {};
    int x = 0, y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(m_display, window, m_root, 0, 0, &x, &y, &child)) return {};
    TopLevel t;
    t.id = window;
    t.client = QRect(x, y, attributes.width, attributes.height);
    const QByteArray utf8 =
        bytesProperty(m_display, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), nullptr, false);
    if (!utf8.isEmpty()) {
        t.name = QString::fromUtf8(utf8);
    } else {
        char* name = nullptr;
        if (XFetchName(m_display, window, &name) && name) t.name = QString::fromLocal8Bit(name);
        if (name) XFree(name);
    }
    const QList<unsigned long> extents =
        longsProperty(m_display, window, atom("_NET_FRAME_EXTENTS"), XA_CARDINAL);
    if (extents.size() == 4) {
        t.frame = QMargins(int(extents[0]), int(extents[2]), int(extents[1]), int(extents[3]));
    }
    return t;
}

QList<TopLevel> XSession::clients() const {
    QList<TopLevel> out;
    for (unsigned long w : longsProperty(m_display, m_root, atom("_NET_CLIENT_LIST"), XA_WINDOW)) {
        const TopLevel t = describe(w);
        if (t.isValid()) out.append(t);
    }
    return out;
}

TopLevel XSession::client(const QString& name) const {
    for (const TopLevel& t : clients()) {
        if (t.name == name) return t;
    }
    return {};
}

TopLevel XSession::waitForClient(const QString& name, int timeoutMs) const {
    return waitForClient([&name](const TopLevel& t) { return t.name == name; }, timeoutMs);
}

TopLevel XSession::waitForClient(const std::function<bool(const TopLevel&)>& match,
                                 int timeoutMs) const {
    TopLevel found;
    waitFor(
        [&] {
            for (const TopLevel& t : clients()) {
                if (match(t)) {
                    found = t;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool XSession::waitForNoClient(const QString& name, int timeoutMs) const {
    return waitFor([&] { return !client(name).isValid(); }, timeoutMs);
}

TopLevel XSession::refreshed(const TopLevel& window) const {
    for (const TopLevel& t : clients()) {
        if (t.id == window.id) return t;
    }
    return {};
}

unsigned long XSession::activeWindow() const {
    const QList<unsigned long> active =
        longsProperty(m_display, m_root, atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
    return active.isEmpty() ? 0 : active.first();
}

bool XSession::waitForActive(const TopLevel& window, int timeoutMs) const {
    return waitFor([&] { return activeWindow() == window.id; }, timeoutMs);
}

QList<QRect> XSession::popups() const {
    QList<QRect> out;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(m_display, m_root, &root, &parent, &children, &count)) return out;
    XPtr<Window> owned(children);
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(m_display, children[i], &a) && a.override_redirect &&
            a.map_state == IsViewable && a.width > 1 && a.height > 1) {
            out.append(QRect(a.x, a.y, a.width, a.height));
        }
    }
    return out;
}

QRect XSession::waitForNewPopup(const QList<QRect>& before, int timeoutMs) const {
    QRect found;
    waitFor(
        [&] {
            for (const QRect& r : popups()) {
                if (!before.contains(r)) {
                    found = r;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool XSession::closeByCloseBox(const TopLevel& window, int timeoutMs) {
    const TopLevel now = refreshed(window);
    if (!now.isValid()) return false;
    // openbox puts the close box last in the title bar, inside the frame's border (as wide
    // as its left side): a square about as high as the bar, at the bar's right end.
    const QRect outer = now.client.marginsAdded(now.frame);
    const int border = now.frame.left();
    const int bar = now.frame.top() - border;
    click(QPoint(outer.right() - border - bar / 2, outer.top() + border + bar / 2));
    return waitFor([&] { return !refreshed(window).isValid(); }, timeoutMs);
}

// ---- Screen ----

QImage XSession::grab(const QRect& rootRect) const {
    const QRect screen(0, 0, DisplayWidth(m_display, DefaultScreen(m_display)),
                       DisplayHeight(m_display, DefaultScreen(m_display)));
    const QRect r = rootRect.intersected(screen);
    if (r.isEmpty() || r != rootRect) return {};
    XImage* image =
        XGetImage(m_display, m_root, r.x(), r.y(), r.width(), r.height(), AllPlanes, ZPixmap);
    if (!image) return {};
    QImage out(r.size(), QImage::Format_RGB32);
    for (int y = 0; y < r.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            line[x] = qRgb(int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff));
        }
    }
    XDestroyImage(image);
    return out;
}

QImage XSession::grabScreen() const {
    return grab(QRect(0, 0, DisplayWidth(m_display, DefaultScreen(m_display)),
                      DisplayHeight(m_display, DefaultScreen(m_display))));
}

QColor XSession::pixel(QPoint rootPoint) const {
    const QImage image = grab(QRect(rootPoint, QSize(1, 1)));
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

bool XSession::saveScreenshot(const QString& path) const {
    return m_display && grabScreen().save(path, "PNG");
}

// ---- Pointer ----

void XSession::movePointer(QPoint to) {
    XTestFakeMotionEvent(m_display, -1, to.x(), to.y(), CurrentTime);
    flush();
}

void XSession::pressButton(int button) {
    XTestFakeButtonEvent(m_display, unsigned(button), True, CurrentTime);
    flush();
    waitForButton(button, true);
}

void XSession::releaseButton(int button) {
    XTestFakeButtonEvent(m_display, unsigned(button), False, CurrentTime);
    flush();
    waitForButton(button, false);
}

// The window manager grabs a press synchronously and lets it through to the window when it
// has looked at it; until then the server holds the button's events back. A pointer moved on
// meanwhile (the next click) would put a held-back release there, off the button pressed. So
// a press or release is done once the server shows the button in that state.
void XSession::waitForButton(int button, bool down) const {
    if (button < 1 || button > 5) return;  // the pointer's state has bits for five buttons
    const unsigned int mask = Button1Mask << (button - 1);
    waitFor([&] {
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int state = 0;
        XQueryPointer(m_display, m_root, &root, &child, &rootX, &rootY, &x, &y, &state);
        return bool(state & mask) == down;
    });
}

void XSession::click(QPoint at, int button) {
    // A second click at the same spot soon after the first would be a double click.
    if ((at - m_lastClick).manhattanLength() < 8 && m_sinceLastClick.isValid()) {
        const qint64 wait = kDoubleClickMs - m_sinceLastClick.elapsed();
        if (wait > 0) QTest::qWait(int(wait));
    }
    movePointer(at);
    QThread::msleep(kKeyPaceMs);
    pressButton(button);
    QThread::msleep(kKeyPaceMs);
    releaseButton(button);
    m_lastClick = at;
    m_sinceLastClick.start();
}

void XSession::doubleClick(QPoint at) {
    movePointer(at);
    for (int i = 0; i < 2; ++i) {
        QThread::msleep(kKeyPaceMs);
        pressButton();
        QThread::msleep(kKeyPaceMs);
        releaseButton();
    }
    m_lastClick = at;
    m_sinceLastClick.start();
}

// ---- Keyboard ----

bool XSession::keyWithCode(unsigned char keycode, int modifiers) {
    if (m_sinceLastClick.isValid()) {
        const qint64 wait = kHandToKeysMs - m_sinceLastClick.elapsed();
        if (wait > 0) QTest::qWait(int(wait));
    }
    QList<KeyCode> held;
    const std::pair<int, KeySym> modifierKeys[] = {
        {Ctrl, XK_Control_L}, {Alt, XK_Alt_L}, {Shift, XK_Shift_L}};
    for (const auto& [flag, sym] : modifierKeys) {
        if (modifiers & flag) held.append(XKeysymToKeycode(m_display, sym));
    }
    for (KeyCode k : held) XTestFakeKeyEvent(m_display, k, True, CurrentTime);
    XTestFakeKeyEvent(m_display, keycode, True, CurrentTime);
    flush();
    QThread::msleep(kKeyPaceMs);
    XTestFakeKeyEvent(m_display, keycode, False, CurrentTime);
    for (auto k = held.rbegin(); k != held.rend(); ++k) {
        XTestFakeKeyEvent(m_display, *k, False, CurrentTime);
    }
    flush();
    QThread::msleep(kKeyPaceMs);
    return true;
}

bool XSession::key(const QString& keysymName, int modifiers) {
    const KeySym sym = XStringToKeysym(keysymName.toLatin1().constData());
    if (sym == NoSymbol) return false;
    const KeyCode code = XKeysymToKeycode(m_display, sym);
    if (code == 0) return false;
    // An upper-case letter, say, sits on the second level of its key.
    const bool shifted = XkbKeycodeToKeysym(m_display, code, 0, 0) != sym &&
                         XkbKeycodeToKeysym(m_display, code, 0, 1) == sym;
    return keyWithCode(code, modifiers | (shifted ? Shift : NoModifier));
}

bool XSession::typeText(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        KeySym sym = NoSymbol;
        if (u == '\n')
            sym = XK_Return;
        else if (u >= 0x20 && u < 0x7f)
            sym = u;  // the keysyms of printable ASCII are the characters themselves
        if (sym == NoSymbol) return false;
        if (!key(QString::fromLatin1(XKeysymToString(sym)))) return false;
    }
    return true;
}

// ---- Clipboard ----

std::optional<QString> XSession::clipboardText(int timeoutMs) {
    const Atom clipboard = atom("CLIPBOARD");
    const Atom target = atom("UTF8_STRING");
    const Atom property = atom("SKIFF_E2E_CLIPBOARD");
    XConvertSelection(m_display, clipboard, target, property, m_clipboardWindow, CurrentTime);
    flush();
    XEvent event;
    const bool answered = waitFor(
        [&] {
            return XCheckTypedWindowEvent(m_display, m_clipboardWindow, SelectionNotify, &event) ==
                   True;
        },
        timeoutMs);
    if (!answered || event.xselection.property == None) return std::nullopt;
    Atom type = 0;
    const QByteArray text =
        bytesProperty(m_display, m_clipboardWindow, property, AnyPropertyType, &type, true);
    if (type == atom("INCR")) return std::nullopt;  // too large for the tests' needs
    return QString::fromUtf8(text);
}

std::optional<QString> XSession::copySelection(int timeoutMs) {
    QTest::qWait(kPageCatchUpMs);  // before the clipboard is emptied under a paste
    const Atom clipboard = atom("CLIPBOARD");
    XSetSelectionOwner(m_display, clipboard, None, CurrentTime);
    flush();
    key("c", Ctrl);
    // The program may hand the clipboard on while it is read (Skiff on WebKitGTK hands what a
    // page copied from GTK to Qt): the new owner is asked again, and the next keys, which may
    // paste, wait until it holds it, as they would for a person's fingers.
    std::optional<QString> text;
    waitFor(
        [&] {
            return XGetSelectionOwner(m_display, clipboard) != None &&
                   (text = clipboardText(std::min(timeoutMs, 2000)));
        },
        timeoutMs);
    QTest::qWait(kPageCatchUpMs);
    return text;
}

std::optional<QString> XSession::selectAllAndCopy(int timeoutMs) {
    key("a", Ctrl);
    return copySelection(timeoutMs);
}

}  // namespace skiff::e2e
