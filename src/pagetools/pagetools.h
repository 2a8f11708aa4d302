#pragma once

#include <QObject>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <memory>

class QPrinter;
class QWebEngineView;

namespace skiff {

class FindBar;
class PagePropertiesDialog;

// The engine's own commands on the page of one web view: find in page, page properties,
// print and save as. Each command does nothing and answers false while the view shows no page
// or a page is loading.
class PageTools : public QObject {
    Q_OBJECT
public:
    explicit PageTools(QWebEngineView* view, QObject* parent = nullptr);
    ~PageTools() override;

    // Runs a WebBrowser command (Find, Properties, Print, SaveAs). False when the command is
    // unknown or refused.
    bool exec(int command);
    // A page is on display and not loading.
    bool ready() const;

    // Opens the find bar on the view.
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
    bool save(const QString& path, QWebEngineDownloadRequest::SavePageFormat format);

    // The view's find bar and the properties dialog; null until first opened.
    FindBar* findBar() const;
    PagePropertiesDialog* propertiesDialog() const;

signals:
    void printFinished(bool ok);
    void saveFinished(const QString& path, bool ok);
    // What became of a print or save, for the browser's status bar.
    void statusMessage(const QString& text);

private:
    bool printWith(std::unique_ptr<QPrinter> printer);
    void onPrintFinished(bool ok);
    void onDownloadRequested(QWebEngineDownloadRequest* request);
    void reportFailure(const QString& text, const QString& title);
    QString suggestedSavePath() const;
    QWidget* dialogParent() const;

    QPointer<QWebEngineView> m_view;
    std::unique_ptr<QPrinter> m_printer;  // the printer of the print under way
    QPointer<PagePropertiesDialog> m_properties;
};

}  // namespace skiff
