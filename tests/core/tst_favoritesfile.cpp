#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>
#include <memory>
#include <optional>
#include <thread>

#include "core/favoritesfile.h"
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

// Runs `work` on a thread of its own that has given up root's right to ignore permission bits,
// so that unreadable files and read-only folders stop it as they stop any other user. Nothing
// when that right could not be given up.
template <typename Work>
std::optional<std::invoke_result_t<Work>> asOrdinaryUser(Work work) {
    std::optional<std::invoke_result_t<Work>> result;
    std::thread([&] {
        if (test::enforceFilePermissions()) result = work();
    }).join();
    return result;
}

}  // namespace

class TestFavoritesFile : public QObject {
    Q_OBJECT
private:
    // A fresh folder for each test.
    std::unique_ptr<QTemporaryDir> dir_;
    QString path() const { return dir_->filePath("favorites.fav"); }

private slots:
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
        QTest::newRow("bare carriage returns")
            << QByteArray("a\rb\r\rc") << QStringList{"a", "b", "c"};
        QTest::newRow("every line end, latin-1 line")
            << QByteArray("a\r\nb\rcaf\xE9\nd") << QStringList{"a", "b", "café", "d"};
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
        const QByteArray mark = "\xEF\xBB\xBF";
        const QString marked = QStringLiteral("\uFEFFa");  // an entry starting with a mark
        QTest::newRow("a second mark belongs to the first entry") << mark + mark + "a\r\n"
                                                                  << QStringList{marked};
        QTest::newRow("lines across eight-byte words")
            << QByteArray(
                   "12345678\r\n1234567\n123456789\rabcdefghij\ncaf\xE9\r\nna\xC3\xAFve-line")
            << QStringList{"12345678", "1234567", "123456789", "abcdefghij", "café", "naïve-line"};
        QTest::newRow("mark on a utf-8 line of a latin-1 file") << "\xE9\r\n" + mark + "a\r\n"
                                                                << QStringList{"é", marked};
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
        // A first entry starting with a byte order mark keeps it through a save.
        const QStringList marked = {QStringLiteral("\uFEFF"), QStringLiteral("\uFEFFb")};
        QCOMPARE(parseFavorites(serializeFavorites(marked)), marked);
    }

    // Removed and added entries, a Latin-1 line among them: the file holds exactly the list.
    void editedEntriesWriteTheirLines() {
        FavoritesEntries list = FavoritesEntries::read("\xEF\xBB\xBFone\r\ncaf\xE9\n\ntwo\rthree");
        QCOMPARE(list.texts(), QStringList({"one", "café", "two", "three"}));
        list.remove(2);
        list.append("new, \"q\"");
        list.append("");
        list.remove(0);
        QCOMPARE(list.fileBytes(), QByteArray("caf\xC3\xA9\r\nthree\r\nnew, \"q\"\r\n\r\n"));
    }

    void savedEntriesLoadBackUnchanged() {
        const QStringList entries = {kDefaultFavorite, "http://a/?q=1,2&r=\"x\"", " spaced ",
                                     "http://b/ü€", "http://a/?q=1,2&r=\"x\""};
        QString error;
        QVERIFY(saveFavorites(path(), entries, &error));
        const FavoritesLoad load = loadFavorites(path());
        QCOMPARE(load.status, FavoritesLoad::Loaded);
        QCOMPARE(load.entries.texts(), entries);
    }

    void missingFileIsCreatedWithOneEmptyLine() {
        QCOMPARE(loadFavorites(path()).status, FavoritesLoad::Missing);
        QString error;
        QVERIFY(createEmptyFavoritesFile(path(), &error));
        QCOMPARE(bytesOf(path()), QByteArray("\r\n"));
        const FavoritesLoad load = loadFavorites(path());
        QCOMPARE(load.status, FavoritesLoad::Loaded);
        QCOMPARE(load.entries.size(), 0);
    }

    void emptyListSavesAsNoBytes() {
        writeBytes(path(), "http://a/\r\n");
        QVERIFY(saveFavorites(path(), QStringList(), nullptr));
        QCOMPARE(bytesOf(path()), QByteArray());
        QCOMPARE(loadFavorites(path()).status, FavoritesLoad::Loaded);
    }

    void unreadableFileIsReportedNotLoaded() {
        writeBytes(path(), "http://a/\r\n");
        QVERIFY(QFile::setPermissions(path(), QFile::WriteOwner));
        const auto loaded = asOrdinaryUser([this] { return loadFavorites(path()); });
        QVERIFY(loaded);
        const FavoritesLoad& load = *loaded;
        QCOMPARE(load.status, FavoritesLoad::Unreadable);
        QCOMPARE(load.entries.size(), 0);
        QVERIFY2(load.error.contains("favorites.fav"), qPrintable(load.error));
    }

    // Each case makes the save fail in its own way; the old file must stay whole and no
    // temporary file may be left beside it.
    void failedSaveKeepsTheOldFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("read-only folder") << "folder";
        QTest::newRow("disk full halfway") << "disk";
    }
    void failedSaveKeepsTheOldFile() {
        QFETCH(QString, fault);
        writeBytes(path(), "http://a/\r\n");
        const QStringList many(200, "http://example.com/a-rather-long-address");
        QString error;
        if (fault == "folder") {
            QVERIFY(QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::ExeOwner));
            const auto saved = asOrdinaryUser([&] { return saveFavorites(path(), many, &error); });
            QCOMPARE(saved, std::optional(false));
        } else {
            test::FileSizeLimit limit(1024);  // the new contents are 8400 bytes
            QVERIFY(!saveFavorites(path(), many, &error));
        }
        QVERIFY2(error.contains("favorites.fav"), qPrintable(error));
        QCOMPARE(bytesOf(path()), QByteArray("http://a/\r\n"));
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"favorites.fav"});
    }

    // The permission bits decide, for root as for anyone: the owner's bits for the file's owner,
    // the group's for its group, the others' for everyone else. A file they keep this user from
    // writing keeps its bytes; a file that is replaced keeps its bits and owner, and one reached
    // through a link stays where the link points.
    void permissionBitsAreHonouredAndKept_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("othersFile");  // owned by another user: root only
        QTest::addColumn<bool>("throughLink");
        QTest::addColumn<bool>("saved");
        QTest::newRow("no write bits") << 0444 << false << false << false;
        QTest::newRow("no bits at all") << 0000 << false << false << false;
        QTest::newRow("others may write, the owner not") << 0466 << false << false << false;
        QTest::newRow("owner may write") << 0600 << false << false << true;
        QTest::newRow("group and others read") << 0644 << false << false << true;
        QTest::newRow("through a link") << 0640 << false << true << true;
        QTest::newRow("read-only through a link") << 0440 << false << true << false;
        QTest::newRow("another user's, all may write") << 0666 << true << false << true;
        QTest::newRow("another user's, only it may write") << 0644 << true << false << false;
    }
    void permissionBitsAreHonouredAndKept() {
        QFETCH(int, mode);
        QFETCH(bool, othersFile);
        QFETCH(bool, throughLink);
        QFETCH(bool, saved);
        const QString file = throughLink ? dir_->filePath("elsewhere.txt") : path();
        const QByteArray name = QFile::encodeName(file);
        writeBytes(file, "http://a/\r\n");
        if (throughLink) QVERIFY(QFile::link(file, path()));
        if (othersFile) {
            if (geteuid() != 0) QSKIP("only root can give a file to another user");
            QCOMPARE(chown(name, 65534, 65534), 0);
        }
        QCOMPARE(chmod(name, mode_t(mode)), 0);
        struct stat before {};
        QCOMPARE(stat(name, &before), 0);

        QString error;
        QCOMPARE(saveFavorites(path(), {"http://b/"}, &error), saved);
        if (!saved) QVERIFY2(error.contains("favorites.fav"), qPrintable(error));
        struct stat after {};
        QCOMPARE(stat(name, &after), 0);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(QFileInfo(path()).isSymLink(), throughLink);
        if (throughLink) QCOMPARE(QFileInfo(path()).symLinkTarget(), file);
        QCOMPARE(chmod(name, 0600), 0);  // readable by this test whoever it runs as
        QCOMPARE(bytesOf(file), QByteArray(saved ? "http://b/\r\n" : "http://a/\r\n"));
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
                 throughLink ? 2 : 1);
    }
};

QTEST_MAIN(TestFavoritesFile)
#include "tst_favoritesfile.moc"
