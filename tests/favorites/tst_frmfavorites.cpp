// The favorites window on its file, with a scripted first browser window.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "core/names.h"
#include "favorites/frmfavorites.h"
#include "statusbar/statusbar.h"
#include "support/filefaults.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

QByteArray fileBytes(const WindowTestEnvironment& env) {
    QFile f(env.path("favorites.fav"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const WindowTestEnvironment& env, const QByteArray& bytes) {
    QFile f(env.path("favorites.fav"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The entries as the list shows them.
QStringList entries() {
    QStringList out;
    const QAbstractItemModel* shown = frmFavorites().lstFavorites()->model();
    for (int i = 0; i < shown->rowCount(); ++i) out << shown->index(i, 0).data().toString();
    return out;
}

// The favorites window, shown and active.
FrmFavorites& shownFavorites() {
    FrmFavorites& w = frmFavorites();
    if (!showActive(&w)) qWarning("the favorites window did not become active");
    return w;
}

void press(const QString& button) {
    click(shownFavorites().button(button));
}

// A click with `button` on the entry at `row` of the list.
void clickEntry(int row, Qt::MouseButton button = Qt::LeftButton) {
    QListView* list = frmFavorites().lstFavorites();
    click(list->viewport(), list->visualRect(list->model()->index(row, 0)).center(), button);
}

int selectedEntries() {
    return int(frmFavorites().lstFavorites()->selectionModel()->selectedIndexes().size());
}

// The user at the question boxes: each box that opens is read, `before` runs with its number
// (from 1), then the button named by the next answer is clicked. A box beyond the answers is
// closed without saving, so that a test never waits on one.
class QuestionAnswerer : public QObject {
public:
    explicit QuestionAnswerer(QStringList answers, std::function<void(int)> before = {}) {
        connect(&timer_, &QTimer::timeout, this, [this, answers, before] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            asked << box->text();
            if (before) before(int(asked.size()));
            const QString answer = answers.value(asked.size() - 1, "Close Without Saving");
            for (QAbstractButton* b : box->buttons())
                if (b->text() == answer) return click(b);
        });
        timer_.start(10);
    }
    QStringList asked;

private:
    QTimer timer_;
};

const QPair<QString, QString> kNothingSelected{
    "Please select a site to remove in the List and then select Remove", "Error In Removing Site"};

void closeFavorites() {
    frmFavorites().close();
    settle();
}

// What has `path`'s name: its kind (links not followed; 0 for nothing), size and time of change.
QString nodeAt(const QString& path) {
    struct stat status {};
    if (lstat(QFile::encodeName(path).constData(), &status) != 0) return "nothing";
    return QString("%1 %2 %3.%4")
        .arg(status.st_mode & S_IFMT)
        .arg(status.st_size)
        .arg(status.st_mtim.tv_sec)
        .arg(status.st_mtim.tv_nsec);
}

}  // namespace

class TestFrmFavorites : public QObject {
    Q_OBJECT
private slots:
    void firstOpeningWithoutAFile() {
        WindowTestEnvironment env;
        QCOMPARE(entries(), QStringList{"http://www.example.com/Apps"});
        QCOMPARE(fileBytes(env), QByteArray("\r\n"));
        // The count shows from the first tick of the 500 ms timer on.
        QCOMPARE(frmFavorites().lblNumber()->text(), QString());
        QTRY_COMPARE(frmFavorites().lblNumber()->text(), QString("1"));
        closeFavorites();
        QCOMPARE(fileBytes(env), QByteArray("http://www.example.com/Apps\r\n"));
    }

    void addingAndRemovingSurviveARestartByteForByte() {
        WindowTestEnvironment env;
        writeFile(env, "http://a.example/\r\nhttp://b.example/?x=1,2&y=\"q\"");
        QCOMPARE(entries(), QStringList({"http://a.example/", "http://b.example/?x=1,2&y=\"q\""}));
        press("xpcmdAdd");  // the box still holds "http://"
        press("xpcmdAdd");
        FrmMain& main = frmMain();
        QVERIFY(showActive(&main));
        retype(main.cboUrl(), "typed but not visited");
        press("xpcmdCurrent");
        QCOMPARE(frmFavorites().txtLink()->text(), QString("http://"));
        closeFavorites();
        QCOMPARE(fileBytes(env), QByteArray("http://a.example/\r\nhttp://b.example/?x=1,2&y=\"q\""
                                            "\r\nhttp://\r\nhttp://\r\ntyped but not visited\r\n"));
        const QByteArray saved = fileBytes(env);
        frmFavorites();
        closeFavorites();
        QCOMPARE(fileBytes(env), saved);
    }

    void emptyLinesNoLongerEndTheList() {
        WindowTestEnvironment env;
        writeFile(env, "first\r\n\r\nsecond\r\n");
        QCOMPARE(entries(), QStringList({"first", "second"}));
        QLineEdit* link = shownFavorites().txtLink();
        retype(link, "");
        press("xpcmdAdd");  // an empty entry
        press("xpcmdAdd");
        retype(link, "after");
        press("xpcmdAdd");
        closeFavorites();
        QCOMPARE(entries(), QStringList({"first", "second", "after"}));
    }

    // Only the selected entry is removed. The list's current row, which the list sets when it
    // takes the keyboard focus, is no selection; neither is a right click.
    void removeActsOnTheSelectedEntryOnly() {
        WindowTestEnvironment env;
        writeFile(env, "one\r\ntwo\r\nthree\r\n");
        FrmFavorites& w = shownFavorites();
        QListView* list = w.lstFavorites();
        click(w.txtLink());
        pressKey(&w, Qt::Key_Backtab);  // back to the list, the first in tab order
        QVERIFY(list->hasFocus());
        press("xpcmdRemove");
        clickEntry(1, Qt::RightButton);
        QVERIFY(w.mnuMain()->isVisible());
        QCOMPARE(selectedEntries(), 0);
        QVERIFY(chooseFromMenu(w.mnuMain(), "Remove"));
        QCOMPARE(entries(), QStringList({"one", "two", "three"}));
        QCOMPARE(env.messages, QList({kNothingSelected, kNothingSelected}));

        // "Remove" of the pop-up acts on the selected entry, not on the one right-clicked.
        clickEntry(2);
        clickEntry(0, Qt::RightButton);
        QVERIFY(chooseFromMenu(w.mnuMain(), "Remove"));
        QCOMPARE(entries(), QStringList({"one", "two"}));
        QCOMPARE(selectedEntries(), 0);
        // Twice REMOVE SiTE on a selected entry: it goes, then the message comes.
        clickEntry(1);
        press("xpcmdRemove");
        QCOMPARE(entries(), QStringList{"one"});
        QCOMPARE(selectedEntries(), 0);
        press("xpcmdRemove");
        QCOMPARE(env.messages.size(), 3);
        QCOMPARE(entries(), QStringList{"one"});
    }

    void removeAllGivesAnEmptyFile() {
        WindowTestEnvironment env;
        writeFile(env, "one\r\ntwo\r\n");
        shownFavorites();
        clickEntry(1);
        press("xpcmdRemove");
        clickEntry(0);
        press("xpcmdRemove");
        QCOMPARE(entries(), QStringList());
        QCOMPARE(env.messages.size(), 0);
        closeFavorites();
        QCOMPARE(fileBytes(env), QByteArray());
        // The file exists, so the next opening shows an empty list and no default entry.
        QCOMPARE(entries(), QStringList());
    }

    void doubleClickOpensTheEntryInTheFirstBrowserWindow() {
        WindowTestEnvironment env;
        writeFile(env, "example.com/fav\r\nsecond.example\r\n");
        FrmMain& main = frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        wb->navigated.clear();
        QListView* list = shownFavorites().lstFavorites();
        // Below the last entry: nothing is opened.
        doubleClick(list->viewport(), {5, list->viewport()->height() - 5});
        QCOMPARE(wb->navigated, QStringList());
        clickEntry(1);
        doubleClick(list->viewport(), list->visualRect(list->model()->index(0, 0)).center());
        QCOMPARE(wb->navigated, QStringList{"example.com/fav"});
        QCOMPARE(main.cboUrl()->currentText(), QString("example.com/fav"));
        QVERIFY(frmFavorites().isActiveWindow());
    }

    // An entry longer than the engines open is refused before it reaches the address box; a
    // long one that opens shows cut there, and stays whole for the Go button.
    void longEntriesOpenWholeOrNotAtAll() {
        WindowTestEnvironment env;
        const QString tooLong = "http://long.example/?q=" + QString(kMaxAddressLength, 'x');
        const QString longOne = "http://long.example/?q=" + QString(100000, 'y');
        writeFile(env, (tooLong + "\r\n" + longOne + "\r\n").toUtf8());
        FrmMain& main = frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        wb->navigated.clear();
        const QString before = main.cboUrl()->currentText();
        QListView* list = shownFavorites().lstFavorites();
        const auto open = [&](int row) {
            // Near the left end: a long entry's row reaches beyond the list's right edge.
            const QRect entry = list->visualRect(list->model()->index(row, 0));
            doubleClick(list->viewport(), {5, entry.center().y()});
        };
        open(0);
        QCOMPARE(wb->navigated, QStringList());
        QCOMPARE(main.cboUrl()->currentText(), before);
        QCOMPARE(main.stbStatus()->panelText(StatusPanel::Messages),
                 "Addresses longer than 2 MB are not opened.");
        open(1);
        QCOMPARE(wb->navigated, QStringList{longOne});
        QCOMPARE(main.cboUrl()->currentText(), longOne.left(kShownAddressLength));
        QVERIFY(showActive(&main));
        click(main.button("xpcmdGo"));
        QCOMPARE(wb->navigated, QStringList({longOne, longOne}));
    }

    // A save that fails on closing asks whether to try again or to close without saving, naming
    // the file. Retry tries again until the save works or the user gives up; giving up closes
    // the window and leaves the old file as it was. The browser's shut-down asks the same.
    void aFailedSaveAsksToRetryOrToCloseWithoutSaving() {
        WindowTestEnvironment env;
        QVERIFY(enforceFilePermissions());
        writeFile(env, "kept\r\n");
        const QString file = QDir::current().absoluteFilePath("favorites.fav");
        const QString folder = QDir::currentPath();
        retype(shownFavorites().txtLink(), "added");
        press("xpcmdAdd");
        // A folder that takes no new file: the new list cannot be written beside the old one.
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        {
            QuestionAnswerer user({"Retry", "Retry"}, [&](int question) {
                if (question == 2)
                    QFile::setPermissions(folder,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            });
            closeByCloseBox(&frmFavorites());
            QCOMPARE(user.asked.size(), 2);
            QVERIFY2(user.asked[0].contains(file), qPrintable(user.asked[0]));
        }
        QVERIFY(!frmFavoritesLoaded());
        QCOMPARE(fileBytes(env), QByteArray("kept\r\nadded\r\n"));

        retype(shownFavorites().txtLink(), "lost");
        press("xpcmdAdd");
        QFile::setPermissions(file, QFile::ReadOwner);  // a read-only file
        FrmMain& main = frmMain();
        QVERIFY(showActive(&main));
        {
            QuestionAnswerer user({"Close Without Saving"});
            closeByCloseBox(&main);
            QCOMPARE(user.asked.size(), 1);
            QVERIFY(user.asked[0].contains(file));
        }
        QVERIFY(!frmFavoritesLoaded());
        QVERIFY(!frmMainLoaded());
        QCOMPARE(fileBytes(env), QByteArray("kept\r\nadded\r\n"));
        QCOMPARE(env.messages.size(), 0);
    }

    // A list of more than a megabyte is read and saved on a thread of its own while the
    // program goes on; every entry is shown and counted, and the file written holds exactly
    // the list.
    void aLargeListLosesNothing() {
        WindowTestEnvironment env;
        QByteArray bytes;
        for (int i = 0; i < 40000; ++i)
            bytes += "http://site" + QByteArray::number(i) +
                     ".example/?q=" + QByteArray::number(i) + "\r\n";
        QVERIFY(bytes.size() > 1 << 20);
        writeFile(env, bytes);
        FrmFavorites& w = shownFavorites();
        QCOMPARE(entries().size(), 40000);
        QCOMPARE(entries().last(), QString("http://site39999.example/?q=39999"));
        QTRY_COMPARE(w.lblNumber()->text(), QString("40000"));
        clickEntry(1);
        press("xpcmdRemove");
        retype(w.txtLink(), "added");
        press("xpcmdAdd");
        QTRY_COMPARE(w.lblNumber()->text(), QString("40000"));
        closeFavorites();
        bytes.remove(bytes.indexOf("http://site1."),
                     QByteArray("http://site1.example/?q=1\r\n").size());
        QCOMPARE(fileBytes(env), bytes + "added\r\n");
    }

    void anUnreadableFileIsNotOverwritten() {
        WindowTestEnvironment env;
        QVERIFY(enforceFilePermissions());
        writeFile(env, "secret\r\n");
        QFile(env.path("favorites.fav")).setPermissions(QFile::WriteOwner);
        QCOMPARE(entries(), QStringList());
        QCOMPARE(env.messages.size(), 1);
        closeFavorites();
        QFile(env.path("favorites.fav")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(fileBytes(env), QByteArray("secret\r\n"));
    }

    // Closing asks nothing and leaves the file as it was: after no change, also in a folder that
    // takes no new file (the file keeps its line feeds, one reached through a link stays as it
    // is); and after a change, where the file is not a regular one or too large to be a list,
    // which is shown as far as it can be read with a message that the list is not saved.
    void closingLeavesWhatMayNotBeWritten_data() {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("unchanged file") << "file" << QStringList{"one", "two"};
        QTest::newRow("unchanged file through a link") << "link" << QStringList{"one", "two"};
        QTest::newRow("link to a missing file") << "missing" << QStringList();
        QTest::newRow("FIFO with a writer") << "fifo" << QStringList{"http://a/"};
        QTest::newRow("file of more than 256 MB") << "large" << QStringList();
    }
    void closingLeavesWhatMayNotBeWritten() {
        QFETCH(QString, node);
        QFETCH(QStringList, shown);
        WindowTestEnvironment env;
        const QString path = env.path("favorites.fav"), other = env.path("elsewhere.fav");
        const bool unchanged = node == "file" || node == "link";
        int writer = -1;
        const auto closeWriter = qScopeGuard([&] {
            if (writer >= 0) close(writer);
        });
        if (unchanged) {
            QFile lines(node == "link" ? other : path);
            QVERIFY(lines.open(QIODevice::WriteOnly));
            lines.write("one\ntwo\n");
        }
        if (node == "link" || node == "missing") {
            QVERIFY(QFile::link(other, path));
        } else if (node == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path), 0600), 0);
            writer = open(QFile::encodeName(path), O_RDWR | O_NONBLOCK);
            QCOMPARE(write(writer, "http://a/\r\n", 11), 11);
        } else if (node == "large") {
            QFile large(path);
            QVERIFY(large.open(QIODevice::WriteOnly));
            QVERIFY(large.resize((qint64(256) << 20) + 1));  // sparse: takes no room
        }
        const QString before = nodeAt(path) + nodeAt(other);
        QVERIFY(enforceFilePermissions());
        if (unchanged)
            QFile::setPermissions(QDir::currentPath(), QFile::ReadOwner | QFile::ExeOwner);
        QuestionAnswerer user({});
        QCOMPARE(entries(), shown);
        QCOMPARE(env.messages.size(), unchanged ? 0 : 1);
        if (!unchanged) {
            QCOMPARE(env.messages[0].second, QString("Favorites File"));
            QVERIFY2(
                env.messages[0].first.contains(QDir::current().absoluteFilePath("favorites.fav")),
                qPrintable(env.messages[0].first));
            press("xpcmdAdd");
        }
        closeFavorites();
        QFile::setPermissions(QDir::currentPath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(user.asked, QStringList());
        QCOMPARE(nodeAt(path) + nodeAt(other), before);
        if (unchanged) QCOMPARE(fileBytes(env), QByteArray("one\ntwo\n"));
    }

    // An entry of megabytes is shown cut, and saved whole.
    void aLongEntryIsShownCutAndSavedWhole() {
        WindowTestEnvironment env;
        const QByteArray line = "http://long.example/?q=" + QByteArray(4 << 20, 'x');
        writeFile(env, "http://a/\r\n" + line + "\r\n");
        press("xpcmdAdd");  // the window shows and paints the list
        const QStringList shown = entries();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[1].size(), 1000);
        QCOMPARE(shown[1], "http://long.example/?q=" + QString(976, 'x') + QChar(0x2026));
        closeFavorites();
        QCOMPARE(fileBytes(env), "http://a/\r\n" + line + "\r\nhttp://\r\n");
    }

    void openingTheMenuAgainDoesNotReadTheFileAgain() {
        WindowTestEnvironment env;
        writeFile(env, "one\r\n");
        FrmMain& main = frmMain();
        QVERIFY(showActive(&main));
        QVERIFY(chooseMenuItem(&main, "Favorites"));
        QVERIFY(frmFavorites().isVisible());
        writeFile(env, "changed\r\n");
        QVERIFY(chooseMenuItem(&main, "Favorites"));
        QCOMPARE(entries(), QStringList{"one"});
    }
};

QTEST_MAIN(TestFrmFavorites)
#include "tst_frmfavorites.moc"
