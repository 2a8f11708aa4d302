#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace skiff {

// The program's messages: a plain message box with an OK button only and no icon.
void MsgBox(const QString& prompt, const QString& title, QWidget* parent = nullptr);

// Tests replace the modal box with a recorder; an empty function restores the box.
using MessageSink = std::function<void(const QString& prompt, const QString& title)>;
void setMessageSink(MessageSink sink);

}  // namespace skiff
