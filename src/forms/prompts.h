#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QPrinter;
class QWidget;

namespace skiff {

// A file the user chose to save into, and which of the offered file types they picked.
struct SaveChoice {
    QString path;
    int filter = 0;  // index into the offered filters
};

struct Credentials {
    QString user;
    QString password;
};

// The questions the engine layer asks the user, each in a dialog over `parent` that keeps the
// user from `parent`'s window only; texts from pages and servers in them show as TextDialog
// shows them.

// A file to save into, starting at `suggestedPath`; `filters` such as "Web page (*.html)".
// Nothing when the user cancels.
std::optional<SaveChoice> askSavePath(QWidget* parent, const QString& caption,
                                      const QString& suggestedPath, const QStringList& filters);
// A question with Yes and No, No being the default. True for Yes.
bool askYesNo(QWidget* parent, const QString& title, const QString& question);
// The folder Save dialogs open in: the user's download folder, made when it is missing, or
// the folder the program was started from when there is none to be had.
QString saveFolder();
// A user name and password; nothing when the user cancels.
std::optional<Credentials> askCredentials(QWidget* parent, const QString& title,
                                          const QString& prompt);
// Files to upload: one, or several when `multiple`. `accepted` are the kinds of file the page
// takes, as its file box names them ("image/png", "image/*", ".pdf"); they are offered first,
// all files after them. Empty when the user cancels.
QStringList askOpenFiles(QWidget* parent, bool multiple, const QStringList& accepted);
// The file dialog's filters for the kinds of file a page takes (see askOpenFiles): those kinds
// by their file name patterns, when any is known, then all files.
QStringList openFileFilters(const QStringList& accepted);
// The print dialog for `printer`; true when the user chose to print.
bool askPrintSettings(QWidget* parent, QPrinter* printer);

// Answers given in place of the user, so that tests never wait on a dialog; the program host
// holds them (ProgramHost::promptAnswers). A set member answers its question; an empty one
// leaves the question to its dialog.
struct PromptAnswers {
    std::function<std::optional<SaveChoice>(const QString& suggestedPath,
                                            const QStringList& filters)>
        savePath;
    std::function<bool(const QString& question)> yesNo;
    std::function<std::optional<Credentials>(const QString& prompt)> credentials;
    std::function<bool(QPrinter* printer)> printSettings;
    std::function<QStringList(bool multiple, const QStringList& accepted)> openFiles;
};

}  // namespace skiff
