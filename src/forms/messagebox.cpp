#include "forms/messagebox.h"

#include <QMessageBox>
#include <QPushButton>

#include "forms/programhost.h"

namespace skiff {

void MsgBox(const QString& prompt, const QString& title, QWidget* parent) {
    if (const ProgramHost* host = ProgramHost::current(); host && host->messageSink) {
        host->messageSink(prompt, title);
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

}  // namespace skiff
