#include "pagetools/findbar.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "controls/xpcmdbutton/xpcmdbutton.h"

namespace skiff {

namespace {

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// A key press of Escape alone, or the question whether the focus widget wants it.
bool isEscape(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
}

}  // namespace

FindBar::FindBar(WebBrowser* browser)
    : QFrame(browser->widget()),
      m_browser(browser),
      m_view(browser->widget()),
      m_text(new QLineEdit),
      m_matchCase(new QCheckBox("Match case")),
      m_result(new QLabel) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* next = xpcmdbutton::placeNew(this, "xpcmdNext", "NEXT");
    auto* previous = xpcmdbutton::placeNew(this, "xpcmdPrevious", "PREVIOUS", 990);
    auto* close = xpcmdbutton::placeNew(this, "xpcmdClose", "CLOSE");
    // A click on NEXT or PREVIOUS leaves the keyboard focus in the text box, where Enter and
    // Shift+Enter go on searching.
    for (xpcmdbutton* button : {next, previous}) button->setFocusPolicy(Qt::TabFocus);
    // Nor does a click on the bar around them pass the focus on to the page beneath.
    setFocusProxy(m_text);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel("Find:");
    label->setBuddy(m_text);  // the text box's name for assistive technology
    layout->addWidget(label);
    layout->addWidget(m_text, 1);
    layout->addWidget(next);
    layout->addWidget(previous);
    layout->addWidget(m_matchCase);
    layout->addWidget(m_result);
    layout->addStretch();
    layout->addWidget(close);

    connect(next, &xpcmdbutton::Click, this, &FindBar::findNext);
    connect(previous, &xpcmdbutton::Click, this, &FindBar::findPrevious);
    connect(close, &xpcmdbutton::Click, this, &FindBar::dismiss);
    connect(m_text, &QLineEdit::textEdited, this, &FindBar::startOver);
    connect(m_matchCase, &QCheckBox::toggled, this, &FindBar::startOver);
    // Escape anywhere in the bar closes it; the bar takes the key before any shortcut of the
    // window (Escape also stops a page that is loading).
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    m_view->installEventFilter(this);
    hide();
}

void FindBar::open() {
    placeOnView();
    show();
    raise();
    m_text->setFocus();
    m_text->selectAll();
}

void FindBar::dismiss() {
    hide();
    if (!m_browser || !m_view) return;
    m_browser->findText({}, false, false, {});
    m_view->setFocus();
}

void FindBar::findNext() {
    find(false);
}

void FindBar::findPrevious() {
    find(true);
}

QString FindBar::text() const {
    return m_text->text();
}

QString FindBar::resultText() const {
    return m_result->text();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::Resize) {
        placeOnView();
    } else if (isEscape(event) && watched != m_view) {
        event->accept();
        if (event->type() == QEvent::KeyPress) dismiss();
        return true;
    } else if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(key)) {
            if (key->modifiers() & Qt::ShiftModifier) {
                findPrevious();
            } else {
                findNext();
            }
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void FindBar::find(bool backward) {
    if (!m_browser) return;
    if (m_text->text().isEmpty()) {
        m_result->clear();
        return;
    }
    QPointer<FindBar> self(this);
    m_browser->findText(m_text->text(), backward, m_matchCase->isChecked(),
                        [self](const WebBrowser::FindResult& result) {
                            if (self) self->showResult(result);
                        });
}

// The engine goes on with a search for the same words whatever the options; a changed text or
// option starts a new search from the top.
void FindBar::startOver() {
    if (!m_browser) return;
    m_browser->findText({}, false, false, {});
    find(false);
}

void FindBar::showResult(const WebBrowser::FindResult& result) {
    if (result.numberOfMatches == 0) {
        m_result->setText(kNotFound);
    } else {
        m_result->setText(QString("%1 of %2").arg(result.activeMatch).arg(result.numberOfMatches));
    }
    emit resultShown();
}

void FindBar::placeOnView() {
    if (!m_view) return;
    const int height = sizeHint().height();
    setGeometry(0, m_view->height() - height, m_view->width(), height);
}

}  // namespace skiff
