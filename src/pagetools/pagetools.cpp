#include "pagetools/pagetools.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>

#include "core/filemodes.h"
#include "forms/messagebox.h"
#include "forms/prompts.h"
#include "pagetools/findbar.h"
#include "pagetools/pagepropertiesdialog.h"

namespace skiff {

namespace {

using SaveFormat = WebBrowser::SaveFormat;

// The file types Save As offers, in this order.
struct SaveType {
    const char* filter;
    const char* suffix;
    SaveFormat format;
};
constexpr SaveType kSaveTypes[] = {
    {"Web page, complete (*.html)", "html", SaveFormat::CompleteHtml},
    {"Web page, single file (*.mhtml)", "mhtml", SaveFormat::SingleFile}};

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

PageTools::PageTools(WebBrowser* browser) : QObject(browser), m_browser(browser) {
    browser->setCommandHandler([this](Command command) { return exec(command); });
}

PageTools::~PageTools() = default;

bool PageTools::exec(Command command) {
    switch (command) {
        case Command::Find:
            return find();
        case Command::FindNext:
            return findNext();
        case Command::Properties:
            return showProperties();
        case Command::Print:
            return print();
        case Command::SaveAs:
            return saveAs();
        default:
            return false;
    }
}

bool PageTools::ready() const {
    return m_browser && m_browser->widget() && m_browser->pageReady();
}

bool PageTools::find() {
    if (!ready()) return false;
    FindBar* bar = findBar();
    if (!bar) bar = new FindBar(m_browser);
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
    QWidget* page = m_browser ? m_browser->widget() : nullptr;
    return page ? page->findChild<FindBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

bool PageTools::showProperties() {
    if (!ready()) return false;
    return m_browser->pageProperties(
        [this, self = QPointer<PageTools>(this)](const PageProperties& found) {
            if (!self || !m_browser) return;
            if (!m_properties) {
                m_properties = new PagePropertiesDialog(dialogParent());
                m_properties->setAttribute(Qt::WA_DeleteOnClose);
            }
            m_properties->showProperties(found);
        });
}

PagePropertiesDialog* PageTools::propertiesDialog() const {
    return m_properties;
}

// One print dialog at a time: a page that asks again while it shows is refused.
bool PageTools::print() {
    if (!ready() || m_printer || m_askingPrinter) return false;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QPointer<PageTools> self(this);
    m_askingPrinter = true;
    const bool chosen = askPrintSettings(dialogParent(), printer.get());
    if (!self) return false;
    m_askingPrinter = false;
    if (!chosen) return false;
    return printWith(std::move(printer));
}

bool PageTools::printToPdf(const QString& path) {
    if (path.isEmpty()) return false;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return printWith(std::move(printer));
}

// One print at a time.
bool PageTools::printWith(std::unique_ptr<QPrinter> printer) {
    if (!ready() || m_printer) return false;
    QPointer<PageTools> self(this);
    if (!m_browser->print(printer.get(), [self](bool ok) {
            if (self) self->onPrintFinished(ok);
        }))
        return false;
    m_printer = std::move(printer);
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
    QPointer<PageTools> self(this);
    return m_browser->savePage(path, format, [self, path](bool ok) {
        if (self) self->onSaveFinished(path, ok);
    });
}

void PageTools::onSaveFinished(const QString& path, bool ok) {
    const QString file = QDir::toNativeSeparators(path);
    if (ok) {
        giveUserFileMode(path);
        emit statusMessage("Saved the page as " + file);
    } else {
        reportFailure("Could not save the page as " + file, "Save Page As");
    }
    emit saveFinished(path, ok);
}

// A failure is told in the status bar and in a message box, which stays until read even when
// the status bar is hidden or the next link under the pointer writes over it.
void PageTools::reportFailure(const QString& text, const QString& title) {
    emit statusMessage(text);
    QTimer::singleShot(0, this, [this, text, title] { MsgBox(text, title, dialogParent()); });
}

QString PageTools::suggestedSavePath() const {
    const QString folder = saveFolder();
    return QDir(folder).filePath(fileNameOf(m_browser->LocationName()) + ".html");
}

QWidget* PageTools::dialogParent() const {
    QWidget* page = m_browser ? m_browser->widget() : nullptr;
    return page ? page->window() : nullptr;
}

}  // namespace skiff
