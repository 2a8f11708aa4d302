#include <QLabel>
#include <QtTest>

#include "controls/hosting/fontobject.h"
#include "controls/hosting/propertybag.h"
#include "controls/xpgroupbox/xpgroupbox.h"

using namespace skiff;

namespace {

const QRgb kLine = qRgb(208, 208, 191);
const QRgb kYellow = qRgb(255, 255, 0);
const QColor kEnabledCaption(0x00, 0x46, 0xD5);
const QColor kDisabledCaption(0xA1, 0xA1, 0x92);

QLabel* captionOf(xpgroupbox& box) {
    return box.findChild<QLabel*>("lbl");
}

QImage shown(xpgroupbox& box) {
    return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool isLine(const QImage& image, int x, int y) {
    return image.pixel(x, y) == kLine;
}

// Property-changed notifications and frame repaints, in the order they happen.
QStringList* recordWrites(xpgroupbox& box) {
    auto* log = new QStringList;
    QObject::connect(&box, &xpgroupbox::propertyChanged, &box,
                     [log](const QString& n) { *log << n; });
    QObject::connect(&box, &xpgroupbox::framePainted, &box, [log] { *log << "paint"; });
    QObject::connect(&box, &QObject::destroyed, [log] { delete log; });
    return log;
}

// Events raised to the host, as "Down 1 0 0 5" (button, shift, x, y) or "Click".
QStringList* recordEvents(xpgroupbox& box) {
    auto* log = new QStringList;
    auto mouse = [log](const char* name) {
        return [log, name](qint16& b, qint16& s, float& x, float& y) {
            *log << QString("%1 %2 %3 %4 %5").arg(name).arg(b).arg(s).arg(x).arg(y);
        };
    };
    QObject::connect(&box, &xpgroupbox::MouseDown, &box, mouse("Down"));
    QObject::connect(&box, &xpgroupbox::MouseMove, &box, mouse("Move"));
    QObject::connect(&box, &xpgroupbox::MouseUp, &box, mouse("Up"));
    QObject::connect(&box, &xpgroupbox::Click, &box, [log] { *log << "Click"; });
    QObject::connect(&box, &xpgroupbox::DblClick, &box, [log] { *log << "DblClick"; });
    QObject::connect(&box, &QObject::destroyed, [log] { delete log; });
    return log;
}

QStringList withoutMoves(const QStringList& log) {
    QStringList out;
    for (const QString& e : log)
        if (!e.startsWith("Move")) out << e;
    return out;
}

void showAndWait(QWidget& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

struct BoxState {
    QString caption;
    bool enabled;
    QFont font;
    quint32 back;
    QColor captionColour;
    bool operator==(const BoxState&) const = default;
};

BoxState stateOf(xpgroupbox& box) {
    QLabel* lbl = captionOf(box);
    return {box.Caption(), box.Enabled(), *box.Font(), box.BackColor().value,
            lbl->palette().color(QPalette::WindowText)};
}

}  // namespace

class TestGroupBox : public QObject {
    Q_OBJECT
private slots:
    // The hosts' caption face at 96 dpi gives a 13-pixel label, so the top line sits in row 6
    // and shows left and right of the caption.
    void frameFaceCaptionOnTheRealControl() {
        QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
        xpgroupbox box;
        QCOMPARE(box.size(), QSize(199, 89));  // 2985 x 1335 twips
        box.SetFont(frameFace());
        box.SetCaption("Favorites");
        QLabel* lbl = captionOf(box);
        QCOMPARE(lbl->height(), 13);
        QCOMPARE(lbl->pos(), QPoint(15, 0));
        showAndWait(box);
        const QImage image = shown(box);
        const int w = lbl->width();
        QVERIFY(w > 20);
        for (int x = 3; x <= 14; ++x) QVERIFY(isLine(image, x, 6));
        for (int x = 15; x < 15 + w; ++x) QVERIFY(!isLine(image, x, 6));
        for (int x = 15 + w; x <= 195; ++x) QVERIFY(isLine(image, x, 6));
        for (int y = 9; y <= 85; ++y) QVERIFY(isLine(image, 0, y) && isLine(image, 198, y));
        for (int x = 3; x <= 195; ++x) QVERIFY(isLine(image, x, 88));
        QCOMPARE(image.pixel(100, 40), kYellow);
    }

    // 199 x 89, caption label 60 x 13: the worked example, with the label's opaque background.
    void workedExampleOnTheRealControl() {
        xpgroupbox box;
        box.SetCaption(QString());
        QLabel* lbl = captionOf(box);
        lbl->resize(60, 13);
        box.RepaintFrame();
        showAndWait(box);
        const QImage image = shown(box);
        for (int x = 3; x <= 14; ++x) QVERIFY(isLine(image, x, 6));
        for (int x = 75; x <= 195; ++x) QVERIFY(isLine(image, x, 6));
        for (int y = 0; y < 13; ++y)
            for (int x = 15; x < 75; ++x) QCOMPARE(image.pixel(x, y), kYellow);
        // The corner patterns at (0,6) and (196,86), transparent pixels in yellow.
        QVERIFY(isLine(image, 2, 6) && isLine(image, 1, 7) && isLine(image, 0, 8));
        QCOMPARE(image.pixel(0, 6), kYellow);
        QCOMPARE(image.pixel(1, 6), kYellow);
        QVERIFY(isLine(image, 196, 88) && isLine(image, 197, 87) && isLine(image, 196, 6));
        QCOMPARE(image.pixel(198, 88), kYellow);
        for (int y = 9; y <= 85; ++y) QVERIFY(isLine(image, 0, y) && isLine(image, 198, y));
        for (int x = 3; x <= 195; ++x) QVERIFY(isLine(image, x, 88));

        // A 16-pixel label moves the top line to row 8; a resize redraws at the new size.
        lbl->resize(60, 16);
        box.resize(200, 89);
        const QImage wider = shown(box);
        QVERIFY(isLine(wider, 3, 8) && isLine(wider, 196, 8) && !isLine(wider, 3, 6));
        QVERIFY(isLine(wider, 199, 11) && isLine(wider, 199, 85) && !isLine(wider, 198, 40));
    }

    // A caption label too high for the frame's 16-bit rows stops the painter; the box lives on.
    void overflowingCaptionStopsThePainter() {
        xpgroupbox box;
        QLabel* lbl = captionOf(box);
        lbl->setGeometry(30, 5, 10, 70000);
        box.RepaintFrame();
        QCOMPARE(lbl->pos(), QPoint(30, 5));  // stopped before placing the label

        lbl->setGeometry(30, 5, 10, 65530);  // top line in row 32765: no room for the sides
        box.resize(150, 60);  // the repaint of the resize, on showing, stops just the same
        showAndWait(box);
        QCOMPARE(lbl->pos(), QPoint(15, 0));
        const QImage image = shown(box);
        QVERIFY(isLine(image, 0, 57) && isLine(image, 2, 59) && isLine(image, 147, 59));
        QCOMPARE(image.pixel(0, 30), kYellow);    // no left line
        QCOMPARE(image.pixel(149, 30), kYellow);  // no right line
        QCOMPARE(image.pixel(8, 59), kYellow);    // no bottom line
    }

    // Host controls put into the box show above the frame, placed from its top-left corner.
    void containedControlsShowAboveTheFrame() {
        xpgroupbox box;
        auto* inside = new QWidget(&box);
        inside->setAutoFillBackground(true);
        QPalette p = inside->palette();
        p.setColor(QPalette::Window, Qt::red);
        inside->setPalette(p);
        inside->setGeometry(0, 30, 10, 10);
        showAndWait(box);
        const QImage image = shown(box);
        QCOMPARE(image.pixel(0, 35), qRgb(255, 0, 0));  // the left line is under it
        QVERIFY(isLine(image, 0, 45));

        // Input the contained control leaves unhandled is not the surface's; once the control
        // is disabled, the box takes it.
        QStringList* log = recordEvents(box);
        QTest::mouseClick(box.windowHandle(), Qt::LeftButton, {}, QPoint(5, 35));
        QVERIFY(log->isEmpty());
        inside->setEnabled(false);
        QTest::mouseClick(box.windowHandle(), Qt::LeftButton, {}, QPoint(5, 35));
        QCOMPARE(withoutMoves(*log), QStringList({"Down 1 0 5 35", "Up 1 0 5 35"}));
    }

    void caption_isReadFromTheLabelAndRepaintsTwice() {
        xpgroupbox box;
        QStringList* log = recordWrites(box);
        const QString text = "<b>A & B</b>";
        box.SetCaption(text);
        QCOMPARE(*log, QStringList({"paint", "paint", "Caption"}));
        QCOMPARE(box.Caption(), text);
        QCOMPARE(captionOf(box)->text(), text);
        log->clear();
        box.SetCaption(text);  // the label's text does not change: no notification from it
        QCOMPARE(*log, QStringList({"paint", "Caption"}));
    }

    void caption_labelSizesItselfToTheText() {
        xpgroupbox box;
        box.SetFont(frameFace());
        box.SetCaption("Status Bar");
        QLabel* lbl = captionOf(box);
        const int shortWidth = lbl->width();
        box.SetCaption("Status Bar Status Bar");
        QVERIFY(lbl->width() > shortWidth);
        QCOMPARE(lbl->pos(), QPoint(15, 0));
    }

    void enabled_recoloursOnlyTheCaption() {
        xpgroupbox box;
        box.SetCaption(QString());
        showAndWait(box);
        const QImage before = shown(box);
        QStringList* log = recordWrites(box);
        box.SetEnabled(false);
        QCOMPARE(*log, QStringList({"Enabled"}));
        QVERIFY(!box.Enabled());
        QCOMPARE(captionOf(box)->palette().color(QPalette::WindowText), kDisabledCaption);
        QCOMPARE(shown(box), before);
        box.SetEnabled(true);
        QCOMPARE(captionOf(box)->palette().color(QPalette::WindowText), kEnabledCaption);
    }

    void enabled_captionTextIsDrawnInTheCaptionColour() {
        xpgroupbox box;
        box.SetFont(makeFont("DejaVu Sans", 14));
        box.SetCaption("HILL");
        showAndWait(box);
        auto has = [](const QImage& image, const QColor& c) {
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) == c.rgb()) return true;
            return false;
        };
        QVERIFY(has(shown(box), kEnabledCaption));
        box.SetEnabled(false);
        const QImage disabled = shown(box);
        QVERIFY(has(disabled, kDisabledCaption));
        QVERIFY(!has(disabled, kEnabledCaption));
    }

    // The box's own state counts, not whether its host window is disabled.
    void enabled_isTheBoxsOwnState() {
        QWidget host;
        auto* box = new xpgroupbox(&host);
        host.setEnabled(false);
        QVERIFY(box->Enabled());
        PropertyBag bag;
        box->WriteProperties(bag, Ambient{"xpgroupbox1", frameFace()});
        QVERIFY(!bag.contains("Enabled"));
    }

    void font_keepsTheObjectAndRepaintsBeforeNotifying() {
        xpgroupbox box;
        QStringList* log = recordWrites(box);
        const FontObject big = makeFont("DejaVu Sans", 12);
        box.SetFont(big);
        QCOMPARE(*log, QStringList({"paint", "Font"}));
        QCOMPARE(box.Font().get(), big.get());
        QCOMPARE(captionOf(box)->font().pointSizeF(), 12.0);
        QCOMPARE(box.font().pointSizeF(), 12.0);
        QVERIFY(captionOf(box)->height() > 13);

        log->clear();
        box.SetFont(nullptr);  // not a font: stored, nothing applied, no notification
        QVERIFY(!box.Font());
        QVERIFY(log->isEmpty());
        QCOMPARE(captionOf(box)->font().pointSizeF(), 12.0);
    }

    void backColor_notifiesThenClearsAndRepaints() {
        xpgroupbox box;
        box.SetCaption(QString());
        QStringList* log = recordWrites(box);
        box.SetBackColor(ColorValue{0x000000FF});  // red
        QCOMPARE(*log, QStringList({"BackColor", "paint"}));
        QCOMPARE(box.BackColor().value, 0x000000FFu);
        QCOMPARE(captionOf(box)->palette().color(QPalette::Window), QColor(255, 0, 0));
        showAndWait(box);
        const QImage red = shown(box);
        QCOMPARE(red.pixel(100, 40), qRgb(255, 0, 0));
        const int t = captionOf(box)->height() / 2;
        QCOMPARE(red.pixel(0, t), qRgb(255, 0, 0));
        QVERIFY(isLine(red, 3, t));

        log->clear();
        box.SetBackColor(ColorValue{0x000000FF});  // the same value still redraws
        QCOMPARE(*log, QStringList({"BackColor", "paint"}));

        box.SetBackColor(kSystemMenu);
        const QColor menu = QApplication::palette().color(QPalette::Button);
        QCOMPARE(shown(box).pixel(100, 40), menu.rgb());
        QCOMPARE(captionOf(box)->palette().color(QPalette::Window), menu);
    }

    void newInstanceTakesTheAmbientValues() {
        xpgroupbox box;
        box.SetEnabled(false);
        QStringList names;
        connect(&box, &xpgroupbox::propertyChanged, &box, [&](const QString& n) { names << n; });
        const FontObject ambientFont = frameFace();
        box.InitProperties(Ambient{"xpgroupbox1", ambientFont});
        QCOMPARE(names, QStringList({"Caption", "Enabled", "Font", "BackColor"}));
        QCOMPARE(box.Caption(), QString("xpgroupbox1"));
        QVERIFY(box.Enabled());
        QCOMPARE(box.Font().get(), ambientFont.get());
        QCOMPARE(box.BackColor().value, 65535u);
        QCOMPARE(captionOf(box)->palette().color(QPalette::WindowText), kEnabledCaption);
    }

    void readingAppliesTheStoredValuesInOrder() {
        xpgroupbox box;
        QStringList names;
        connect(&box, &xpgroupbox::propertyChanged, &box, [&](const QString& n) { names << n; });
        const FontObject stored = frameFace();
        const PropertyBag bag{{"caption", QString("Browsing Mode")},
                              {"font", stored},
                              {"backcolor", ColorValue{0x80000004u}},
                              {"_extentx", qint32{5265}},
                              {"enabled", false}};
        box.ReadProperties(bag, Ambient{"xpgroupbox1", makeFont("DejaVu Sans", 10)});
        QCOMPARE(names, QStringList({"Enabled", "Font", "BackColor", "Caption"}));
        QCOMPARE(box.Caption(), QString("Browsing Mode"));
        QVERIFY(!box.Enabled());
        QCOMPARE(box.Font().get(), stored.get());
        QCOMPARE(box.BackColor().value, 0x80000004u);
    }

    void emptyDefinitionEqualsANewInstance() {
        const Ambient ambient{"xpgroupbox2", frameFace()};
        xpgroupbox placed;
        placed.InitProperties(ambient);
        xpgroupbox loaded;
        loaded.ReadProperties(PropertyBag{}, ambient);
        QCOMPARE(stateOf(loaded), stateOf(placed));
        QCOMPARE(loaded.Font().get(), ambient.font.get());
    }

    void savingWritesInOrderAndLeavesDefaultsOut() {
        const Ambient ambient{"xpgroupbox1", frameFace()};
        xpgroupbox box;
        box.InitProperties(ambient);
        PropertyBag bag;
        box.WriteProperties(bag, ambient);
        QCOMPARE(bag.size(), 0);

        box.SetBackColor(kSystemMenu);
        box.SetFont(makeFont("DejaVu Sans", 6));
        box.SetEnabled(false);
        box.SetCaption("Start-Up Page");
        box.WriteProperties(bag, ambient);
        QCOMPARE(bag.keys(), QStringList({"Caption", "Enabled", "Font", "BackColor"}));

        xpgroupbox copy;
        copy.ReadProperties(bag, ambient);
        QCOMPARE(stateOf(copy), stateOf(box));
        QCOMPARE(copy.Font().get(), box.Font().get());

        // Back to the defaults: the entries go again.
        box.SetEnabled(true);
        box.SetBackColor(ColorValue{65535});
        box.WriteProperties(bag, ambient);
        QCOMPARE(bag.keys(), QStringList({"Caption", "Font"}));
    }

    // The caption reports label-relative positions; the surface its own.
    void pressPositionsAreRelativeToTheElementHit() {
        xpgroupbox box;
        box.SetFont(frameFace());
        box.SetCaption("Favorites");
        showAndWait(box);
        QStringList* log = recordEvents(box);
        QWindow* window = box.windowHandle();
        QTest::mousePress(window, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                          QPoint(15, 5));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(15, 5));
        QTest::mousePress(window, Qt::RightButton, Qt::AltModifier, QPoint(14, 5));
        QTest::mouseRelease(window, Qt::RightButton, {}, QPoint(14, 5));
        QTest::mousePress(window, Qt::MiddleButton, {}, QPoint(100, 60));
        QTest::mouseRelease(window, Qt::MiddleButton, {}, QPoint(100, 60));
        QCOMPARE(withoutMoves(*log),
                 QStringList({"Down 1 3 0 5", "Up 1 0 0 5", "Click", "Down 2 4 14 5", "Up 2 0 14 5",
                              "Down 4 0 100 60", "Up 4 0 100 60"}));
    }

    void clicksOnAndBesideTheCaption() {
        xpgroupbox box;
        box.SetFont(frameFace());
        box.SetCaption("Favorites");
        showAndWait(box);
        QStringList* log = recordEvents(box);
        QWindow* window = box.windowHandle();
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(20, 6));
        QCOMPARE(withoutMoves(*log), QStringList({"Down 1 0 5 6", "Up 1 0 5 6", "Click"}));
        log->clear();
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(8, 6));
        QCOMPARE(withoutMoves(*log), QStringList({"Down 1 0 8 6", "Up 1 0 8 6"}));
        log->clear();
        QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(20, 6));
        QCOMPARE(withoutMoves(*log),
                 QStringList({"Down 1 0 5 6", "Up 1 0 5 6", "Click", "DblClick", "Up 1 0 5 6"}));
        log->clear();
        QTest::mouseClick(window, Qt::RightButton, {}, QPoint(20, 6));
        QCOMPARE(withoutMoves(*log), QStringList({"Down 2 0 5 6", "Up 2 0 5 6"}));
    }

    void movesOverCaptionAndSurface() {
        xpgroupbox box;
        box.SetFont(frameFace());
        box.SetCaption("Favorites");
        showAndWait(box);
        QStringList* log = recordEvents(box);
        QTest::mouseMove(box.windowHandle(), QPoint(30, 4));
        QTest::mouseMove(box.windowHandle(), QPoint(120, 50));
        QCOMPARE(*log, QStringList({"Move 0 0 15 4", "Move 0 0 120 50"}));
    }
};

QTEST_MAIN(TestGroupBox)
#include "tst_xpgroupbox.moc"
