#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "engine/engine.h"

namespace skiff {

class Clock;
class Downloads;
class FrmMain;
class NewWindowRequest;

// What the browser windows ask of the program: the engine host with the clock, the windows a
// page opens, and quitting. The application object (app/application.h) is it.
class BrowserProgram : public EngineHost {
public:
    // The program host that lives, when it is the browser windows' program; null otherwise.
    static BrowserProgram* current();

    // Where every browser window reads the time of day.
    virtual const Clock& clock() const = 0;
    // The address the first browser window to load opens in place of the start-up page (the
    // first address of the command line), once; nothing after that.
    virtual std::optional<QString> takeFirstAddress() = 0;
    // A further browser window for a page's request, loaded and shown; the program keeps it
    // among its windows.
    virtual FrmMain& openWindowForPage(const NewWindowRequest& request) = 0;
    // The browser windows open: the first one when it is loaded, then the further ones in the
    // order they opened.
    virtual QList<FrmMain*> browserWindows() const = 0;
    // The program's downloads, which the browser windows ask about before the program ends.
    virtual Downloads& downloads() = 0;
    // Ends the program as closing the first browser window does, every window closing.
    virtual void quit() = 0;
};

}  // namespace skiff
