#include "pagetools/pagetools.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "engine/qtwebengine/enginedialogs.h"
#include "engine/webbrowser.h"
#include "forms/messagebox.h"
#include "forms/prompts.h"
#include "pagetools/findbar.h"
#include "pagetools/pageproperties.h"

namespace skiff {

namespace {

using SaveFormat = QWebEngineDownloadRequest::SavePageFormat;

// The file types Save As offers, in this order.
struct SaveType {
    const char* filter;
    const char* suffix;
    SaveFormat format;
};
constexpr SaveType kSaveTypes[] = {
    {"Web page, complete (*.html)", "html", QWebEngineDownloadRequest::CompleteHtmlSaveFormat},
    {"Web page, single file (*.mhtml)", "mhtml", QWebEngineDownloadRequest::MimeHtmlSaveFormat}};

constexpr int kMaxFileNameLength = 100;

// A file name made of a page title: characters that file systems refuse become "_".
QString fileNameOf(const QString& title) {
    static const QRegularExpression refused(R"([\x00-\x1f/\\:*?"<>|])");
    QString name = title.simplified().replace(refused, "_").left(kMaxFileNameLength);
    if (name.isEmpty() || name.startsWith('.')) name.prepend("page");
    return name;
}

// `path` with the suffix of `type`: added when the path has none, put in place of the other
// type's suffix.
QString pathForType(const QString& path, const SaveType& type) {
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.isEmpty()) return path + "." + type.suffix;
    for (const SaveType& other : kSaveTypes) {
        if (suffix.compare(other.suffix, Qt::CaseInsensitive) == 0) {
            return path.chopped(suffix.size()) + type.suffix;
        }
    }
    return path;
}

QStringList saveFilters() {
    QStringList filters;
    for (const SaveType& type : kSaveTypes) filters << type.filter;
    return filters;
}

}  // namespace

PageTools::PageTools(QWebEngineView* view, QObject* parent) : QObject(parent), m_view(view) {
    connect(view, &QWebEngineView::printFinished, this, &PageTools::onPrintFinished);
    connect(view->page()->profile(), &QWebEngineProfile::downloadRequested, this,
            &PageTools::onDownloadRequested);
}

PageTools::~PageTools() = default;

bool PageTools::exec(int command) {
    switch (command) {
        case WebBrowser::Find:
            return find();
        case WebBrowser::FindNext:
            return findNext();
        case WebBrowser::Properties:
            return showProperties();
        case WebBrowser::Print:
            return print();
        case WebBrowser::SaveAs:
            return saveAs();
        default:
            return false;
    }
}

bool PageTools::ready() const {
    if (!m_view || !m_view->page()) return false;
    const QUrl url = m_view->page()->url();
    if (url.isEmpty() || url == QUrl("about:blank")) return false;
    return !m_view->page()->action(QWebEnginePage::Stop)->isEnabled();
}

bool PageTools::find() {
    if (!ready()) return false;
    FindBar* bar = findBar();
    if (!bar) bar = new FindBar(m_view);
    bar->open();
    return true;
}

bool PageTools::findNext() {
    FindBar* bar = findBar();
    if (!bar || !bar->isVisible() || bar->text().isEmpty()) return find();
    bar->findNext();
    return true;
}

FindBar* PageTools::findBar() const {
    return m_view ? m_view->findChild<FindBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

bool PageTools::showProperties() {
    if (!ready()) return false;
    QWebEnginePage* page = m_view->page();
    gatherPageProperties(page, EngineDialogs::certificateOverridden(page->url()),
                         [this, self = QPointer<PageTools>(this)](const PageProperties& found) {
                             if (!self || !m_view) return;
                             if (!m_properties) {
                                 m_properties = new PagePropertiesDialog(dialogParent());
                                 m_properties->setAttribute(Qt::WA_DeleteOnClose);
                             }
                             m_properties->showProperties(found);
                         });
    return true;
}

PagePropertiesDialog* PageTools::propertiesDialog() const {
    return m_properties;
}

bool PageTools::print() {
    if (!ready() || m_printer) return false;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!askPrintSettings(dialogParent(), printer.get())) return false;
    return printWith(std::move(printer));
}

bool PageTools::printToPdf(const QString& path) {
    if (path.isEmpty()) return false;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return printWith(std::move(printer));
}

// The page is printed in the background; one print at a time.
bool PageTools::printWith(std::unique_ptr<QPrinter> printer) {
    if (!ready() || m_printer) return false;
    m_printer = std::move(printer);
    m_view->print(m_printer.get());
    return true;
}

void PageTools::onPrintFinished(bool ok) {
    m_printer.reset();
    if (ok)
        emit statusMessage("The page was printed.");
    else
        reportFailure("The page could not be printed.", "Print");
    emit printFinished(ok);
}

bool PageTools::saveAs() {
    if (!ready()) return false;
    const auto choice =
        askSavePath(dialogParent(), "Save Page As", suggestedSavePath(), saveFilters());
    if (!choice || choice->filter < 0 || choice->filter >= int(std::size(kSaveTypes))) {
        return false;
    }
    const SaveType& type = kSaveTypes[choice->filter];
    return save(pathForType(choice->path, type), type.format);
}

bool PageTools::save(const QString& path, SaveFormat format) {
    if (!ready() || path.isEmpty()) return false;
    m_view->page()->save(path, format);
    return true;
}

// A save comes back from the engine as a download of the page, already accepted.
void PageTools::onDownloadRequested(QWebEngineDownloadRequest* request) {
    if (!request->isSavePageDownload() || !m_view || request->page() != m_view->page()) return;
    const QString path = QDir(request->downloadDirectory()).filePath(request->downloadFileName());
    connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this, [this, request, path] {
        const bool ok = request->state() == QWebEngineDownloadRequest::DownloadCompleted;
        const QString file = QDir::toNativeSeparators(path);
        if (ok)
            emit statusMessage("Saved the page as " + file);
        else
            reportFailure("Could not save the page as " + file, "Save Page As");
        emit saveFinished(path, ok);
    });
}

// A failure is told in the status bar and in a message box, which stays until read even when
// the status bar is hidden or the next link under the pointer writes over it.
void PageTools::reportFailure(const QString& text, const QString& title) {
    emit statusMessage(text);
    QTimer::singleShot(0, this, [this, text, title] { MsgBox(text, title, dialogParent()); });
}

QString PageTools::suggestedSavePath() const {
    const QString folder = saveFolder();
    return QDir(folder).filePath(fileNameOf(m_view->page()->title()) + ".html");
}

QWidget* PageTools::dialogParent() const {
    return m_view ? m_view->window() : nullptr;
}

}  // namespace skiff
