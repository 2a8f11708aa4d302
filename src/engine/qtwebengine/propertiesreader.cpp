#include "engine/qtwebengine/propertiesreader.h"

#include <QFileInfo>
#include <QPointer>
#include <QVariantMap>
#include <QWebEnginePage>
#include <QWebEngineScript>

namespace skiff {

namespace {

// Runs in the program's own script world, so the page cannot change the answers. A document
// whose modification date is not known reports the current time as that date.
constexpr char kPropertiesScript[] = R"JS(
(function () {
    var entry = performance.getEntriesByType("navigation")[0];
    var markup = document.documentElement ? document.documentElement.outerHTML : "";
    var modified = Date.parse(document.lastModified);
    return {
        type: document.contentType,
        encoding: document.characterSet,
        received: entry ? entry.decodedBodySize : 0,
        markupBytes: new TextEncoder().encode(markup).length,
        modified: modified,
        modifiedKnown: Math.abs(Date.now() - modified) > 2000
    };
})()
)JS";

// The size and modification date: for a local file, the file's own; otherwise as the page
// reports them.
void measure(PageProperties& properties, const QUrl& url, const QVariantMap& answer) {
    if (url.isLocalFile()) {
        const QFileInfo file(url.toLocalFile());
        properties.size = file.exists() ? file.size() : -1;
        properties.modified = file.lastModified();
        return;
    }
    const qint64 received = answer.value("received").toLongLong();
    properties.sizeFromMarkup = received <= 0;
    properties.size =
        properties.sizeFromMarkup ? answer.value("markupBytes", -1).toLongLong() : received;
    if (answer.value("modifiedKnown").toBool()) {
        properties.modified =
            QDateTime::fromMSecsSinceEpoch(qint64(answer.value("modified").toDouble()));
    }
}

PageProperties propertiesOf(QWebEnginePage* page, bool certificateOverridden,
                            const QVariantMap& answer) {
    PageProperties properties;
    properties.title = page->title();
    properties.address = page->url().toString();
    properties.protocol = page->url().scheme();
    properties.type = answer.value("type").toString();
    properties.encoding = answer.value("encoding").toString();
    properties.secure = properties.protocol == "https" && !certificateOverridden;
    measure(properties, page->url(), answer);
    return properties;
}

}  // namespace

void readPageProperties(QWebEnginePage* page, bool certificateOverridden,
                        std::function<void(const PageProperties&)> done) {
    QPointer<QWebEnginePage> guard(page);
    page->runJavaScript(kPropertiesScript, QWebEngineScript::ApplicationWorld,
                        [guard, certificateOverridden, done](const QVariant& answer) {
                            if (!guard) return;
                            done(propertiesOf(guard, certificateOverridden, answer.toMap()));
                        });
}

}  // namespace skiff
