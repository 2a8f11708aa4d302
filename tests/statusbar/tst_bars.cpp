#include <QLayout>
#include <QtTest>
#include <limits>

#include "core/clock.h"
#include "statusbar/progressbar.h"
#include "statusbar/statusbar.h"

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
        bar.setPanelText(StatusPanel::Mode, "ONLiNE");
        bar.setPanelText(StatusPanel::Messages, "Starting Download...");
        bar.setPanelText(StatusPanel::Messages, "Document Loaded.");
        QCOMPARE(bar.panelText(StatusPanel::Messages), QString("Document Loaded."));
        QCOMPARE(bar.panelText(StatusPanel::Mode), QString("ONLiNE"));
        for (StatusPanel other : {StatusPanel::Unused, StatusPanel::Time, StatusPanel::Date})
            QCOMPARE(bar.panelText(other), QString());
        // A bar with fewer panels ignores the others and reads them as empty.
        StatusBar two({100, 100});
        two.setPanelText(StatusPanel::Date, "x");
        QCOMPARE(two.panelText(StatusPanel::Date), QString());
        QCOMPARE(two.panelWidth(StatusPanel::Date), 0);
    }

    void panelsStartAtTheirWidthsAndGrowToFitTheirText() {
        StatusBar bar({7000, 2000, 650, 650, 650});
        bar.resize(1000, 50);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCOMPARE(bar.height(), 21);  // 315 twips
        // 7000, 2000 and 650 twips at 15 twips a pixel, rounded.
        const QList<QPair<StatusPanel, int>> widths{{StatusPanel::Messages, 467},
                                                    {StatusPanel::Unused, 133},
                                                    {StatusPanel::Mode, 43},
                                                    {StatusPanel::Time, 43},
                                                    {StatusPanel::Date, 43}};
        for (auto [panel, width] : widths) QCOMPARE(bar.panelWidth(panel), width);

        const QString text = "a text far wider than forty-three pixels";
        bar.setPanelText(StatusPanel::Time, text);
        bar.layout()->activate();
        QVERIFY(bar.panelWidth(StatusPanel::Time) >= bar.fontMetrics().horizontalAdvance(text));
        QCOMPARE(bar.panelWidth(StatusPanel::Date), 43);
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
        bar.setPanelText(StatusPanel::Messages, link);
        QCOMPARE(bar.panelText(StatusPanel::Messages), link);  // the text stays whole
        // 1000 pixels less the others (133 + 3 x 43) and four gaps of 2.
        QCOMPARE(bar.panelWidth(StatusPanel::Messages), 730);
        const QPair<StatusPanel, int> others[] = {{StatusPanel::Unused, 133},
                                                  {StatusPanel::Mode, 43},
                                                  {StatusPanel::Time, 43},
                                                  {StatusPanel::Date, 43}};
        for (const auto& [panel, width] : others) QCOMPARE(bar.panelWidth(panel), width);

        // A text a little wider than the panel's 467 pixels still widens it to fit.
        QString wider;
        while (bar.fontMetrics().horizontalAdvance(wider) < 520) wider += 'm';
        bar.setPanelText(StatusPanel::Messages, wider);
        QVERIFY(bar.panelWidth(StatusPanel::Messages) >=
                bar.fontMetrics().horizontalAdvance(wider));
        QVERIFY(bar.panelWidth(StatusPanel::Messages) < 730);
        // Two long texts share the room that is left.
        bar.setPanelText(StatusPanel::Messages, link);
        bar.setPanelText(StatusPanel::Unused, QString("y").repeated(5000));
        QCOMPARE(bar.panelWidth(StatusPanel::Messages) + bar.panelWidth(StatusPanel::Unused),
                 730 + 133);
        // A bar narrower than the given widths leaves every panel at its given width.
        bar.resize(500, 21);
        QCOMPARE(bar.panelWidth(StatusPanel::Messages), 467);
        QCOMPARE(bar.panelWidth(StatusPanel::Unused), 133);
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
