#include "forms/prompts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QStandardPaths>

#include "forms/programhost.h"

namespace skiff {

namespace {

// The answers the program host gives in place of the user; none when there is no host.
const PromptAnswers& answers() {
    static const PromptAnswers none;
    const ProgramHost* host = ProgramHost::current();
    return host ? host->promptAnswers : none;
}

// A dialog with the prompt, a user name box and a password box.
class CredentialsDialog : public QDialog {
public:
    CredentialsDialog(QWidget* parent, const QString& title, const QString& prompt)
        : QDialog(parent), m_user(new QLineEdit), m_password(new QLineEdit) {
        setWindowTitle(title);
        m_password->setEchoMode(QLineEdit::Password);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* message = new QLabel(prompt);
        message->setWordWrap(true);
        auto* layout = new QFormLayout(this);
        layout->addRow(message);
        layout->addRow("User name:", m_user);
        layout->addRow("Password:", m_password);
        layout->addRow(buttons);
    }

    Credentials credentials() const { return {m_user->text(), m_password->text()}; }

private:
    QLineEdit* m_user;
    QLineEdit* m_password;
};

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
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<Credentials> askCredentials(QWidget* parent, const QString& title,
                                          const QString& prompt) {
    if (answers().credentials) return answers().credentials(prompt);
    CredentialsDialog dialog(parent, title, prompt);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.credentials();
}

bool askPrintSettings(QWidget* parent, QPrinter* printer) {
    if (answers().printSettings) return answers().printSettings(printer);
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace skiff
