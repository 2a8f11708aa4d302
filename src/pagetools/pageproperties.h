#pragma once

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <functional>

class QFormLayout;
class QLabel;
class QWebEnginePage;

namespace skiff {

// What the Page Properties dialog shows about the page on display.
struct PageProperties {
    QString title;
    QString address;
    QString protocol;  // the address's scheme, such as "https"
    QString type;      // the document's MIME type, such as "text/html"
    QString encoding;  // the document's character set, such as "UTF-8"
    // The document's size in bytes as it came from the server, after undoing any compression,
    // or the size of a local file. A document that reports no size gives the size of its
    // markup in UTF-8 instead. -1 when not known.
    qint64 size = -1;
    bool sizeFromMarkup = false;
    // An https address whose certificate was valid (not one the user let through).
    bool secure = false;
    // As the server or the file system gave it; invalid when not known.
    QDateTime modified;
};

// Reads the properties of the page on display and hands them to `done`, once the page has
// answered; `done` is not called if the page goes away first. `certificateOverridden` says
// whether the user let the page load despite an invalid certificate.
void gatherPageProperties(QWebEnginePage* page, bool certificateOverridden,
                          std::function<void(const PageProperties&)> done);

// The modeless Page Properties dialog.
class PagePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PagePropertiesDialog(QWidget* parent);

    void showProperties(const PageProperties& properties);
    // The text shown beside `label` (such as "Title:"); empty when there is no such row.
    QString valueOf(const QString& label) const;

private:
    void setRow(int row, const QString& value);

    QFormLayout* m_rows;
};

}  // namespace skiff
