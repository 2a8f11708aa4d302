#include <QtTest>
#include <memory>
#include <optional>

#include "favorites/favoritesfile.h"
#include "support/filefaults.h"

using namespace skiff;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class TestFavoritesFile : public QObject {
    Q_OBJECT
private:
    // A fresh folder for each test.
    std::unique_ptr<QTemporaryDir> dir_;
    QString path() const { return dir_->filePath("favorites.fav"); }

private slots:
    void initTestCase() { QVERIFY(test::enforceFilePermissions()); }

    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void cleanup() {
        // Writable again, so that the folder can be removed.
        QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        dir_.reset();
    }

    void onlyNormalFilesExist() {
        QVERIFY(!FileExists(""));
        QVERIFY(!FileExists(path()));
        writeBytes(path(), "a\r\n");
        QVERIFY(FileExists(path()));
        writeBytes(dir_->filePath(".hidden.fav"), "a\r\n");
        QVERIFY(!FileExists(dir_->filePath(".hidden.fav")));
        QVERIFY(QDir(dir_->path()).mkdir("folder.fav"));
        QVERIFY(!FileExists(dir_->filePath("folder.fav")));
    }

    void parsing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("file made for a missing one") << QByteArray("\r\n") << QStringList();
        QTest::newRow("two lines")
            << QByteArray("http://a/\r\nhttp://b/\r\n") << QStringList{"http://a/", "http://b/"};
        QTest::newRow("no final line end")
            << QByteArray("http://a/\r\nhttp://b/") << QStringList{"http://a/", "http://b/"};
        QTest::newRow("empty second line is skipped, the rest kept")
            << QByteArray("http://a/\r\n\r\nhttp://c/\r\n\r\n")
            << QStringList{"http://a/", "http://c/"};
        QTest::newRow("bare line feeds") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("comma and quotes kept whole") << QByteArray("http://x/?q=a,b,c&t=\"1\"\r\n")
                                                     << QStringList{"http://x/?q=a,b,c&t=\"1\""};
        QTest::newRow("blanks kept") << QByteArray(" a b \r\n") << QStringList{" a b "};
        QTest::newRow("utf-8 line") << QByteArray("caf\xC3\xA9\r\n") << QStringList{"café"};
        QTest::newRow("latin-1 line beside a utf-8 line")
            << QByteArray("caf\xE9\r\nna\xC3\xAFve\r\n") << QStringList{"café", "naïve"};
        QTest::newRow("cut-off utf-8 sequence read as latin-1")
            << QByteArray("x\xC3\r\n") << QStringList{"xÃ"};
        QTest::newRow("byte order mark at the start dropped") << QByteArray(
                                                                     "\xEF\xBB\xBF"
                                                                     "a\r\n")
                                                              << QStringList{"a"};
    }
    void parsing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QCOMPARE(parseFavorites(bytes), entries);
    }

    void serializing() {
        QCOMPARE(serializeFavorites({}), QByteArray());
        QCOMPARE(serializeFavorites({"http://a/?x=1,2", "http://a/?x=1,2", "café"}),
                 QByteArray("http://a/?x=1,2\r\nhttp://a/?x=1,2\r\ncaf\xC3\xA9\r\n"));
    }

    void savedEntriesLoadBackUnchanged() {
        const QStringList entries = {kDefaultFavorite, "http://a/?q=1,2&r=\"x\"", " spaced ",
                                     "http://b/ü€", "http://a/?q=1,2&r=\"x\""};
        QString error;
        QVERIFY(saveFavorites(path(), entries, &error));
        const FavoritesLoad load = loadFavorites(path());
        QCOMPARE(load.status, FavoritesLoad::Loaded);
        QCOMPARE(load.entries, entries);
    }

    void missingFileIsCreatedWithOneEmptyLine() {
        QCOMPARE(loadFavorites(path()).status, FavoritesLoad::Missing);
        QString error;
        QVERIFY(createEmptyFavoritesFile(path(), &error));
        QCOMPARE(bytesOf(path()), QByteArray("\r\n"));
        const FavoritesLoad load = loadFavorites(path());
        QCOMPARE(load.status, FavoritesLoad::Loaded);
        QCOMPARE(load.entries, QStringList());
    }

    void emptyListSavesAsNoBytes() {
        writeBytes(path(), "http://a/\r\n");
        QVERIFY(saveFavorites(path(), {}, nullptr));
        QCOMPARE(bytesOf(path()), QByteArray());
        QCOMPARE(loadFavorites(path()).status, FavoritesLoad::Loaded);
    }

    void unreadableFileIsReportedNotLoaded() {
        writeBytes(path(), "http://a/\r\n");
        QVERIFY(QFile::setPermissions(path(), QFile::WriteOwner));
        const FavoritesLoad load = loadFavorites(path());
        QCOMPARE(load.status, FavoritesLoad::Unreadable);
        QVERIFY(load.entries.isEmpty());
        QVERIFY2(load.error.contains("favorites.fav"), qPrintable(load.error));
    }

    // Each case makes the save fail in its own way; the old file must stay whole and no
    // temporary file may be left beside it.
    void failedSaveKeepsTheOldFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("read-only file") << "file";
        QTest::newRow("read-only folder") << "folder";
        QTest::newRow("disk full halfway") << "disk";
    }
    void failedSaveKeepsTheOldFile() {
        QFETCH(QString, fault);
        writeBytes(path(), "http://a/\r\n");
        const QStringList many(200, "http://example.com/a-rather-long-address");
        QString error;
        {
            std::optional<test::FileSizeLimit> limit;
            if (fault == "file") QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner));
            if (fault == "folder")
                QVERIFY(QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::ExeOwner));
            if (fault == "disk") limit.emplace(1024);  // the new contents are 8400 bytes
            QVERIFY(!saveFavorites(path(), many, &error));
        }
        QVERIFY2(error.contains("favorites.fav"), qPrintable(error));
        QCOMPARE(bytesOf(path()), QByteArray("http://a/\r\n"));
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"favorites.fav"});
    }
};

QTEST_MAIN(TestFavoritesFile)
#include "tst_favoritesfile.moc"
