// The favorites file reader on any bytes: it never crashes or hangs, every entry it gives is a
// non-empty line, and writing the entries and reading them back gives the same entries, also
// after entries were removed and added. The list written as read and the same texts written
// anew give the same bytes.

#include <cstdint>

#include "core/favoritesfile.h"

#include "fuzzcheck.h"

using namespace skiff;

namespace {

// Writes `list` and reads it back; it must hold `texts`.
void checkWritten(const FavoritesEntries& list, const QStringList& texts) {
    check(list.texts() == texts, "the list holds the entries it was given");
    const QByteArray written = list.fileBytes();
    check(FavoritesEntries::read(written).texts() == texts,
          "read, write, read gives the same entries");
    check(serializeFavorites(texts) == written, "a list and its texts write the same bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The bytes where libFuzzer put them, so that reading one byte past them is caught.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    FavoritesEntries list = FavoritesEntries::read(bytes);
    QStringList texts = list.texts();
    for (const QString& text : texts)
        check(!text.isEmpty() && !text.contains(u'\r') && !text.contains(u'\n'),
              "an entry is one non-empty line");
    check(parseFavorites(bytes) == texts, "a list and its texts read the same entries");
    checkWritten(list, texts);

    // Every other entry removed and two added, one of them starting with a byte order mark.
    for (qsizetype i = list.size() - 1; i >= 0; i -= 2) {
        list.remove(i);
        texts.removeAt(i);
    }
    for (const QString& added : {QStringLiteral("\uFEFFhttp://a/"), QStringLiteral("b")}) {
        list.append(added);
        texts.append(added);
    }
    checkWritten(list, texts);
    return 0;
}
