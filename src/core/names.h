#pragma once

#include <QString>

class QUrl;

namespace skiff {

// Names that come from pages and servers (file names of downloads, addresses of links) are
// shown and used so that they cannot pass for something else. Every engine hands its names
// through these rules.

// A character that is not seen itself but changes how the text around it shows or reads:
// a control character (C0, DEL, C1) or a bidirectional mark, embedding, override or isolate
// (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069). Line and paragraph separators
// (U+2028, U+2029) count as controls.
bool isHiddenCharacter(char32_t c);

// The longest file name, in bytes of UTF-8, that the file systems of Linux take.
constexpr int kMaxFileNameBytes = 255;

// A file name offered for a download: without hidden characters, path separators and spaces
// at either end, and shortened to `maxBytes` bytes of UTF-8 where it is longer, keeping its
// extension (".exe" of "invoice.exe") and whole characters. A name that leaves nothing, or
// only dots and spaces, is "download".
QString safeFileName(const QString& name, int maxBytes = kMaxFileNameBytes);

// An address as the user is shown it: hidden characters are written percent-escaped (the
// bytes of their UTF-8), as they are sent, so "a\u202Eb" shows as "a%E2%80%AEb"; everything
// else is left as it is.
QString shownAddress(const QString& address);

// An engine's address as the user is shown it: as above, with the host as it is sent (its
// ASCII form, so "xn--80ak6aa92e.org" rather than a look-alike of another name) and letters
// outside ASCII percent-escaped, as every engine sends them.
QString shownAddress(const QUrl& address);

// The name of a page without a title of its own: the name of its file, or its address without
// "http://", a user name and password, or the slash after a bare host; shown as its address is.
QString untitledName(const QUrl& address);

// A page's title as a window's caption shows it: without hidden characters, which could reorder
// it, ring the bell or break it over lines.
QString shownTitle(const QString& title);

// The longest address that is opened, in characters: Chromium refuses longer ones, and both
// engines are held to its limit.
constexpr qsizetype kMaxAddressLength = 2 * 1024 * 1024;
// The most of an address the address box shows: laying out more holds the window for seconds.
constexpr qsizetype kShownAddressLength = 32 * 1024;

// Text pasted as an address on one line: its line breaks are removed together with the spaces
// and tabs around them, as an address broken over lines by a mail program is meant whole.
QString addressOnOneLine(const QString& text);

}  // namespace skiff
