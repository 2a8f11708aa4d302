// The favorites window killed (SIGKILL) at many moments while it saves a long list, in a
// process of its own (favoritessaver). Each time the file must be the old list or the new one,
// whole, and no temporary file may stay beside it.

#include <signal.h>

#include <QtTest>
#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr int kEntries = 200000;
constexpr int kKills = 30;
const QByteArray kAdded = "http://added.example/";

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestFavoritesSaveKill : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QProcess saver_;

    QString favorites() const { return dir_.filePath("favorites.fav"); }

    // Waits for the next line of the saver's output and checks that it is `line`.
    void expectLine(const QByteArray& line) {
        while (!saver_.canReadLine())
            QVERIFY2(saver_.waitForReadyRead(60000), qPrintable(saver_.readAllStandardError()));
        QCOMPARE(saver_.readLine().trimmed(), line);
    }

    // Starts the saver on a file holding `list`; returns once it begins to save.
    void startSave(const QByteArray& list) {
        QFile file(favorites());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(list), list.size());
        file.close();
        saver_.start(SKIFF_FAVORITES_SAVER, {QString::fromLatin1(kAdded)});
        QVERIFY(saver_.waitForStarted());
        expectLine("saving");
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", dir_.path());
        env.insert("XDG_CONFIG_HOME", dir_.filePath(".config"));
        env.insert("XDG_DATA_HOME", dir_.filePath(".local/share"));
        env.insert("XDG_CACHE_HOME", dir_.filePath(".cache"));
        saver_.setProcessEnvironment(env);
        saver_.setWorkingDirectory(dir_.path());
        saver_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }

    void killedSaveLeavesOldOrNewFile() {
        QByteArray before;
        for (int i = 0; i < kEntries; ++i)
            before += "http://example.com/favorites/" + QByteArray::number(i) + "\r\n";
        const QByteArray after = before + kAdded + "\r\n";

        // How long a save takes here, from two whole ones.
        std::chrono::nanoseconds save{0};
        for (int run = 0; run < 2; ++run) {
            startSave(before);
            QElapsedTimer timer;
            timer.start();
            expectLine("saved");
            save = std::max(save, std::chrono::nanoseconds(timer.nsecsElapsed()));
            QVERIFY(saver_.waitForFinished(60000));
            QCOMPARE(saver_.exitCode(), 0);
            QVERIFY(bytesOf(favorites()) == after);
        }

        // Kills spread from the start of the save to a little past its end.
        int old = 0, whole = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            startSave(before);
            std::this_thread::sleep_for(save * 6 / 5 * kill / (kKills - 1));
            ::kill(pid_t(saver_.processId()), SIGKILL);
            QVERIFY(saver_.waitForFinished(60000));
            const QByteArray bytes = bytesOf(favorites());
            QVERIFY2(bytes == before || bytes == after,
                     qPrintable(QString("kill %1 left %2 bytes").arg(kill).arg(bytes.size())));
            ++(bytes == before ? old : whole);
            QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                     QStringList{"favorites.fav"});
        }
        qInfo("save: %lld ms; %d kills left the old list, %d the new one",
              qlonglong(save.count() / 1000000), old, whole);
    }
};

QTEST_GUILESS_MAIN(TestFavoritesSaveKill)
#include "tst_favoritessavekill.moc"
