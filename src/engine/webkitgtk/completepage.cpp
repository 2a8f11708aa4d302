#include "engine/webkitgtk/completepage.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTimer>
#include <memory>

#include "engine/webkitgtk/webkitbrowser.h"

namespace skiff {

namespace {

// Serializes a copy of the page in a document of its own (so that nothing in it loads or runs)
// with each image, style sheet, icon and script it refers to replaced by `mark` + the
// resource's index + "-", and no <base> or character set of its own: the copy is written in
// UTF-8. Answers {markup, urls}.
constexpr char kCopyScript[] = R"JS(
(function (mark) {
    var urls = [], index = {};
    var inert = document.implementation.createHTMLDocument("");
    var copy = inert.importNode(document.documentElement, true);
    var take = function (element, attribute) {
        var url;
        try { url = new URL(element.getAttribute(attribute), document.baseURI); } catch (e) { return; }
        if (!/^(https?|file):$/.test(url.protocol)) return;
        url.hash = "";
        if (!(url.href in index)) { index[url.href] = urls.length; urls.push(url.href); }
        element.setAttribute(attribute, mark + index[url.href] + "-");
    };
    copy.querySelectorAll("img[src], input[type=image][src]").forEach(function (e) {
        take(e, "src");
        e.removeAttribute("srcset");
    });
    copy.querySelectorAll("script[src]").forEach(function (e) { take(e, "src"); });
    copy.querySelectorAll("link[href]").forEach(function (e) {
        if (/(^|\s)(stylesheet|icon)(\s|$)/i.test(e.getAttribute("rel") || "")) take(e, "href");
    });
    copy.querySelectorAll("base, meta[charset], meta[http-equiv]").forEach(function (e) {
        var type = (e.getAttribute("http-equiv") || "").toLowerCase();
        if (e.localName == "base" || e.hasAttribute("charset") || type == "content-type") e.remove();
    });
    var head = copy.querySelector("head");
    if (head) {
        var charset = inert.createElement("meta");
        charset.setAttribute("charset", "utf-8");
        head.prepend(charset);
    }
    var doctype = document.doctype ? new XMLSerializer().serializeToString(document.doctype) + "\n" : "";
    return JSON.stringify({markup: doctype + copy.outerHTML, urls: urls});
})
)JS";

constexpr int kMaxNameLength = 80;

// A file name for the resource at `address` of MIME type `type`, not yet in `taken`.
QString fileNameFor(const QUrl& address, const QString& type, QSet<QString>& taken) {
    static const QRegularExpression refused(R"([\x00-\x1f/\\:*?"<>|])");
    QString name = address.fileName().replace(refused, "_").left(kMaxNameLength);
    if (name.isEmpty() || name.startsWith('.')) name.prepend("resource");
    QFileInfo info(name);
    QString suffix = info.suffix();
    QString base = info.completeBaseName();
    if (suffix.isEmpty()) {
        base = name;
        suffix = QMimeDatabase().mimeTypeForName(type).preferredSuffix();
    }
    const QString dot = suffix.isEmpty() ? QString() : "." + suffix;
    QString unique = base + dot;
    for (int n = 1; taken.contains(unique.toLower()); ++n)
        unique = QString("%1(%2)%3").arg(base).arg(n).arg(dot);
    taken.insert(unique.toLower());
    return unique;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QString escapedAttribute(QString value) {
    return value.replace('&', "&amp;").replace('"', "&quot;");
}

// One save under way: the page's copy, and the resources' contents as they come in.
struct Save {
    QPointer<WebKitBrowser> browser;
    QString path;
    std::function<void(bool)> done;
    QString mark;
    QString markup;
    QStringList urls;
    QList<std::optional<QByteArray>> contents;
    int waiting = 0;

    void finish() {
        const QFileInfo page(path);
        const QString folderName = page.completeBaseName() + "_files";
        const QDir folder(page.dir().filePath(folderName));
        bool ok = true;
        QSet<QString> taken;
        QStringList references;
        for (qsizetype i = 0; i < urls.size(); ++i) {
            if (!contents[i]) {
                references << escapedAttribute(urls[i]);
                continue;
            }
            const QString name = fileNameFor(QUrl(urls[i]), browser->resourceType(urls[i]), taken);
            ok = ok && QDir().mkpath(folder.path()) &&
                 writeFile(folder.filePath(name), *contents[i]);
            references << QString::fromUtf8(QUrl::toPercentEncoding(folderName) + "/" +
                                            QUrl::toPercentEncoding(name));
        }
        const QRegularExpression marked(QRegularExpression::escape(mark) + R"((\d+)-)");
        QString written;
        qsizetype from = 0;
        for (auto match = marked.globalMatch(markup); match.hasNext();) {
            const QRegularExpressionMatch found = match.next();
            written += markup.mid(from, found.capturedStart() - from);
            written += references.value(found.captured(1).toInt());
            from = found.capturedEnd();
        }
        written += markup.mid(from);
        ok = ok && writeFile(path, written.toUtf8());
        QTimer::singleShot(0, browser, [done = done, ok] { done(ok); });
    }
};

}  // namespace

void saveCompletePage(WebKitBrowser& browser, const QString& path, std::function<void(bool)> done) {
    auto save = std::make_shared<Save>();
    save->browser = &browser;
    save->path = path;
    save->done = std::move(done);
    save->mark = QString("skiff-saved-%1-").arg(QRandomGenerator::global()->generate64(), 0, 16);
    const QString call = QString("(%1)(\"%2\")").arg(kCopyScript, save->mark);
    browser.runScript(call, [save](std::optional<QString> answer) {
        const QJsonObject copy = QJsonDocument::fromJson(answer.value_or("").toUtf8()).object();
        save->markup = copy.value("markup").toString();
        for (const QJsonValue& url : copy.value("urls").toArray()) save->urls << url.toString();
        if (save->markup.isEmpty()) {
            QTimer::singleShot(0, save->browser, [done = save->done] { done(false); });
            return;
        }
        save->contents.resize(save->urls.size());
        save->waiting = int(save->urls.size());
        if (save->waiting == 0) save->finish();
        for (qsizetype i = 0; i < save->urls.size(); ++i) {
            save->browser->resourceData(save->urls[i], [save, i](std::optional<QByteArray> data) {
                save->contents[i] = std::move(data);
                if (--save->waiting == 0 && save->browser) save->finish();
            });
        }
    });
}

}  // namespace skiff
