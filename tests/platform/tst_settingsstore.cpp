#include <QtTest>
#include <optional>

#include "platform/settingsstore.h"
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
            QVERIFY(SaveSetting(kApp, kSection, kKey, value));
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
        QVERIFY(SaveSetting(app, kSection, kKey, "old"));
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
            QVERIFY(!SaveSetting(app, kSection, kKey, "new"));
            QCOMPARE(GetSetting(app, kSection, kKey, ""), QString("old"));
        }
        QCOMPARE(bytesOf(fileOf(app)), before);
    }
};

QTEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
