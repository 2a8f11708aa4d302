#include <QLayout>
#include <QtTest>
#include <limits>

#include "core/clock.h"
#include "statusbar/progressbar.h"
#include "statusbar/statusbar.h"

using namespace skiff;
using enum StatusPanel;

namespace {

const QList<int> kBrowserPanels{7000, 2000, 650, 650, 650};  // twips
// Their widths at 15 twips a pixel, rounded.
const QList<QPair<StatusPanel, int>> kStartWidths{
    {Messages, 467}, {Unused, 133}, {Mode, 43}, {Time, 43}, {Date, 43}};

}  // namespace

class TestBars : public QObject {
    Q_OBJECT
private slots:
    // Values from 0 to 100 are taken and shown rounded; any other is refused and the bar keeps
    // its value.
    void progressTakesValuesInItsRangeOnly() {
        ProgressBar bar;
        QCOMPARE(bar.minimum(), 0);
        QCOMPARE(bar.maximum(), 100);
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float infinity = std::numeric_limits<float>::infinity();
        const struct {
            float value;
            bool taken;
            int shown;
        } steps[] = {{40.0f, true, 40},    {-1.0f, false, 40}, {150.0f, false, 40},
                     {100.01f, false, 40}, {nan, false, 40},   {infinity, false, 40},
                     {100.0f, true, 100},  {0.0f, true, 0},    {33.3f, true, 33},
                     {66.6f, true, 67}};
        float held = 0;
        for (const auto& [value, taken, shown] : steps) {
            QVERIFY2(bar.setValue(value) == taken, qPrintable(QString::number(value)));
            if (taken) held = value;
            QCOMPARE(bar.value(), held);
            QCOMPARE(bar.QProgressBar::value(), shown);
        }
    }

    void panelTextGoesToItsOwnPanelOnly() {
        StatusBar bar(kBrowserPanels);
        QCOMPARE(bar.panelCount(), 5);
        bar.setPanelText(Mode, "ONLiNE");
        bar.setPanelText(Messages, "Starting Download...");
        bar.setPanelText(Messages, "Document Loaded.");
        QCOMPARE(bar.panelText(Messages), QString("Document Loaded."));
        QCOMPARE(bar.panelText(Mode), QString("ONLiNE"));
        for (StatusPanel other : {Unused, Time, Date}) QCOMPARE(bar.panelText(other), QString());
        // A bar with fewer panels ignores the others and reads them as empty.
        StatusBar two({100, 100});
        two.setPanelText(Date, "x");
        QCOMPARE(two.panelText(Date), QString());
        QCOMPARE(two.panelWidth(Date), 0);
    }

    void panelsStartAtTheirWidthsAndGrowToFitTheirText() {
        StatusBar bar(kBrowserPanels);
        bar.resize(1000, 50);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCOMPARE(bar.height(), 21);  // 315 twips
        for (auto [panel, width] : kStartWidths) QCOMPARE(bar.panelWidth(panel), width);

        const QString text = "a text far wider than forty-three pixels";
        bar.setPanelText(Time, text);
        bar.layout()->activate();
        QVERIFY(bar.panelWidth(Time) >= bar.fontMetrics().horizontalAdvance(text));
        QCOMPARE(bar.panelWidth(Date), 43);
    }

    // A panel widens only into room the bar has left; a text too long for that is drawn cut, and
    // the panels after it stay in the bar at their widths.
    void longTextLeavesTheOtherPanelsInTheBar() {
        QWidget window;  // the bar lies in a browser window, which places it
        window.resize(1000, 100);
        StatusBar bar(kBrowserPanels, &window);
        bar.setGeometry(0, 79, 1000, 21);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString link = "http://a.test/" + QString("x").repeated(5000) + ".exe";
        bar.setPanelText(Messages, link);
        QCOMPARE(bar.panelText(Messages), link);  // the text stays whole
        // 1000 pixels less the others (133 + 3 x 43) and four gaps of 2.
        QCOMPARE(bar.panelWidth(Messages), 730);
        for (auto [panel, width] : kStartWidths)
            if (panel != Messages) QCOMPARE(bar.panelWidth(panel), width);

        // A text a little wider than the panel's 467 pixels still widens it to fit.
        QString wider;
        while (bar.fontMetrics().horizontalAdvance(wider) < 520) wider += 'm';
        bar.setPanelText(Messages, wider);
        QVERIFY(bar.panelWidth(Messages) >= bar.fontMetrics().horizontalAdvance(wider));
        QVERIFY(bar.panelWidth(Messages) < 730);
        // Two long texts share the room that is left.
        bar.setPanelText(Messages, link);
        bar.setPanelText(Unused, QString("y").repeated(5000));
        QCOMPARE(bar.panelWidth(Messages) + bar.panelWidth(Unused), 730 + 133);
        // A bar narrower than the given widths leaves every panel at its given width.
        bar.resize(500, 21);
        QCOMPARE(bar.panelWidth(Messages), 467);
        QCOMPARE(bar.panelWidth(Unused), 133);
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
