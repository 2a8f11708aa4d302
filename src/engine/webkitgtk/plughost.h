#pragma once

#include <QList>
#include <QWidget>
#include <functional>
#include <tuple>

using GtkWidget = struct _GtkWidget;
using GdkEventKey = struct _GdkEventKey;
class QWindow;

namespace skiff {

// A GTK widget shown inside a Qt window. The widget lives in a GtkPlug whose X window is placed
// in this widget's area; GTK runs on the same thread and event loop as Qt. The host joins the
// two toolkits' ideas of focus and keys (the X11 part lives in plughost.cpp):
// - the page takes the keyboard focus when this widget has it: clicking in the page gives it
//   to this widget, Tab and Shift+Tab move through the page and out of it to the next or
//   previous widget of the window, and into it from them;
// - keys go to the GTK widget first, except those `browserKeeps` names, which go to the Qt
//   window at once; a key the widget did not use comes back to the Qt window as a key press,
//   where the window's shortcuts and the widgets' parents see it;
// - while another widget of the window has the focus, keys that X hands to the GTK widget
//   (because the pointer rests over it) go to that widget.
// Other child widgets of the host (a find bar) show over the GTK widget.
class PlugHost : public QWidget {
    Q_OBJECT
public:
    using KeepsKey = std::function<bool(QKeyCombination)>;

    // Shows `child` (a GTK widget without a parent), which is destroyed with this host.
    PlugHost(GtkWidget* child, KeepsKey browserKeeps, QWidget* parent = nullptr);
    ~PlugHost() override;

    // GDK ends the program on an X error it did not expect. Qt and GTK each talk to the X
    // server on a connection of their own, so a request of GTK's may reach a window that Qt
    // has just destroyed (the plug's window goes with the Qt window it lies in): GTK's X
    // errors are let pass for the whole run. Call it once GTK has started.
    static void tolerateGoneWindows();

    // From now on, what GTK comes to hold on the clipboard (what a page copies) is handed to
    // Qt's clipboard (see plughost.cpp). Call it once GTK has started.
    static void handClipboardToQt();

    // Whether the X11 windowing system the embedding needs is what Qt runs on; when not, why.
    static bool available(QString* why);

    // Hands a key to the Qt window of this host as the platform would, shortcuts first.
    void forwardKey(QKeyCombination key, const QString& text, bool press);

    // A key press the page did not use goes to `handler` first, and on to the window only when
    // it returns false.
    void setUnusedKeyHandler(KeepsKey handler) { m_unusedKey = std::move(handler); }

signals:
    // A mouse button or key was pressed in the GTK widget.
    void userInput();
    // Tab (or Shift+Tab, `backward`) brought the focus here from the window's other widgets: the
    // page's first (last) element should take it.
    void focusEntered(bool backward);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class NativeFilter;
    friend class NativeFilter;

    unsigned long plugWindow() const;
    void embedPageAccessible();
    void placePage();
    // GTK's key handlers: before the GTK widget sees a key, and after it did not use it.
    bool keyBeforePage(unsigned keyval, unsigned state, bool press);
    void keyAfterPage(unsigned keyval, unsigned state, bool press);
    // Whether `key` is one the page did not use and sends back (see plughost.cpp).
    bool handedBack(const GdkEventKey* key);
    // The GTK widget's XEMBED messages to its embedder.
    void onEmbedderMessage(unsigned message);
    // Tells Qt where the pointer is while it moves over the page.
    void pointerInPage(QPoint global);

    GtkWidget* m_plug;
    QWidget* m_container = nullptr;
    KeepsKey m_browserKeeps;
    KeepsKey m_unusedKey;
    // The last key events let through to the page: press or release, time and key value.
    using SentKey = std::tuple<int, unsigned, unsigned>;
    QList<SentKey> m_toPage;
};

}  // namespace skiff
