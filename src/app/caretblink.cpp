#include "app/caretblink.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

namespace skiff {

namespace {

// Watches the whole program's input; restores the desktop's blink period on input and sets it
// to 0 (no blinking) after the quiet time.
class CaretBlinkTimeout : public QObject {
public:
    explicit CaretBlinkTimeout(QObject* parent)
        : QObject(parent), period_(QApplication::cursorFlashTime()) {
        quiet_.setSingleShot(true);
        quiet_.setInterval(kCaretBlinkSeconds * 1000);
        connect(&quiet_, &QTimer::timeout, this, [] { QApplication::setCursorFlashTime(0); });
        quiet_.start();
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::KeyPress:
            case QEvent::MouseButtonPress:
            case QEvent::InputMethod:
            case QEvent::FocusIn:
                if (QApplication::cursorFlashTime() != period_)
                    QApplication::setCursorFlashTime(period_);
                quiet_.start();
                break;
            default:
                break;
        }
        return false;
    }

private:
    const int period_;  // the desktop's; 0 when it does not blink the caret at all
    QTimer quiet_;
};

}  // namespace

void stopCaretBlinkingWhenIdle() {
    static QPointer<CaretBlinkTimeout> installed;
    if (!installed && qApp) installed = new CaretBlinkTimeout(qApp);
}

}  // namespace skiff
