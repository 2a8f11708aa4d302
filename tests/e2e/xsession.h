#pragma once

// A private X server with a window manager for end-to-end tests, and everything a test needs
// to act on it as a person does and to watch it as another program can: windows by name,
// their geometry, screen pixels, the pointer, the keyboard and the clipboard.
//
//     XSession x;
//     QVERIFY2(x.start(), qPrintable(x.error()));      // Xvfb + openbox on a free display
//     // ... start a program with DISPLAY=x.displayName() ...
//     const TopLevel w = x.waitForClient("My Window");
//     QVERIFY(w.isValid());
//     x.click(w.atPixel(10, 10));
//     x.typeText("hello");
//     x.key("Return");
//     QCOMPARE(x.selectAllAndCopy(), QString("hello"));
//
// Every wait polls with a deadline while the caller's Qt event loop keeps running, so servers
// of the test (such as a LoopbackServer) go on answering.

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QMargins>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <optional>

struct _XDisplay;

namespace skiff::e2e {

// How long a wait lasts by default: long enough for a slow, shared machine.
constexpr int kWaitMs = 20000;

// Polls `condition` (every ~20 ms, running the Qt event loop in between) until it holds or
// `timeoutMs` have passed; returns whether it held.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = kWaitMs);

// A top-level client window as the window manager lists it.
struct TopLevel {
    unsigned long id = 0;  // the client's own X window (not the manager's frame)
    QString name;          // _NET_WM_NAME, else WM_NAME
    QRect client;          // the client area in root (screen) coordinates, without the frame
    QMargins frame;        // _NET_FRAME_EXTENTS: the frame's width on each side

    bool isValid() const { return id != 0; }
    // A point of the client area, in pixels or twips (15 twips = 1 pixel) from its top-left
    // corner, in root coordinates.
    QPoint atPixel(int x, int y) const { return client.topLeft() + QPoint(x, y); }
    QPoint atTwips(int x, int y) const { return atPixel(x / 15, y / 15); }
    // A rectangle given in twips relative to the client area, in root pixels.
    QRect twipsRect(int left, int top, int width, int height) const;
};

// Modifier keys held while a key is pressed; combine with |.
enum Modifier { NoModifier = 0, Shift = 1, Ctrl = 2, Alt = 4 };

class XSession {
public:
    XSession();
    ~XSession();  // ends the window manager and the X server
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Starts Xvfb (1280x1024, 24 bits, 96 dpi, no TCP) on a free display and openbox on it,
    // and waits until the window manager runs. Does not look at the caller's DISPLAY. On
    // failure, error() says why.
    bool start();
    QString error() const { return m_error; }
    // ":N", for the DISPLAY of the programs under test.
    QString displayName() const { return m_displayName; }

    // ---- Windows ----
    // The managed top-level windows (_NET_CLIENT_LIST), in the order the manager lists them.
    QList<TopLevel> clients() const;
    // The first client whose name is `name` exactly; an invalid TopLevel when there is none.
    TopLevel client(const QString& name) const;
    // Waits for a client named `name` (or matching `match`) and returns it; invalid on time-out.
    TopLevel waitForClient(const QString& name, int timeoutMs = kWaitMs) const;
    TopLevel waitForClient(const std::function<bool(const TopLevel&)>& match,
                           int timeoutMs = kWaitMs) const;
    // Waits until no client is named `name`.
    bool waitForNoClient(const QString& name, int timeoutMs = kWaitMs) const;
    // The same client read afresh (name and geometry may have changed); invalid when gone.
    TopLevel refreshed(const TopLevel& window) const;
    // The window that has the keyboard focus according to the manager (_NET_ACTIVE_WINDOW).
    unsigned long activeWindow() const;
    bool waitForActive(const TopLevel& window, int timeoutMs = kWaitMs) const;
    // Mapped override-redirect windows (pop-up menus, drop-down lists, tool tips) in root
    // coordinates: these are not managed, so they are not clients.
    QList<QRect> popups() const;
    // Waits for a pop-up that is not among `before` and returns it; empty on time-out.
    QRect waitForNewPopup(const QList<QRect>& before, int timeoutMs = kWaitMs) const;
    // Closes a client as a person does: a click on the close box at the right end of its
    // title bar. Returns once the window is gone, false if it stays.
    bool closeByCloseBox(const TopLevel& window, int timeoutMs = kWaitMs);

    // ---- Screen ----
    QImage grab(const QRect& rootRect) const;  // RGB32; null when out of the screen
    QImage grabScreen() const;
    QColor pixel(QPoint rootPoint) const;
    // Writes the whole screen as PNG; false when that fails.
    bool saveScreenshot(const QString& path) const;

    // ---- Pointer (root coordinates; button 1 is the left button) ----
    void movePointer(QPoint to);
    void pressButton(int button = 1);
    void releaseButton(int button = 1);
    // A click at the spot of the last click waits until it cannot count as a double click.
    void click(QPoint at, int button = 1);
    void doubleClick(QPoint at);

    // ---- Keyboard (to the window with the focus) ----
    // Types printable ASCII text key by key, with Shift where a character needs it; "\n" is
    // Return. Returns false (typing nothing more) at a character the keyboard map lacks.
    bool typeText(const QString& text);
    // Presses and releases one key, named as an X keysym ("Return", "Escape", "F4", "Down",
    // "a", "Tab"), with the modifiers held around it. False when the name is unknown.
    bool key(const QString& keysymName, int modifiers = NoModifier);

    // ---- Clipboard ----
    // The CLIPBOARD selection as UTF-8 text; nothing when no program owns it or it does not
    // answer in time.
    std::optional<QString> clipboardText(int timeoutMs = kWaitMs);
    // Empties the clipboard (no owner) once keys typed before have had time to take effect,
    // presses Ctrl+C in the focused window and returns what it copied; nothing when it copied
    // nothing.
    std::optional<QString> copySelection(int timeoutMs = kWaitMs);
    // Ctrl+A, then copySelection(): the whole text of the focused text box.
    std::optional<QString> selectAllAndCopy(int timeoutMs = kWaitMs);

private:
    TopLevel describe(unsigned long window) const;
    unsigned long atom(const char* name) const;
    bool keyWithCode(unsigned char keycode, int modifiers);
    void flush();
    void waitForButton(int button, bool down) const;
    void stop();

    QTemporaryDir m_home;  // the window manager's home
    QProcess m_xvfb;
    QProcess m_openbox;
    _XDisplay* m_display = nullptr;
    unsigned long m_root = 0;
    unsigned long m_clipboardWindow = 0;  // receives the clipboard's text
    QString m_displayName;
    QString m_error;
    QPoint m_lastClick;
    QElapsedTimer m_sinceLastClick;
};

}  // namespace skiff::e2e
