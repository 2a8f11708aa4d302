#include "forms/textdialog.h"

#include <QAction>
#include <QCheckBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

namespace skiff {

namespace {

// Room left on the screen for the window manager's frame around a dialog.
constexpr QSize kFrameRoom{32, 64};

// A long text: read-only, wrapped anywhere a line needs it, scrolled. It asks for about 72
// characters by 16 lines; the dialog may give it less.
class ScrollingText : public QPlainTextEdit {
public:
    explicit ScrollingText(const QString& text) {
        setReadOnly(true);
        setPlainText(text);
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        setTabChangesFocus(true);
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        const int frame = 2 * frameWidth() + 2 * int(document()->documentMargin());
        return {metrics.averageCharWidth() * 72 + frame + verticalScrollBar()->sizeHint().width(),
                metrics.lineSpacing() * 16 + frame};
    }
};

QWidget* textView(const QString& text) {
    if (TextDialog::scrolls(text)) return new ScrollingText(text);
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

bool closesOrQuits(const QAction* action) {
    for (auto key : {QKeySequence::Close, QKeySequence::Quit}) {
        for (const QKeySequence& sequence : QKeySequence::keyBindings(key)) {
            if (action->shortcuts().contains(sequence)) return true;
        }
    }
    return false;
}

// While it lives, `window` takes no input but to its close box, and the window's keys that
// close it or quit work in `dialog` too.
class OwnWindowBlock {
public:
    OwnWindowBlock(QWidget* window, QWidget* dialog) : m_dialog(dialog) {
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow() || !child->isEnabled()) continue;
            child->setEnabled(false);
            m_disabled << child;
        }
        for (QAction* action : window->actions()) {
            if (!closesOrQuits(action)) continue;
            dialog->addAction(action);
            m_lent << action;
        }
    }
    ~OwnWindowBlock() {
        for (const QPointer<QWidget>& child : m_disabled) {
            if (child) child->setEnabled(true);
        }
        if (!m_dialog) return;
        for (const QPointer<QAction>& action : m_lent) {
            if (action) m_dialog->removeAction(action);
        }
    }
    OwnWindowBlock(const OwnWindowBlock&) = delete;
    OwnWindowBlock& operator=(const OwnWindowBlock&) = delete;

private:
    QPointer<QWidget> m_dialog;
    QList<QPointer<QWidget>> m_disabled;
    QList<QPointer<QAction>> m_lent;
};

}  // namespace

TextDialog::TextDialog(QWidget* parent, const QString& title, const QString& text)
    : QDialog(parent), m_layout(new QVBoxLayout(this)), m_buttons(new QHBoxLayout) {
    setWindowTitle(title);
    m_layout->addWidget(textView(text), 1);
    m_buttons->addStretch();
    m_layout->addLayout(m_buttons);
}

bool TextDialog::scrolls(const QString& text) {
    if (text.size() > kShortChars || text.count(u'\n') >= kShortLines) return true;
    int word = 0;
    for (const QChar c : text) {
        word = c.isSpace() ? 0 : word + 1;
        if (word > kLongestWord) return true;
    }
    return false;
}

QLineEdit* TextDialog::addLineEdit(const QString& label, const QString& value) {
    if (!m_fields) {
        m_fields = new QFormLayout;
        m_layout->insertLayout(m_layout->count() - 1, m_fields);
    }
    auto* edit = new QLineEdit(value);
    m_fields->addRow(label, edit);
    return edit;
}

QCheckBox* TextDialog::addCheckBox(const QString& text) {
    auto* box = new QCheckBox(text);
    m_layout->insertWidget(m_layout->count() - 1, box);
    return box;
}

QPushButton* TextDialog::addButton(const QString& text, bool isDefault) {
    auto* button = new QPushButton(text);
    button->setDefault(isDefault);
    m_buttons->addWidget(button);
    m_buttonList << button;
    connect(button, &QPushButton::clicked, this, [this, button] { press(button); });
    return button;
}

void TextDialog::press(QPushButton* button) {
    m_pressed = button;
    done(QDialog::Accepted);
}

void TextDialog::reject() {
    QPushButton* escape =
        m_escape ? m_escape.data() : (m_buttonList.isEmpty() ? nullptr : m_buttonList.last());
    if (escape) {
        press(escape);
    } else {
        QDialog::reject();
    }
}

void TextDialog::dismiss() {
    m_pressed = nullptr;
    done(QDialog::Rejected);
}

void TextDialog::fitToScreen() {
    QWidget* anchor = parentWidget() ? parentWidget()->window() : this;
    const QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize room = screen->availableGeometry().size() - kFrameRoom;
    setMaximumSize(room);
    adjustSize();
    resize(size().boundedTo(room));
}

QPushButton* TextDialog::run(Blocks blocks) {
    const QPointer<TextDialog> self(this);
    m_pressed = nullptr;
    // The first text box takes the keys, else the default button.
    if (const auto edits = findChildren<QLineEdit*>(); !edits.isEmpty()) {
        edits.first()->setFocus();
    } else {
        for (QPushButton* button : m_buttonList) {
            if (button->isDefault()) button->setFocus();
        }
    }
    fitToScreen();
    QWidget* window = parentWidget() ? parentWidget()->window() : nullptr;
    if (blocks == Blocks::Application || !window) {
        exec();
        return self ? m_pressed : nullptr;
    }
    const OwnWindowBlock block(window, this);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    show();
    raise();
    activateWindow();
    loop.exec(QEventLoop::DialogExec);
    return self ? m_pressed : nullptr;
}

}  // namespace skiff
