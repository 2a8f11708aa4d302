#include "forms/prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QStandardPaths>

#include "forms/programhost.h"
#include "forms/textdialog.h"

namespace skiff {

namespace {

// The answers the program host gives in place of the user; none when there is no host.
const PromptAnswers& answers() {
    static const PromptAnswers none;
    const ProgramHost* host = ProgramHost::current();
    return host ? host->promptAnswers : none;
}

}  // namespace

std::optional<SaveChoice> askSavePath(QWidget* parent, const QString& caption,
                                      const QString& suggestedPath, const QStringList& filters) {
    if (answers().savePath) return answers().savePath(suggestedPath, filters);
    QString selectedFilter;
    const QString path = QFileDialog::getSaveFileName(parent, caption, suggestedPath,
                                                      filters.join(";;"), &selectedFilter);
    if (path.isEmpty()) return std::nullopt;
    return SaveChoice{path, std::max(0, int(filters.indexOf(selectedFilter)))};
}

QString saveFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!folder.isEmpty() && QDir().mkpath(folder)) return folder;
    return QDir::currentPath();
}

bool askYesNo(QWidget* parent, const QString& title, const QString& question) {
    if (answers().yesNo) return answers().yesNo(question);
    // On the heap: the window it belongs to may go while it shows.
    const QPointer dialog = new TextDialog(parent, title, question);
    QPushButton* yes = dialog->addButton("Yes");
    dialog->addButton("No", true);
    const bool answer = dialog->run(TextDialog::Blocks::OwnWindow) == yes;
    delete dialog;
    return answer;
}

std::optional<Credentials> askCredentials(QWidget* parent, const QString& title,
                                          const QString& prompt) {
    if (answers().credentials) return answers().credentials(prompt);
    const QPointer dialog = new TextDialog(parent, title, prompt);
    QLineEdit* user = dialog->addLineEdit("User name:");
    QLineEdit* password = dialog->addLineEdit("Password:");
    password->setEchoMode(QLineEdit::Password);
    QPushButton* ok = dialog->addButton("OK", true);
    dialog->addButton("Cancel");
    std::optional<Credentials> answer;
    if (dialog->run(TextDialog::Blocks::OwnWindow) == ok) {
        answer = Credentials{user->text(), password->text()};
    }
    delete dialog;
    return answer;
}

bool askPrintSettings(QWidget* parent, QPrinter* printer) {
    if (answers().printSettings) return answers().printSettings(printer);
    QPrintDialog dialog(printer, parent);
    dialog.setWindowModality(Qt::WindowModal);  // the program's other windows stay in use
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace skiff
