#include "pagetools/pagepropertiesdialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "controls/xpcmdbutton/xpcmdbutton.h"

namespace skiff {

namespace {

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
