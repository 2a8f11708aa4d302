// Work the user waits for runs on a thread of its own while the program goes on: timers run,
// a progress dialog shows once it takes long, and no window closes until it is done.

#include <QApplication>
#include <QProgressDialog>
#include <QtTest>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "forms/busywork.h"
#include "support/userinput.h"

using namespace skiff;

namespace {

QProgressDialog* shownProgress() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) return p;
    return nullptr;
}

}  // namespace

class TestBusyWork : public QObject {
    Q_OBJECT
private slots:
    void longWorkShowsProgressAndHoldsCloses() {
        QWidget window;
        window.setWindowTitle("Owner");
        QVERIFY(test::showActive(&window));
        std::atomic<bool> done{false};
        QString label;
        bool busyMeanwhile = false;
        QTimer user;  // on this thread: it runs only while the program goes on during the work
        connect(&user, &QTimer::timeout, this, [&] {
            busyMeanwhile = busy();
            if (QProgressDialog* progress = shownProgress(); progress && !done) {
                label = progress->labelText();
                test::closeByCloseBox(&window);
                done = true;
            }
        });
        user.start(20);
        QVERIFY(!busy());
        runWithProgress("Working...", &window, [&] {
            // Bounded, so that a program that stopped meanwhile fails the test instead of
            // hanging it.
            for (int i = 0; i < 6000 && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        QVERIFY(busyMeanwhile);
        QCOMPARE(label, QString("Working..."));
        QVERIFY(window.isVisible());  // the close asked for meanwhile was turned away
        QVERIFY(!busy());
        QCOMPARE(shownProgress(), nullptr);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        test::closeByCloseBox(&window);  // afterwards it closes
        QVERIFY(!window.isVisible());
    }

    void theWorksExceptionComesBack() {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, runWithProgress("Working...", nullptr, [] {
                                     throw std::runtime_error("failed");
                                 }));
        QVERIFY(!busy());
    }
};

QTEST_MAIN(TestBusyWork)
#include "tst_busywork.moc"
