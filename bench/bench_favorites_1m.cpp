// The favorites window on a file of 1 000 000 entries (about 50 MB): opened (the file read and
// the list shown and painted), changed and closed (the list saved), against the floor of the same
// disk work: reading the file's bytes and writing them to a new file by the same atomic replace.
// Both in wall time, which is what the user waits for.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "comparison.h"
#include "core/favoritesfile.h"
#include "favorites/frmfavorites.h"
#include "favoritesedit.h"

namespace {

constexpr int kEntries = 1000000;

// The file, written once into the working folder.
bool writeFile() {
    QFile file(skiff::kFavoritesFileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QByteArray bytes;
    for (int i = 0; i < kEntries; ++i)
        bytes += "http://site" + QByteArray::number(i) +
                 ".example/path/page?id=" + QByteArray::number(i) + "&lang=en\r\n";
    return file.write(bytes) == bytes.size();
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

void BM_FavoritesWindowOpenClose(benchmark::State& state) {
    for (auto _ : state) {
        skiff::FrmFavorites& window = skiff::frmFavorites();  // reads the file
        window.show();
        window.repaint();  // the window with its list, painted
        skiff::bench::addAndRemoveAnEntry(window);
        skiff::unloadFrmFavorites();  // saves the list
        settle();
    }
}

void BM_FileReadAndReplace(benchmark::State& state) {
    for (auto _ : state) {
        QFile file(skiff::kFavoritesFileName);
        if (!file.open(QIODevice::ReadOnly)) state.SkipWithError("cannot read the file");
        const QByteArray bytes = file.readAll();
        if (!skiff::replaceFavoritesFile("copy.fav", bytes, nullptr))
            state.SkipWithError("cannot write the copy");
    }
}

}  // namespace

BENCHMARK(BM_FavoritesWindowOpenClose)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_FileReadAndReplace)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    if (!writeFile()) return 1;
    const int status = skiff::bench::runComparison(
        argc, argv, "favorites_1m_vs_file_io", "BM_FavoritesWindowOpenClose",
        "BM_FileReadAndReplace", 3.0, skiff::bench::Timing::Wall);
    QDir::setCurrent(previous);
    return status;
}
