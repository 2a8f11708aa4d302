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

    void timeOfDayHasSecondsAndNoTimeZone() {
        const QTime time(13, 5, 9);
        QCOMPARE(timeOfDayText(time, QLocale::c()), QString("13:05:09"));
        QCOMPARE(timeOfDayText(time, QLocale(QLocale::German, QLocale::Germany)),
                 QString("13:05:09"));
    }
};

QTEST_MAIN(TestBars)
#include "tst_bars.moc"
