#pragma once

#include <QString>

namespace skiff {

// The host of the web search endpoint that the search box queries. The settings window's
// USE DEFAULT writes it bare, without scheme, as the default start-up page.
inline const QString kSearchHost = QStringLiteral("www.google.com");

// The search address for the words typed into the search box. The words are form-encoded
// into the value of "q" (UTF-8; a space becomes "+"; every byte but letters, digits and
// "-._*" is percent-encoded), so "AT&T" or "c++" reach the search engine as typed.
QString searchAddress(const QString& words);

}  // namespace skiff
