#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

class QWidget;

namespace skiff {

// The pace of one page's dialogs: a dialog that comes soon after the user answered the page's
// previous one comes in quick succession, and from then on the user is offered to stop them.
class DialogPace {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kQuickSuccession{2000};

    // Whether a dialog shown at `now` offers to stop the page's dialogs.
    bool offersStop(Clock::time_point now) const {
        return m_lastAnswer && now - *m_lastAnswer < kQuickSuccession;
    }
    void answered(Clock::time_point now) { m_lastAnswer = now; }
    void reset() { m_lastAnswer.reset(); }

private:
    std::optional<Clock::time_point> m_lastAnswer;
};

// The dialogs of one page, whatever the engine: its script's alert, confirm and prompt, its
// question before it is left, and (through guarded()) the engine's questions about it. Each
// dialog keeps the user from the page's own window only, whose close box and keys for closing
// and quitting go on working.
//
// The user may stop the page's script dialogs (see DialogPace); until the page shows a new
// document they are then answered at once without showing: alert with nothing, confirm with
// false, prompt with nothing, the question before leaving with "leave".
//
// Closing: requestClose() asks the page whether it may close, as leaving it does, and
// closeAnswered() tells the answer. A dialog of the page open at that moment is taken away
// unanswered and the page closes without asking; a page that does not answer in time (one
// that runs a script without end) closes too. While a close is under way, the page's script
// dialogs are answered at once.
class PageDialogs : public QObject {
    Q_OBJECT
public:
    static constexpr int kCloseAnswerMs = 6000;
    static constexpr char kStopText[] = "Prevent this page from creating additional dialogs";

    // `window` answers the window the dialogs show over.
    PageDialogs(std::function<QWidget*()> window, QObject* parent = nullptr);

    void alert(const QUrl& origin, const QString& text);
    bool confirm(const QUrl& origin, const QString& text);
    std::optional<QString> prompt(const QUrl& origin, const QString& text, const QString& value);
    // The page asks before it is left (closed or navigated away from): true to leave.
    bool confirmLeave();
    // The page shows a new document: its dialogs show again.
    void newDocument();

    // Runs `show`, an engine's question about the page, as one of the page's dialogs (taken
    // away when the page closes); while the page closes, answers `closing` without showing.
    template <class T>
    T guarded(const std::function<T()>& show, T closing) {
        if (m_close != Close::None) return closing;
        const Open open(this);
        return show();
    }

    // Asks the page whether it may close: `askPage` starts the engine's asking, or answers
    // false when there is no page to ask (which then closes).
    void requestClose(const std::function<bool()>& askPage);
    // A close was asked for (requestClose()) and is not answered yet, or was agreed to.
    bool closeAsked() const { return m_close != Close::None; }
    // The engine reports that the page agreed to close.
    void pageAgreedToClose();
    // The engine reports that the page's script closed its window, unasked (window.close(),
    // which browsers allow to windows a script opened): closeAnswered(true) follows.
    void pageClosedItself();

signals:
    // The answer to requestClose(), always after the call has returned and never while a
    // dialog of the page shows.
    void closeAnswered(bool mayClose);

private:
    // While one lives, a dialog of the page shows.
    class Open {
    public:
        explicit Open(PageDialogs* dialogs);
        ~Open();
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;

    private:
        QPointer<PageDialogs> m_dialogs;
    };

    enum class Kind { Alert, Confirm, Prompt };
    // Shows a script dialog; nothing when it was not answered with OK.
    std::optional<QString> show(Kind kind, const QUrl& origin, const QString& text,
                                const QString& value = {});
    bool answeredAtOnce() const { return m_stopped || m_close != Close::None; }
    void answerClose(bool mayClose);
    void dismissOpenDialogs();

    std::function<QWidget*()> m_window;
    DialogPace m_pace;
    bool m_stopped = false;
    enum class Close { None, Asking, Agreed } m_close = Close::None;
    bool m_answerWhenShut = false;  // a close waits for the open dialogs to return
    int m_open = 0;                 // dialogs of the page showing
    QTimer m_closeTimer;            // the time the page has to answer a close
};

}  // namespace skiff
