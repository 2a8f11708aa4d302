#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "browser/browserprogram.h"
#include "core/clock.h"
#include "downloads/downloads.h"

namespace skiff {

// The program: it owns the web engine, the clock, the browser windows (the first one and the
// further ones pages or the command line open) and the download windows' handler, and it
// quits. It is the program host of every layer (BrowserProgram, EngineHost, ProgramHost) while
// it lives, so it also holds the hooks through which tests answer questions and read messages
// in place of the user. main() makes one; so does the test environment, with a scripted engine
// and a fixed clock.
class Application : public QObject, public BrowserProgram {
    Q_OBJECT
public:
    explicit Application(std::unique_ptr<Engine> engine,
                         std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>());
    // Closes the browser windows still open, before the engine their pages are on goes.
    ~Application() override;

    // Opens the first browser window, at the first of `addresses` in place of the start-up
    // page, and a further window for each further address.
    void start(const QStringList& addresses);
    // A further browser window, loaded and shown, opening `address` in place of the start-up
    // page.
    FrmMain& openWindow(const QString& address);
    QList<FrmMain*> browserWindows() const override;

    // Cancels running downloads and closes the first browser window (the tool windows unload
    // with it, so the favorites are written), then every other browser window, each once its
    // page agrees, then says quitDone; the program then ends. When a page keeps its window (the
    // user chose to stay), quitting stops there. For Quit, for the signals that ask the program
    // to end and for the end of the desktop session. A window may ask the user a question on
    // the way (a favorites file that cannot be written, a page asking before it is left); a
    // second request meanwhile is not to cut that short, so it is ignored. While
    // the program is busy with work the user waits for (see BusyScope), quitting waits until
    // it is over.
    void quit() override;
    // Ends the program at once, asking nothing, for the signals that ask it to end (a logout,
    // `kill`, Ctrl+C): every dialog open is taken away unanswered, and once the code that
    // showed them has returned, running downloads are cancelled and every window closes without
    // asking its page (the tool windows unload with the first one, so the favorites are
    // written); then quitDone.
    void end();

    Engine& engine() override { return *engine_; }
    const Clock& clock() const override { return *clock_; }
    std::optional<QString> takeFirstAddress() override;
    FrmMain& openWindowForPage(const NewWindowRequest& request) override;
    BrowserHost* firstBrowserWindow() override;
    Downloads& downloads() override { return downloads_; }

signals:
    // quit() has closed every window.
    void quitDone();

private:
    FrmMain& open(FrmMain* window);
    void endOnceDialogsHaveReturned();

    std::unique_ptr<Engine> engine_;
    std::shared_ptr<const Clock> clock_;
    Downloads downloads_;
    std::optional<QString> firstAddress_;
    QList<QPointer<FrmMain>> furtherWindows_;
    bool quitting_ = false;
    // The depth of nested event loops at which the program's own loop runs (as measured on its
    // first turn after start()); deeper loops are those of dialogs.
    int mainLoopLevel_ = 1;
    QTimer* endTimer_ = nullptr;
};

}  // namespace skiff
