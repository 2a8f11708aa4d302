#include "forms/prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeDatabase>
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

QStringList openFileFilters(const QStringList& accepted) {
    const QMimeDatabase types;
    QStringList patterns;
    const auto add = [&](const QStringList& more) {
        for (const QString& pattern : more)
            if (!patterns.contains(pattern)) patterns << pattern;
    };
    for (const QString& kind : accepted) {
        const QString name = kind.trimmed().toLower();
        if (name.startsWith('.') && name.size() > 1) {
            add({'*' + name});
        } else if (name.endsWith("/*")) {
            for (const QMimeType& type : types.allMimeTypes())
                if (type.name().startsWith(name.chopped(1))) add(type.globPatterns());
        } else {
            add(types.mimeTypeForName(name).globPatterns());
        }
    }
    QStringList filters;
    if (!patterns.isEmpty()) filters << "Files this page takes (" + patterns.join(' ') + ")";
    return filters << "All files (*)";
}

QStringList askOpenFiles(QWidget* parent, bool multiple, const QStringList& accepted) {
    if (answers().openFiles) return answers().openFiles(multiple, accepted);
    // On the heap: the window it belongs to may go while it shows.
    const QPointer dialog = new QFileDialog(parent, multiple ? "Choose Files" : "Choose File");
    dialog->setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog->setNameFilters(openFileFilters(accepted));
    dialog->setWindowModality(Qt::WindowModal);  // the program's other windows stay in use
    const bool chosen = dialog->exec() == QDialog::Accepted && dialog;
    const QStringList files = chosen ? dialog->selectedFiles() : QStringList();
    delete dialog;
    return files;
}

bool askPrintSettings(QWidget* parent, QPrinter* printer) {
    if (answers().printSettings) return answers().printSettings(printer);
    QPrintDialog dialog(printer, parent);
    dialog.setWindowModality(Qt::WindowModal);  // the program's other windows stay in use
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace skiff
