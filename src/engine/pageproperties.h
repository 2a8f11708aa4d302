#pragma once

#include <QDateTime>
#include <QString>

namespace skiff {

// What the engine tells about the page on display, for the Page Properties dialog.
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

}  // namespace skiff
