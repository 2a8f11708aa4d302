#include "engine/pagedialogs.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include "engine/enginequestions.h"
#include "forms/textdialog.h"

namespace skiff {

namespace {

QString titleFor(const QUrl& origin) {
    const QString site = enginequestions::hostAndPort(enginequestions::originOf(origin));
    return origin.host().isEmpty() ? QString("This page says") : site + " says";
}

}  // namespace

PageDialogs::Open::Open(PageDialogs* dialogs) : m_dialogs(dialogs) {
    ++dialogs->m_open;
}

PageDialogs::Open::~Open() {
    if (!m_dialogs) return;
    if (--m_dialogs->m_open == 0 && m_dialogs->m_answerWhenShut) m_dialogs->answerClose(true);
}

PageDialogs::PageDialogs(std::function<QWidget*()> window, QObject* parent)
    : QObject(parent), m_window(std::move(window)) {
    m_closeTimer.setSingleShot(true);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] { answerClose(true); });
}

void PageDialogs::alert(const QUrl& origin, const QString& text) {
    if (!answeredAtOnce()) show(Kind::Alert, origin, text);
}

bool PageDialogs::confirm(const QUrl& origin, const QString& text) {
    return !answeredAtOnce() && show(Kind::Confirm, origin, text).has_value();
}

std::optional<QString> PageDialogs::prompt(const QUrl& origin, const QString& text,
                                           const QString& value) {
    if (answeredAtOnce()) return std::nullopt;
    return show(Kind::Prompt, origin, text, value);
}

std::optional<QString> PageDialogs::show(Kind kind, const QUrl& origin, const QString& text,
                                         const QString& value) {
    const QPointer<PageDialogs> self(this);
    const Open open(this);
    const QPointer dialog = new TextDialog(m_window(), titleFor(origin), text);
    QLineEdit* input = kind == Kind::Prompt ? dialog->addLineEdit({}, value) : nullptr;
    QCheckBox* stop =
        m_pace.offersStop(DialogPace::Clock::now()) ? dialog->addCheckBox(kStopText) : nullptr;
    QPushButton* ok = dialog->addButton("OK", true);
    if (kind != Kind::Alert) dialog->addButton("Cancel");
    QPushButton* pressed = dialog->run(TextDialog::Blocks::OwnWindow);
    std::optional<QString> answer;
    if (dialog && pressed == ok) answer = input ? input->text() : QString();
    const bool stopChosen = dialog && stop && stop->isChecked();
    delete dialog;
    if (!self) return std::nullopt;
    if (stopChosen) m_stopped = true;
    m_pace.answered(DialogPace::Clock::now());
    return answer;
}

bool PageDialogs::confirmLeave() {
    if (m_stopped) return true;
    m_closeTimer.stop();  // the user decides now
    const QPointer<PageDialogs> self(this);
    bool leave = false;
    {
        const Open open(this);
        const QPointer dialog = new TextDialog(
            m_window(), "Leave Page",
            "This page asks whether you want to leave it. Changes you made may not be saved.");
        QPushButton* leaveButton = dialog->addButton("Leave");
        dialog->addButton("Stay", true);
        QPushButton* pressed = dialog->run(TextDialog::Blocks::OwnWindow);
        // Taken away unanswered: the window closes.
        leave = pressed == leaveButton || !pressed;
        delete dialog;
        if (!self) return leave;
        if (m_answerWhenShut) return leave;  // the close is answered as the dialog ends
    }
    if (m_close == Close::Asking) {
        // Once left, the engine reports the page's agreement; a page that then says nothing
        // closes when the time is up.
        if (leave) {
            m_closeTimer.start(kCloseAnswerMs);
        } else {
            answerClose(false);
        }
    }
    return leave;
}

void PageDialogs::newDocument() {
    m_stopped = false;
    m_pace.reset();
}

void PageDialogs::requestClose(const std::function<bool()>& askPage) {
    if (m_close == Close::Agreed) {
        QTimer::singleShot(0, this, [this] { emit closeAnswered(true); });
        return;
    }
    if (m_open > 0) {
        // The user closes the window past the page's dialog.
        m_close = Close::Asking;
        m_answerWhenShut = true;
        dismissOpenDialogs();
        return;
    }
    if (m_close == Close::Asking) return;
    m_close = Close::Asking;
    if (!askPage()) {
        answerClose(true);
        return;
    }
    m_closeTimer.start(kCloseAnswerMs);
}

void PageDialogs::pageAgreedToClose() {
    if (m_open == 0) answerClose(true);
}

void PageDialogs::pageClosedItself() {
    if (m_close != Close::None) return;
    m_close = Close::Asking;
    answerClose(true);
}

void PageDialogs::answerClose(bool mayClose) {
    if (m_close != Close::Asking) return;
    m_closeTimer.stop();
    m_answerWhenShut = false;
    m_close = mayClose ? Close::Agreed : Close::None;
    QTimer::singleShot(0, this, [this, mayClose] { emit closeAnswered(mayClose); });
}

void PageDialogs::dismissOpenDialogs() {
    QWidget* window = m_window();
    if (!window) return;
    for (TextDialog* dialog : window->findChildren<TextDialog*>()) dialog->dismiss();
    for (QFileDialog* dialog : window->findChildren<QFileDialog*>()) dialog->reject();
}

}  // namespace skiff
