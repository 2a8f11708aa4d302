#include <QLayout>
#include <QtTest>
#include <limits>

#include "core/clock.h"
#include "widgets/progressbar.h"
#include "widgets/statusbar.h"

using namespace skiff;

class TestBars : public QObject {
    Q_OBJECT
private slots:
    void progressRefusesValuesOutsideTheRange() {
        ProgressBar bar;
        QVERIFY(bar.setValue(40.0f));
        const float refused[] = {-1.0f, 150.0f, 100.01f, std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity()};
        for (float value : refused) {
            QVERIFY2(!bar.setValue(value), qPrintable(QString::number(value)));
            QCOMPARE(bar.value(), 40.0f);
            QCOMPARE(bar.QProgressBar::value(), 40);
        }
    }

    void progressAcceptsTheEndsAndFractions() {
        ProgressBar bar;
        QCOMPARE(bar.minimum(), 0);
        QCOMPARE(bar.maximum(), 100);
        QVERIFY(bar.setValue(100.0f));
        QCOMPARE(bar.QProgressBar::value(), 100);
        QVERIFY(bar.setValue(0.0f));
        QCOMPARE(bar.QProgressBar::value(), 0);
        QVERIFY(bar.setValue(33.3f));
        QCOMPARE(bar.value(), 33.3f);
        QCOMPARE(bar.QProgressBar::value(), 33);
        QVERIFY(bar.setValue(66.6f));
        QCOMPARE(bar.QProgressBar::value(), 67);
    }

    void panelTextGoesToItsOwnPanelOnly() {
        StatusBar bar({7000, 2000, 650, 650, 650});
        QCOMPARE(bar.panelCount(), 5);
        bar.setPanelText(3, "ONLiNE");
        bar.setPanelText(1, "Starting Download...");
        bar.setPanelText(1, "Document Loaded.");
        QCOMPARE(bar.panelText(1), QString("Document Loaded."));
        QCOMPARE(bar.panelText(2), QString());
        QCOMPARE(bar.panelText(3), QString("ONLiNE"));
        // Indexes outside 1..5 are ignored and read as empty.
        bar.setPanelText(0, "x");
        bar.setPanelText(6, "x");
        bar.setPanelText(-1, "x");
        QCOMPARE(bar.panelText(0), QString());
        QCOMPARE(bar.panelText(6), QString());
        for (int i : {2, 4, 5}) QCOMPARE(bar.panelText(i), QString());
    }

    void panelsStartAtTheirWidthsAndGrowToFitTheirText() {
        StatusBar bar({7000, 2000, 650, 650, 650});
        bar.resize(1000, 50);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCOMPARE(bar.height(), 21);  // 315 twips
        // 7000, 2000 and 650 twips at 15 twips a pixel, rounded.
        const int widths[] = {467, 133, 43, 43, 43};
        for (int i = 1; i <= 5; ++i) QCOMPARE(bar.panelWidth(i), widths[i - 1]);

        const QString text = "a text far wider than forty-three pixels";
        bar.setPanelText(4, text);
        bar.layout()->activate();
        QVERIFY(bar.panelWidth(4) >= bar.fontMetrics().horizontalAdvance(text));
        QCOMPARE(bar.panelWidth(5), 43);
        QCOMPARE(bar.panelWidth(0), 0);
    }

    // A panel widens only into room the bar has left; a text too long for that is drawn cut, and
    // the panels after it stay in the bar at their widths.
    void longTextLeavesTheOtherPanelsInTheBar() {
        QWidget window;  // the bar lies in a browser window, which places it
        window.resize(1000, 100);
        StatusBar bar({7000, 2000, 650, 650, 650}, &window);
        bar.setGeometry(0, 79, 1000, 21);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString link = "http://a.test/" + QString("x").repeated(5000) + ".exe";
        bar.setPanelText(1, link);
        QCOMPARE(bar.panelText(1), link);  // the text stays whole
        // 1000 pixels less the others (133 + 3 x 43) and four gaps of 2.
        QCOMPARE(bar.panelWidth(1), 730);
        const int others[] = {133, 43, 43, 43};
        for (int i = 2; i <= 5; ++i) QCOMPARE(bar.panelWidth(i), others[i - 2]);

        // A text a little wider than the panel's 467 pixels still widens it to fit.
        QString wider;
        while (bar.fontMetrics().horizontalAdvance(wider) < 520) wider += 'm';
        bar.setPanelText(1, wider);
        QVERIFY(bar.panelWidth(1) >= bar.fontMetrics().horizontalAdvance(wider));
        QVERIFY(bar.panelWidth(1) < 730);
        // Two long texts share the room that is left.
        bar.setPanelText(1, link);
        bar.setPanelText(2, QString("y").repeated(5000));
        QCOMPARE(bar.panelWidth(1) + bar.panelWidth(2), 730 + 133);
        // A bar narrower than the given widths leaves every panel at its given width.
        bar.resize(500, 21);
        QCOMPARE(bar.panelWidth(1), 467);
        QCOMPARE(bar.panelWidth(2), 133);
    }

    void timeOfDayHasSecondsAndNoTimeZone() {
        const QTime time(13, 5, 9);
        QCOMPARE(timeOfDayText(time, QLocale::c()), QString("13:05:09"));
        QCOMPARE(timeOfDayText(time, QLocale(QLocale::German, QLocale::Germany)),
                 QString("13:05:09"));
    }
};

QTEST_MAIN(TestBars)
#include "tst_bars.moc"
