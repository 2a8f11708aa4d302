#include "forms/messagebox.h"

#include <QMessageBox>
#include <QPushButton>

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
    box.setTextFormat(Qt::PlainText);  // names of files and pages in it are no markup
    box.exec();
}

bool askRetry(const QString& prompt, const QString& title, const QString& giveUp, QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* retry = box.addButton("Retry", QMessageBox::AcceptRole);
    box.addButton(giveUp, QMessageBox::DestructiveRole);
    box.setDefaultButton(retry);
    box.setEscapeButton(retry);
    box.exec();
    return box.clickedButton() == retry;
}

void setMessageSink(MessageSink s) {
    sink() = std::move(s);
}

}  // namespace skiff
