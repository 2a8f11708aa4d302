#pragma once

#include "forms/messagebox.h"
#include "forms/prompts.h"

namespace skiff {

class BrowserHost;

// What the windows ask of the program as a whole. The application object (app/application.h)
// is the program host while it lives; the layers above add what they ask of it (EngineHost,
// BrowserProgram).
class ProgramHost {
public:
    ProgramHost(const ProgramHost&) = delete;
    ProgramHost& operator=(const ProgramHost&) = delete;

    // The program host that lives, the last one made when there are several; null when none.
    static ProgramHost* current();

    // The first browser window, loaded on first reference; the tool windows act on it.
    virtual BrowserHost* firstBrowserWindow() = 0;

    // Answers given in place of the user, so that tests never wait on a dialog (see
    // PromptAnswers), and plain messages recorded instead of shown: a set sink takes every
    // MsgBox. Both empty in the program.
    PromptAnswers promptAnswers;
    MessageSink messageSink;

protected:
    ProgramHost();
    virtual ~ProgramHost();

private:
    ProgramHost* previous_;
};

}  // namespace skiff
