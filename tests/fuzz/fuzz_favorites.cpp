// The favorites file reader on any bytes: it never crashes or hangs, every entry it gives is a
// non-empty line, and writing the entries and reading them back gives the same entries.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "favorites/favoritesfile.h"

namespace {

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList entries = skiff::parseFavorites(bytes);
    for (const QString& entry : entries)
        check(!entry.isEmpty() && !entry.contains(u'\r') && !entry.contains(u'\n'),
              "an entry is one non-empty line");
    const QByteArray written = skiff::serializeFavorites(entries);
    check(skiff::parseFavorites(written) == entries, "read, write, read gives the same entries");
    check(skiff::serializeFavorites(skiff::parseFavorites(written)) == written,
          "writing the entries read back gives the same bytes");
    return 0;
}
