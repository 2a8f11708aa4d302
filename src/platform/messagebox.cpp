#include "platform/messagebox.h"

#include <QMessageBox>

namespace skiff {

namespace {
MessageSink& sink() {
    static MessageSink s;
    return s;
}
}  // namespace

void MsgBox(const QString& prompt, const QString& title, QWidget* parent) {
    if (sink()) {
        sink()(prompt, title);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok, parent);
    box.exec();
}

void setMessageSink(MessageSink s) {
    sink() = std::move(s);
}

}  // namespace skiff
