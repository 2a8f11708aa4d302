#include <sys/stat.h>

#include <QtTest>
#include <optional>

#include "core/settingsstore.h"
#include "support/filefaults.h"

using namespace skiff;

namespace {

const QString kApp = "Web Browser";
const QString kSection = "Settings";
const QString kKey = "Start-Up Page";

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Tells one file from another that took its name.
ino_t inodeOf(const QString& path) {
    struct stat status {};
    return stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

}  // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private:
    QTemporaryDir config_;
    QString folder() const { return config_.filePath("Skiff"); }
    QString fileOf(const QString& app) const { return folder() + "/" + app + ".conf"; }

private slots:
    void initTestCase() {
        QVERIFY(test::enforceFilePermissions());
        QVERIFY(config_.isValid());
        // Read by the store on first use, so set before anything touches it.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
    }

    void nothingStoredGivesTheDefault() {
        QCOMPARE(GetSetting("Never Written", kSection, kKey, ""), QString(""));
        QCOMPARE(GetSetting("Never Written", kSection, kKey, "about:blank"),
                 QString("about:blank"));
    }

    void valuesAreStoredExactlyAsTyped() {
        const QStringList values = {"  http://example.com/?a=1,2&b=\"x\"  ", "example.com",
                                    "http://xn--bcher-kva.example/ü", ""};
        for (const QString& value : values) {
            QCOMPARE(SaveSetting(kApp, kSection, kKey, value), SaveResult::Saved);
            // An empty text is a stored value, not an absent one.
            QCOMPARE(GetSetting(kApp, kSection, kKey, "absent"), value);
        }
        QVERIFY(QFileInfo(fileOf(kApp)).isFile());
    }

    // Each case makes the store unwritable in its own way, tries to replace "old" by "new",
    // and checks both what this process reads while the fault lasts and the file on disk.
    void unwritableStoreRefusesAndKeepsTheOldValue_data() {
        QTest::addColumn<QString>("app");
        QTest::newRow("read-only file") << "Read Only File";
        QTest::newRow("read-only folder") << "Read Only Folder";
        QTest::newRow("full disk") << "Full Disk";
    }
    void unwritableStoreRefusesAndKeepsTheOldValue() {
        QFETCH(QString, app);
        QCOMPARE(SaveSetting(app, kSection, kKey, "old"), SaveResult::Saved);
        const QByteArray before = bytesOf(fileOf(app));
        const auto filePermissions = QFile::permissions(fileOf(app));
        const auto folderPermissions = QFile::permissions(folder());
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(fileOf(app), filePermissions);
            QFile::setPermissions(folder(), folderPermissions);
        });
        {
            std::optional<test::FileSizeLimit> limit;
            if (app == "Read Only File")
                QVERIFY(QFile::setPermissions(fileOf(app), QFile::ReadOwner));
            else if (app == "Read Only Folder")
                QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
            else
                limit.emplace(0);
            QCOMPARE(SaveSetting(app, kSection, kKey, "new"), SaveResult::NotWritable);
            QCOMPARE(GetSetting(app, kSection, kKey, ""), QString("old"));
        }
        QCOMPARE(bytesOf(fileOf(app)), before);
    }

    // A file the store cannot read as its own is not written over by a save, which says so.
    // Replacing it keeps the damaged bytes beside the new file, under a name not yet taken; where
    // it cannot be replaced, it stays in its place as it was, with no copy beside it and no new
    // file left over.
    void damagedFileIsKept_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fault");
        QTest::newRow("unclosed section") << QByteArray("[Settings\nStart-Up%20Page=x\n") << "";
        QTest::newRow("binary") << QByteArray("\0\x01\x02[]=\xFF", 7) << "";
        QTest::newRow("not UTF-8") << QByteArray("[Settings]\nHome=caf\xE9\n") << "";
        QTest::newRow("read-only folder") << QByteArray("[Settings\n") << "folder";
        QTest::newRow("full disk") << QByteArray("[Settings\n") << "disk";
    }
    void damagedFileIsKept() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fault);
        const QString app = QString("Damaged ") + QTest::currentDataTag();
        const QString file = fileOf(app);
        QVERIFY(QDir().mkpath(folder()));
        writeBytes(file, bytes);
        const ino_t inode = inodeOf(file);
        QCOMPARE(SaveSetting(app, kSection, kKey, "new"), SaveResult::Damaged);
        QCOMPARE(bytesOf(file), bytes);
        QCOMPARE(inodeOf(file), inode);

        if (!fault.isEmpty()) {
            const auto folderPermissions = QFile::permissions(folder());
            const auto restore =
                qScopeGuard([&] { QFile::setPermissions(folder(), folderPermissions); });
            {
                std::optional<test::FileSizeLimit> limit;
                if (fault == "disk")
                    limit.emplace(bytes.size());  // room for the copy, none for the new file
                else
                    QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
                QCOMPARE(replaceDamagedSettings(app, kSection, kKey, "new"), std::nullopt);
            }
            QCOMPARE(bytesOf(file), bytes);
            QCOMPARE(inodeOf(file), inode);
            QCOMPARE(QDir(folder()).entryList({app + "*"}, QDir::Files),
                     QStringList{app + ".conf"});
            return;
        }
        writeBytes(file + ".damaged", "an older backup");
        const std::optional<QString> backup = replaceDamagedSettings(app, kSection, kKey, "new");
        QCOMPARE(backup, std::optional<QString>(file + ".damaged.2"));
        QCOMPARE(bytesOf(*backup), bytes);
        QCOMPARE(bytesOf(file + ".damaged"), QByteArray("an older backup"));
        QCOMPARE(GetSetting(app, kSection, kKey, "<absent>"), QString("new"));
        QCOMPARE(SaveSetting(app, kSection, kKey, "newer"), SaveResult::Saved);
        QCOMPARE(QDir(folder()).entryList({app + "*"}, QDir::Files).size(), 3);
    }
};

QTEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
