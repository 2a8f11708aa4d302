#pragma once

#include <QString>
#include <QUrl>

#include "engine/pageproperties.h"

namespace skiff {

// The script that reads the properties of the page on display, run in the program's own script
// world (the page cannot change its answers); it answers a JSON text for pagePropertiesOf().
extern const char kPagePropertiesScript[];

// The properties of the page at `url` titled `title` (when the engine knows no title yet, the
// document's, or else the address), from the script's `answer`. The connection
// is secure for an https address whose certificate the engine found valid and the user did not
// let through (`certificateTrusted`).
PageProperties pagePropertiesOf(const QString& title, const QUrl& url, bool certificateTrusted,
                                const QString& answer);

}  // namespace skiff
