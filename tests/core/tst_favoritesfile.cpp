#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <memory>
#include <optional>
#include <thread>

#include "core/favoritesfile.h"
#include "core/quitsignals.h"
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

// The kind of what has `path`'s name, links not followed; 0 when nothing has it.
mode_t kindAt(const QString& path) {
    struct stat status {};
    return lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
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

    // A list read, changed here (entries added, then entries removed), while another process
    // did nothing, wrote the file anew (as Skiff does: a new file in its place) or removed it:
    // the file saved keeps the other's entries and has this list's changes made to them.
    void savingMergesWhatAnotherProcessWrote_data() {
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QString>("other");  // "nothing", "deletes", or what it writes
        QTest::addColumn<QStringList>("saved");
        using L = QStringList;
        QTest::newRow("nobody else wrote")
            << L{"a", "b"} << L{"c"} << L{"a"} << "nothing" << L{"b", "c"};
        QTest::newRow("both added") << L{"a"} << L{"b"} << L{} << "a c" << L{"a", "c", "b"};
        QTest::newRow("the other removed") << L{"a", "b"} << L{"c"} << L{} << "b" << L{"b", "c"};
        QTest::newRow("both removed one") << L{"a", "b"} << L{} << L{"a"} << "b" << L{"b"};
        QTest::newRow("removed here, added there")
            << L{"a", "b"} << L{} << L{"b"} << "a b c" << L{"a", "c"};
        QTest::newRow("one of two alike removed")
            << L{"a", "a", "b"} << L{} << L{"a"} << "b a a c" << L{"b", "a", "c"};
        QTest::newRow("added and removed again")
            << L{"a"} << L{"b"} << L{"b"} << "a c" << L{"a", "c"};
        QTest::newRow("the other emptied it") << L{"a"} << L{"b"} << L{} << "" << L{"b"};
        QTest::newRow("the other deleted it")
            << L{"a", "b"} << L{"c"} << L{"b"} << "deletes" << L{"a", "c"};
    }
    void savingMergesWhatAnotherProcessWrote() {
        QFETCH(QStringList, read);
        QFETCH(QStringList, added);
        QFETCH(QStringList, removed);
        QFETCH(QString, other);
        QFETCH(QStringList, saved);
        QVERIFY(saveFavorites(path(), read, nullptr));
        FavoritesLoad load = loadFavorites(path());
        QCOMPARE(load.status, FavoritesLoad::Loaded);
        FavoritesEntries list = std::move(load.entries);
        FavoritesEdits edits;
        for (const QString& text : added) {
            list.append(text);
            edits.added(text);
        }
        for (const QString& text : removed) {
            list.remove(list.texts().indexOf(text));
            edits.removed(text);
        }
        if (other == "deletes")
            QVERIFY(QFile::remove(path()));
        else if (other != "nothing")
            QVERIFY(saveFavorites(path(), other.split(' ', Qt::SkipEmptyParts), nullptr));

        QString error;
        QVERIFY2(saveFavoritesEdits(path(), list, edits, load.stamp, &error), qPrintable(error));
        QCOMPARE(parseFavorites(bytesOf(path())), saved);
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

    // Only a regular file, or a link to one, is written. Anything else is read where it can be,
    // without waiting, and neither a save nor the file made for a missing list touches it.
    void onlyRegularFilesAreWritten_data() {
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("entries");
        const int readOnly = FavoritesLoad::ReadOnly, unreadable = FavoritesLoad::Unreadable;
        QTest::newRow("link to a missing file") << "missing" << unreadable << QStringList();
        QTest::newRow("FIFO nobody writes to") << "fifo" << readOnly << QStringList();
        QTest::newRow("FIFO with a writer")
            << "fifo writer" << readOnly << QStringList{"http://a/"};
        QTest::newRow("link to a FIFO") << "fifo link" << readOnly << QStringList();
        QTest::newRow("character device") << "device" << readOnly << QStringList();
        QTest::newRow("link to a character device") << "device link" << readOnly << QStringList();
        QTest::newRow("socket") << "socket" << unreadable << QStringList();
        QTest::newRow("folder") << "folder" << unreadable << QStringList();
    }
    void onlyRegularFilesAreWritten() {
        QFETCH(QString, node);
        QFETCH(int, status);
        QFETCH(QStringList, entries);
        const bool link = node.endsWith("link") || node == "missing";
        const QString made = link ? dir_->filePath("elsewhere") : path();
        const QByteArray name = QFile::encodeName(made);
        int handle = -1;  // a FIFO's writer, or a socket
        const auto closeHandle = qScopeGuard([&] {
            if (handle >= 0) close(handle);
        });
        if (node.startsWith("fifo")) {
            QCOMPARE(mkfifo(name, 0600), 0);
            if (node == "fifo writer") {
                handle = open(name, O_RDWR | O_NONBLOCK);  // stays open: the FIFO has no end
                QCOMPARE(write(handle, "http://a/\r\n", 11), 11);
            }
        } else if (node.startsWith("device")) {
            if (mknod(name, S_IFCHR | 0600, makedev(1, 3)) != 0)  // as /dev/null
                QSKIP("only root can make a device");
        } else if (node == "socket") {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, name, sizeof address.sun_path);
            handle = socket(AF_UNIX, SOCK_STREAM, 0);
            QCOMPARE(bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        } else if (node == "folder") {
            QVERIFY(QDir(dir_->path()).mkdir("favorites.fav"));
        }
        if (link) QVERIFY(QFile::link(made, path()));
        const mode_t kind = kindAt(path()), madeKind = kindAt(made);
        const QStringList names = QDir(dir_->path()).entryList(QDir::AllEntries | QDir::System);

        const FavoritesLoad load = loadFavorites(path());
        QCOMPARE(int(load.status), status);
        QCOMPARE(load.entries.texts(), entries);
        QVERIFY2(load.error.contains("favorites.fav"), qPrintable(load.error));
        QString error;
        QVERIFY(!saveFavorites(path(), {"http://b/"}, &error));
        QVERIFY2(error.contains("favorites.fav"), qPrintable(error));
        QVERIFY(!createEmptyFavoritesFile(path(), nullptr));

        QCOMPARE(kindAt(path()), kind);
        QCOMPARE(kindAt(made), madeKind);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::System), names);
    }

    // A file of more than 256 MB (here a sparse one) is not read, and stays as it was.
    void aFileTooLargeIsRefused() {
        {
            QFile file(path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(kMaxFavoritesFileSize + 1));
        }
        const QDateTime written = QFileInfo(path()).lastModified();
        const FavoritesLoad load = loadFavorites(path());
        QCOMPARE(load.status, FavoritesLoad::Unreadable);
        QCOMPARE(load.entries.size(), 0);
        QVERIFY2(load.error.contains("favorites.fav") && load.error.contains("256 MB"),
                 qPrintable(load.error));
        QCOMPARE(QFileInfo(path()).size(), kMaxFavoritesFileSize + 1);
        QCOMPARE(QFileInfo(path()).lastModified(), written);
    }

    // A list shows at most 1000 characters of an entry, the last of them "…" when it is cut;
    // the entry keeps all of its text.
    void longEntriesAreShownCut() {
        const QChar ellipsis(0x2026), euro(0x20AC);
        const QByteArray euroUtf8 = "\xE2\x82\xAC";         // three bytes
        const QString clef = QStringLiteral("\U0001D11E");  // two UTF-16 units
        const QPair<QByteArray, QString> cases[] = {
            {"http://a/", "http://a/"},
            {QByteArray(1000, 'x'), QString(1000, 'x')},
            {QByteArray(1001, 'x'), QString(999, 'x') + ellipsis},
            {QByteArray(3 << 20, 'x'), QString(999, 'x') + ellipsis},
            {euroUtf8.repeated(1001), QString(999, euro) + ellipsis},
            {"a" + euroUtf8.repeated(1000), "a" + QString(998, euro) + ellipsis},
            // The 999th unit would be half a character.
            {QByteArray("\xF0\x9D\x84\x9E").repeated(600), clef.repeated(499) + ellipsis},
            {QByteArray(2000, '\xE9'), QString(999, QChar(0xE9)) + ellipsis},  // Latin-1
        };
        for (const auto& [line, shown] : cases) {
            const FavoritesEntries list = FavoritesEntries::read("before\r\n" + line + "\r\nafter");
            QCOMPARE(list.size(), 3);
            QCOMPARE(list.shownText(1), shown);
            QCOMPARE(list.text(1),
                     line.isValidUtf8() ? QString::fromUtf8(line) : QString::fromLatin1(line));
        }
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

    // A program under a file-size limit (`ulimit -f`) that saves a longer list: the save fails
    // and says so, the old file stays, and the program goes on rather than being ended by the
    // limit's signal.
    void fileSizeLimitFailsTheSaveAndTheProgramGoesOn() {
        writeBytes(path(), "http://a/\r\n");
        const QStringList many(200, "http://example.com/a-rather-long-address");
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ignoreFileSizeLimitSignal();
            const rlimit limit{1024, 1024};  // the new contents are 8400 bytes
            QString error;
            const bool refused = setrlimit(RLIMIT_FSIZE, &limit) == 0 &&
                                 !saveFavorites(path(), many, &error) &&
                                 error.contains("favorites.fav");
            _exit(refused ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status),
                 qPrintable(QString("ended by signal %1").arg(WTERMSIG(status))));
        QCOMPARE(WEXITSTATUS(status), 0);
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
