// Loading and then saving a favorites file of 10 000 entries through the favorites window
// (its reader, its list and its writer: the window opened, its list changed and closed) against
// filling a bare list widget with the same 10 000 strings.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include "comparison.h"
#include "core/favoritesfile.h"
#include "favorites/frmfavorites.h"
#include "favoritesedit.h"

namespace {

constexpr int kEntries = 10000;

QStringList addresses() {
    QStringList out;
    for (int i = 0; i < kEntries; ++i)
        out << QStringLiteral("http://site%1.example/path/page?id=%1&lang=en").arg(i);
    return out;
}

void BM_FavoritesWindowLoadSave(benchmark::State& state) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QFile file(skiff::kFavoritesFileName);
    if (!file.open(QIODevice::WriteOnly)) state.SkipWithError("cannot write the file");
    file.write(skiff::serializeFavorites(addresses()));
    file.close();
    for (auto _ : state) {
        // Reads the file into the list; closing writes the list back to the file after a change.
        skiff::bench::addAndRemoveAnEntry(skiff::frmFavorites());
        skiff::unloadFrmFavorites();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QDir::setCurrent(previous);
}
BENCHMARK(BM_FavoritesWindowLoadSave)->Unit(benchmark::kMillisecond);

void BM_BareListWidget(benchmark::State& state) {
    const QStringList entries = addresses();
    for (auto _ : state) {
        QListWidget list;
        for (const QString& entry : entries) list.addItem(entry);
        benchmark::DoNotOptimize(list.count());
    }
}
BENCHMARK(BM_BareListWidget)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return skiff::bench::runComparison(argc, argv, "favorites_10k_vs_listwidget",
                                       "BM_FavoritesWindowLoadSave", "BM_BareListWidget", 2.0);
}
