// The page tools' operations of the WebKitGTK component: find, print, save, page properties.
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageRanges>
#include <QPrinter>
#include <QTemporaryFile>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "engine/propertiesscript.h"
#include "engine/webkitgtk/completepage.h"
#include "engine/webkitgtk/gtkheaders.h"
#include "engine/webkitgtk/webkitbrowser.h"
#include "engine/webkitgtk/webkitengine.h"

namespace skiff {

namespace {

// The most matches a search counts; more are reported as this many.
constexpr guint kMaxMatches = 1000;
// A search the page never answers (its process stopped) is taken for one that found nothing.
constexpr int kSearchTimeoutMs = 10000;

// Which match the page's selection is, counted from 1: WebKit selects the match it found but
// does not tell its place. The page's visible text is searched as WebKit searches it; the
// matches that start before the selection are counted.
constexpr char kActiveMatchScript[] = R"JS(
(function (needle, caseSensitive) {
    var selection = getSelection();
    if (!selection.rangeCount || !document.body) return 0;
    var active = selection.getRangeAt(0);
    var fold = function (text) { return caseSensitive ? text : text.toLowerCase(); };
    var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    var nodes = [], text = "";
    for (var node = walker.nextNode(); node; node = walker.nextNode()) {
        var parent = node.parentElement;
        if (parent && parent.checkVisibility && !parent.checkVisibility()) continue;
        nodes.push({node: node, start: text.length});
        text += fold(node.data);
    }
    var target = fold(needle), before = 0, at = 0;
    for (var found = text.indexOf(target); found >= 0; found = text.indexOf(target, found + 1)) {
        while (at + 1 < nodes.length && nodes[at + 1].start <= found) ++at;
        if (active.comparePoint(nodes[at].node, found - nodes[at].start) < 0) ++before;
    }
    return before + 1;
})
)JS";

// Takes the marks of a search off the page, and its selection, so that the next search starts
// from the top.
constexpr char kClearSelectionScript[] = "getSelection().removeAllRanges()";

QString fromUtf8(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// A file written beside its destination that takes the destination's place once complete, so
// that a failed write never leaves a half file where an old one was.
class ReplacingFile {
public:
    explicit ReplacingFile(const QString& destination) : m_destination(destination) {
        QTemporaryFile file(QFileInfo(destination).dir().filePath(".skiff-XXXXXX.part"));
        file.setAutoRemove(false);
        if (!file.open()) return;
        m_temporary = file.fileName();
        // As a file made anew gets them, not the temporary file's own (for the user alone).
        const mode_t mask = umask(0);
        umask(mask);
        ::chmod(QFile::encodeName(m_temporary).constData(), 0666 & ~mask);
    }
    ~ReplacingFile() {
        if (!m_temporary.isEmpty()) QFile::remove(m_temporary);
    }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Where to write; empty when the folder cannot take a file.
    QString path() const { return m_temporary; }
    QString uri() const {
        gchar* uri =
            g_filename_to_uri(QFile::encodeName(m_temporary).constData(), nullptr, nullptr);
        const QString made = fromUtf8(uri);
        g_free(uri);
        return made;
    }
    // Puts the written file in the destination's place; false when it cannot.
    bool commit() {
        if (m_temporary.isEmpty() || QFileInfo(m_temporary).size() == 0) return false;
        const bool moved = std::rename(QFile::encodeName(m_temporary).constData(),
                                       QFile::encodeName(m_destination).constData()) == 0;
        if (moved) m_temporary.clear();
        return moved;
    }

private:
    QString m_destination;
    QString m_temporary;
};

// The printer named "Print to File" in the user's language, which writes PDF files.
const char* filePrinterName() {
    return g_dgettext("gtk30", "Print to File");
}

GtkPrintSettings* printSettingsFor(const QPrinter& printer, const QString& fileUri) {
    GtkPrintSettings* settings = gtk_print_settings_new();
    if (fileUri.isEmpty()) {
        gtk_print_settings_set_printer(settings, printer.printerName().toUtf8().constData());
    } else {
        gtk_print_settings_set_printer(settings, filePrinterName());
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI,
                               fileUri.toUtf8().constData());
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
    }
    gtk_print_settings_set_n_copies(settings, std::max(1, printer.copyCount()));
    gtk_print_settings_set_collate(settings, printer.collateCopies());
    gtk_print_settings_set_use_color(settings, printer.colorMode() == QPrinter::Color);
    gtk_print_settings_set_duplex(
        settings, printer.duplex() == QPrinter::DuplexLongSide    ? GTK_PRINT_DUPLEX_HORIZONTAL
                  : printer.duplex() == QPrinter::DuplexShortSide ? GTK_PRINT_DUPLEX_VERTICAL
                                                                  : GTK_PRINT_DUPLEX_SIMPLEX);
    const QList<QPageRanges::Range> ranges = printer.pageRanges().toRangeList();
    if (printer.printRange() == QPrinter::PageRange && !ranges.isEmpty()) {
        QList<GtkPageRange> pages;
        for (const QPageRanges::Range& range : ranges) pages.append({range.from - 1, range.to - 1});
        gtk_print_settings_set_print_pages(settings, GTK_PRINT_PAGES_RANGES);
        gtk_print_settings_set_page_ranges(settings, pages.data(), int(pages.size()));
    }
    return settings;
}

GtkPageSetup* pageSetupFor(const QPageLayout& layout) {
    GtkPageSetup* setup = gtk_page_setup_new();
    const QPageSize size = layout.pageSize();
    const QSizeF points = size.size(QPageSize::Point);
    const QByteArray key = size.key().toUtf8();
    const QByteArray name = size.name().toUtf8();
    GtkPaperSize* paper =
        size.id() == QPageSize::Custom
            ? gtk_paper_size_new_custom(key.constData(), name.constData(), points.width(),
                                        points.height(), GTK_UNIT_POINTS)
            : gtk_paper_size_new_from_ppd(key.constData(), name.constData(), points.width(),
                                          points.height());
    gtk_page_setup_set_paper_size(setup, paper);
    gtk_paper_size_free(paper);
    gtk_page_setup_set_orientation(setup, layout.orientation() == QPageLayout::Landscape
                                              ? GTK_PAGE_ORIENTATION_LANDSCAPE
                                              : GTK_PAGE_ORIENTATION_PORTRAIT);
    const QMarginsF margins = layout.margins(QPageLayout::Point);
    gtk_page_setup_set_top_margin(setup, margins.top(), GTK_UNIT_POINTS);
    gtk_page_setup_set_bottom_margin(setup, margins.bottom(), GTK_UNIT_POINTS);
    gtk_page_setup_set_left_margin(setup, margins.left(), GTK_UNIT_POINTS);
    gtk_page_setup_set_right_margin(setup, margins.right(), GTK_UNIT_POINTS);
    return setup;
}

}  // namespace

// What the page tools keep between calls: the searches waiting for the page's answer, the print
// under way, and the resources of the page on display (for saving it with them).
struct WebKitBrowser::Tools {
    struct Search {
        QString text;
        bool backward;
        bool caseSensitive;
        std::function<void(FindResult)> done;
    };
    QList<Search> searches;  // the first is under way
    QTimer searchTimeout;
    QString searchedText;  // the text and case of the search the page goes on with
    bool searchedCase = false;
    int matches = 0;

    WebKitPrintOperation* print = nullptr;
    std::unique_ptr<ReplacingFile> printFile;
    std::function<void(bool)> printDone;
    bool printFailed = false;

    QHash<QString, WebKitWebResource*> resources;  // by address
    WebKitFindController* finder = nullptr;        // the view's, kept while the view goes

    ~Tools() {
        forgetResources();
        if (finder) g_object_unref(finder);
    }
    void forgetResources() {
        for (WebKitWebResource* resource : std::as_const(resources)) g_object_unref(resource);
        resources.clear();
    }
};

WebKitBrowser::Tools& WebKitBrowser::tools() {
    if (!m_tools) {
        m_tools = std::make_shared<Tools>();
        m_tools->searchTimeout.setSingleShot(true);
        m_tools->searchTimeout.setInterval(kSearchTimeoutMs);
        connect(&m_tools->searchTimeout, &QTimer::timeout, this, [this] { answerSearch(0); });
    }
    return *m_tools;
}

void WebKitBrowser::connectPageTools() {
    WebKitFindController* finder = webkit_web_view_get_find_controller(m_view);
    tools().finder = WEBKIT_FIND_CONTROLLER(g_object_ref(finder));
    g_signal_connect(finder, "found-text",
                     G_CALLBACK(+[](WebKitFindController*, guint count, WebKitBrowser* b) {
                         b->onSearchAnswer(int(std::min(count, kMaxMatches)));
                     }),
                     this);
    g_signal_connect(
        finder, "failed-to-find-text",
        G_CALLBACK(+[](WebKitFindController*, WebKitBrowser* b) { b->onSearchAnswer(0); }), this);
    g_signal_connect(m_view, "resource-load-started",
                     G_CALLBACK(+[](WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest*,
                                    WebKitBrowser* b) {
                         WebKitWebResource*& kept =
                             b->tools().resources[fromUtf8(webkit_web_resource_get_uri(resource))];
                         if (kept) g_object_unref(kept);
                         kept = WEBKIT_WEB_RESOURCE(g_object_ref(resource));
                     }),
                     this);
    g_signal_connect(m_view, "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, WebKitBrowser* b) {
                         if (event == WEBKIT_LOAD_STARTED) b->tools().forgetResources();
                     }),
                     this);
}

void WebKitBrowser::disconnectPageTools() {
    if (!m_tools) return;
    if (m_tools->finder) g_signal_handlers_disconnect_by_data(m_tools->finder, this);
    if (m_tools->print) {
        g_signal_handlers_disconnect_by_data(m_tools->print, this);
        g_object_unref(m_tools->print);
        m_tools->print = nullptr;
    }
}

// Searches one at a time, in the order asked, each answered once.
void WebKitBrowser::findText(const QString& text, bool backward, bool caseSensitive,
                             std::function<void(FindResult)> done) {
    if (!view()) return;
    tools().searches.append({text, backward, caseSensitive, std::move(done)});
    if (tools().searches.size() == 1) startSearch();
}

// The same text and case go on from the current match; other words start a new search.
void WebKitBrowser::startSearch() {
    Tools& t = tools();
    if (t.searches.isEmpty()) return;
    if (!view()) {
        t.searches.clear();
        return;
    }
    const Tools::Search& search = t.searches.first();
    WebKitFindController* finder = t.finder;
    t.searchTimeout.start();
    if (search.text.isEmpty()) {
        webkit_find_controller_search_finish(finder);
        t.searchedText.clear();
        runScript(kClearSelectionScript, [this](std::optional<QString>) { answerSearch(0); });
    } else if (search.text == t.searchedText && search.caseSensitive == t.searchedCase) {
        if (search.backward) {
            webkit_find_controller_search_previous(finder);
        } else {
            webkit_find_controller_search_next(finder);
        }
    } else {
        t.searchedText = search.text;
        t.searchedCase = search.caseSensitive;
        t.matches = 0;
        unsigned options = WEBKIT_FIND_OPTIONS_WRAP_AROUND;
        if (!search.caseSensitive) options |= WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE;
        if (search.backward) options |= WEBKIT_FIND_OPTIONS_BACKWARDS;
        webkit_find_controller_search(finder, search.text.toUtf8().constData(), options,
                                      kMaxMatches);
    }
}

void WebKitBrowser::onSearchAnswer(int matches) {
    Tools& t = tools();
    if (t.searches.isEmpty() || !t.searchTimeout.isActive()) return;
    // A search that goes on from the current match does not count the matches again: WebKit
    // answers 1 for it.
    if (t.matches == 0) t.matches = matches;
    if (matches == 0) {
        answerSearch(0);
        return;
    }
    const Tools::Search& search = t.searches.first();
    const QString call =
        QString("(%1).apply(null, %2)")
            .arg(kActiveMatchScript,
                 QString::fromUtf8(QJsonDocument(QJsonArray{search.text, search.caseSensitive})
                                       .toJson(QJsonDocument::Compact)));
    runScript(call, [this](std::optional<QString> active) {
        answerSearch(std::clamp(active.value_or("1").toInt(), 1, tools().matches));
    });
}

void WebKitBrowser::answerSearch(int activeMatch) {
    Tools& t = tools();
    t.searchTimeout.stop();
    if (t.searches.isEmpty()) return;
    const Tools::Search search = t.searches.takeFirst();
    const FindResult result{activeMatch, activeMatch > 0 ? t.matches : 0};
    if (search.done) {
        QTimer::singleShot(0, this, [done = search.done, result] { done(result); });
    }
    startSearch();
}

// The page is printed in the background, without a dialog of GTK's: the program's own print
// dialog chose the printer. A PDF file is written beside its destination and takes its place
// once complete. One print at a time.
bool WebKitBrowser::print(QPrinter* printer, std::function<void(bool)> done) {
    Tools& t = tools();
    if (!pageReady() || t.printDone) return false;
    t.printDone = done ? std::move(done) : [](bool) {};
    t.printFailed = false;
    QString fileUri;
    if (printer->outputFormat() == QPrinter::PdfFormat) {
        t.printFile = std::make_unique<ReplacingFile>(printer->outputFileName());
        if (t.printFile->path().isEmpty()) {
            QTimer::singleShot(0, this, [this] { finishPrint(false); });
            return true;
        }
        fileUri = t.printFile->uri();
    }
    t.print = webkit_print_operation_new(m_view);
    GtkPrintSettings* settings = printSettingsFor(*printer, fileUri);
    GtkPageSetup* setup = pageSetupFor(printer->pageLayout());
    webkit_print_operation_set_print_settings(t.print, settings);
    webkit_print_operation_set_page_setup(t.print, setup);
    g_object_unref(settings);
    g_object_unref(setup);
    g_signal_connect(t.print, "failed",
                     G_CALLBACK(+[](WebKitPrintOperation*, GError*, WebKitBrowser* b) {
                         b->tools().printFailed = true;
                     }),
                     this);
    g_signal_connect(t.print, "finished", G_CALLBACK(+[](WebKitPrintOperation*, WebKitBrowser* b) {
                         // Not inside WebKit's signal: the answer may open a message box.
                         QTimer::singleShot(0, b, [b] { b->finishPrint(!b->tools().printFailed); });
                     }),
                     this);
    webkit_print_operation_print(t.print);
    return true;
}

void WebKitBrowser::finishPrint(bool ok) {
    Tools& t = tools();
    if (t.print) {
        g_signal_handlers_disconnect_by_data(t.print, this);
        g_object_unref(t.print);
        t.print = nullptr;
    }
    if (t.printFile && ok) ok = t.printFile->commit();
    t.printFile.reset();
    if (auto done = std::exchange(t.printDone, {})) done(ok);
}

bool WebKitBrowser::savePage(const QString& path, SaveFormat format,
                             std::function<void(bool)> done) {
    if (!pageReady() || path.isEmpty()) return false;
    if (!done) done = [](bool) {};
    if (format == SaveFormat::CompleteHtml) {
        saveCompletePage(*this, path, std::move(done));
        return true;
    }
    auto file = std::make_shared<ReplacingFile>(path);
    if (file->path().isEmpty()) {
        QTimer::singleShot(0, this, [done] { done(false); });
        return true;
    }
    using Saved = std::function<void(bool)>;
    GFile* target = g_file_new_for_path(QFile::encodeName(file->path()).constData());
    webkit_web_view_save_to_file(
        m_view, target, WEBKIT_SAVE_MODE_MHTML, nullptr,
        +[](GObject* view, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Saved> finish(static_cast<Saved*>(data));
            (*finish)(webkit_web_view_save_to_file_finish(WEBKIT_WEB_VIEW(view), result, nullptr));
        },
        new Saved([self = QPointer<WebKitBrowser>(this), file, done](bool ok) {
            ok = ok && file->commit();
            if (self) QTimer::singleShot(0, self, [done, ok] { done(ok); });
        }));
    g_object_unref(target);
    return true;
}

void WebKitBrowser::resourceData(const QString& address,
                                 std::function<void(std::optional<QByteArray>)> done) {
    WebKitWebResource* resource = view() ? tools().resources.value(address) : nullptr;
    if (!resource) {
        done(std::nullopt);
        return;
    }
    using Done = std::function<void(std::optional<QByteArray>)>;
    struct Pending {
        QPointer<WebKitBrowser> browser;
        Done done;
    };
    webkit_web_resource_get_data(
        resource, nullptr,
        +[](GObject* object, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
            gsize length = 0;
            guchar* bytes = webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(object), result,
                                                                &length, nullptr);
            std::optional<QByteArray> read;
            if (bytes) read = QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(length));
            g_free(bytes);
            if (pending->browser) pending->done(read);
        },
        new Pending{this, std::move(done)});
}

QString WebKitBrowser::resourceType(const QString& address) {
    WebKitWebResource* resource = view() ? tools().resources.value(address) : nullptr;
    WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr;
    return response ? fromUtf8(webkit_uri_response_get_mime_type(response)) : QString();
}

bool WebKitBrowser::pageProperties(std::function<void(const PageProperties&)> done) {
    if (!pageReady()) return false;
    runScript(kPagePropertiesScript, [this, done](std::optional<QString> answer) {
        if (!view()) return;
        const QUrl url(fromUtf8(webkit_web_view_get_uri(m_view)));
        GTlsCertificate* certificate = nullptr;
        GTlsCertificateFlags errors{};
        const bool valid =
            webkit_web_view_get_tls_info(m_view, &certificate, &errors) && errors == 0;
        const bool trusted = valid && !m_engine.siteDecisions().certificateAllowed(url);
        done(pagePropertiesOf(fromUtf8(webkit_web_view_get_title(m_view)), url, trusted,
                              answer.value_or(QString())));
    });
    return true;
}

}  // namespace skiff
