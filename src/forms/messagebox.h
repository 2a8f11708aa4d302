#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace skiff {

// The program's messages: a plain message box with an OK button only and no icon; or, when
// the program host has a message sink, the sink takes the message.
void MsgBox(const QString& prompt, const QString& title, QWidget* parent = nullptr);

// A question after a step that failed, with two buttons: "Retry", the default, and `giveUp`
// (such as "Close Without Saving"). True when the user chose to try again. Escape and the
// close box retry too, so that nothing is given up by a reflex; a question the program's end cuts
// short gives up. It is always shown, also while tests record the plain messages: tests answer
// it as a user does.
bool askRetry(const QString& prompt, const QString& title, const QString& giveUp,
              QWidget* parent = nullptr);

// What takes the plain messages in place of the box, for tests (see ProgramHost).
using MessageSink = std::function<void(const QString& prompt, const QString& title)>;

}  // namespace skiff
