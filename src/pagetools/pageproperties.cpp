#include "pagetools/pageproperties.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QVBoxLayout>
#include <QVariantMap>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include "controls/xpcmdbutton/xpcmdbutton.h"

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

const QStringList kLabels{"Title:", "Address:",  "Protocol:",          "Type:",
                          "Size:",  "Encoding:", "Secure connection:", "Modified:"};

enum Row {
    TitleRow,
    AddressRow,
    ProtocolRow,
    TypeRow,
    SizeRow,
    EncodingRow,
    SecureRow,
    ModifiedRow
};

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

QString sizeText(const PageProperties& properties) {
    if (properties.size < 0) return "Not known";
    const QString bytes = QLocale().toString(properties.size) + " bytes";
    return properties.sizeFromMarkup ? bytes + " (of the page's markup)" : bytes;
}

QString secureText(const PageProperties& properties) {
    if (properties.secure) return "Yes";
    // An https page is not secure only when its invalid certificate was let through.
    return properties.protocol == "https" ? "No (the certificate is not valid)" : "No";
}

}  // namespace

void gatherPageProperties(QWebEnginePage* page, bool certificateOverridden,
                          std::function<void(const PageProperties&)> done) {
    QPointer<QWebEnginePage> guard(page);
    page->runJavaScript(kPropertiesScript, QWebEngineScript::ApplicationWorld,
                        [guard, certificateOverridden, done](const QVariant& answer) {
                            if (!guard) return;
                            done(propertiesOf(guard, certificateOverridden, answer.toMap()));
                        });
}

PagePropertiesDialog::PagePropertiesDialog(QWidget* parent)
    : QDialog(parent), m_rows(new QFormLayout) {
    setWindowTitle("Page Properties");
    setModal(false);
    for (const QString& label : kLabels) {
        auto* value = new QLabel;
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setWordWrap(true);
        value->setMinimumWidth(320);
        m_rows->addRow(label, value);
    }
    auto* close = xpcmdbutton::placeNew(this, "xpcmdClose", "CLOSE");
    connect(close, &xpcmdbutton::Click, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_rows);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void PagePropertiesDialog::showProperties(const PageProperties& properties) {
    setRow(TitleRow, properties.title);
    setRow(AddressRow, properties.address);
    setRow(ProtocolRow, properties.protocol);
    setRow(TypeRow, properties.type);
    setRow(SizeRow, sizeText(properties));
    setRow(EncodingRow, properties.encoding);
    setRow(SecureRow, secureText(properties));
    setRow(ModifiedRow, properties.modified.isValid()
                            ? QLocale().toString(properties.modified, QLocale::LongFormat)
                            : "Not known");
    show();
    raise();
    activateWindow();
}

QString PagePropertiesDialog::valueOf(const QString& label) const {
    const int row = kLabels.indexOf(label);
    if (row < 0) return {};
    return static_cast<QLabel*>(m_rows->itemAt(row, QFormLayout::FieldRole)->widget())->text();
}

void PagePropertiesDialog::setRow(int row, const QString& value) {
    static_cast<QLabel*>(m_rows->itemAt(row, QFormLayout::FieldRole)->widget())->setText(value);
}

}  // namespace skiff
