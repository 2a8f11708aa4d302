#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "engine/webbrowser.h"

class QPrinter;

namespace skiff {

class FindBar;
class PagePropertiesDialog;

// The commands of ExecWB on the page of one web component: find in page, page properties,
// print and save as. Each command does nothing and answers false while the component shows no
// page or a page is loading. Installs itself as the component's command handler.
class PageTools : public QObject {
    Q_OBJECT
public:
    using Command = WebBrowser::Command;

    // Tools for `browser`, owned by it.
    explicit PageTools(WebBrowser* browser);
    ~PageTools() override;

    // Runs an ExecWB command (Find, FindNext, Properties, Print, SaveAs). False when the
    // command is unknown or refused.
    bool exec(Command command);

    // Opens the find bar on the page.
    bool find();
    // Finds the next match of the open find bar's words; opens the bar when it has none.
    bool findNext();
    // Gathers the page's properties and then shows them in the modeless properties dialog.
    bool showProperties();
    // Asks for a printer in the print dialog, then prints.
    bool print();
    // Asks for a file and its type, then saves the page.
    bool saveAs();

    // Prints the page into a PDF file at `path`; printFinished reports the end.
    bool printToPdf(const QString& path);
    // Saves the page at `path`; saveFinished reports the end.
    bool save(const QString& path, WebBrowser::SaveFormat format);

    // The page's find bar and the properties dialog; null until first opened.
    FindBar* findBar() const;
    PagePropertiesDialog* propertiesDialog() const;

signals:
    void printFinished(bool ok);
    void saveFinished(const QString& path, bool ok);
    // What became of a print or save, for the browser's status bar.
    void statusMessage(const QString& text);

private:
    bool ready() const;
    bool printWith(std::unique_ptr<QPrinter> printer);
    void onPrintFinished(bool ok);
    void onSaveFinished(const QString& path, bool ok);
    void reportFailure(const QString& text, const QString& title);
    QString suggestedSavePath() const;
    QWidget* dialogParent() const;

    QPointer<WebBrowser> m_browser;
    std::unique_ptr<QPrinter> m_printer;  // the printer of the print under way
    bool m_askingPrinter = false;         // the print dialog shows
    QPointer<PagePropertiesDialog> m_properties;
};

}  // namespace skiff
