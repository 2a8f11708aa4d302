#include "engine/propertiesscript.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace skiff {

// A document whose modification date is not known reports the current time as that date.
const char kPagePropertiesScript[] = R"JS(
(function () {
    var entry = performance.getEntriesByType("navigation")[0];
    var markup = document.documentElement ? document.documentElement.outerHTML : "";
    var modified = Date.parse(document.lastModified);
    return JSON.stringify({
        title: document.title,
        type: document.contentType,
        encoding: document.characterSet,
        received: entry ? entry.decodedBodySize : 0,
        markupBytes: new TextEncoder().encode(markup).length,
        modified: modified,
        modifiedKnown: Math.abs(Date.now() - modified) > 2000
    });
})()
)JS";

namespace {

// The size and modification date: for a local file, the file's own; otherwise as the page
// reports them.
void measure(PageProperties& properties, const QUrl& url, const QJsonObject& answer) {
    if (url.isLocalFile()) {
        const QFileInfo file(url.toLocalFile());
        properties.size = file.exists() ? file.size() : -1;
        properties.modified = file.lastModified();
        return;
    }
    const qint64 received = answer.value("received").toInteger();
    properties.sizeFromMarkup = received <= 0;
    properties.size =
        properties.sizeFromMarkup ? answer.value("markupBytes").toInteger(-1) : received;
    if (answer.value("modifiedKnown").toBool()) {
        properties.modified =
            QDateTime::fromMSecsSinceEpoch(qint64(answer.value("modified").toDouble()));
    }
}

}  // namespace

PageProperties pagePropertiesOf(const QString& title, const QUrl& url, bool certificateTrusted,
                                const QString& answer) {
    const QJsonObject read = QJsonDocument::fromJson(answer.toUtf8()).object();
    PageProperties properties;
    properties.title = !title.isEmpty()                            ? title
                       : !read.value("title").toString().isEmpty() ? read.value("title").toString()
                                                                   : url.toString();
    properties.address = url.toString();
    properties.protocol = url.scheme();
    properties.type = read.value("type").toString();
    properties.encoding = read.value("encoding").toString();
    properties.secure = properties.protocol == "https" && certificateTrusted;
    measure(properties, url, read);
    return properties;
}

}  // namespace skiff
