#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include "controls/hosting/pointer.h"
#include "controls/xpcmdbutton/cellstrip.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "support/userinput.h"

using namespace skiff;

namespace {

QImage cell(int index) {
    return cellStrip().copy(cellRect(index));
}

// Which cell an 18 x 21 button shows, or -1.
int shownCell(const xpcmdbutton& b) {
    for (int i = 0; i < kCellCount; ++i)
        if (b.face() == cell(i)) return i;
    return -1;
}

QRgb cellPx(int index, int x, int y) {
    return cellStrip().pixel(index * kCellWidth + x, y);
}

// Mouse input on the button's window at a point of `t`, delivered to what lies under it.
void move(QWidget* t, QPointF pos, Qt::MouseButtons held = Qt::NoButton) {
    test::mouseEvent(t, QEvent::MouseMove, pos, held);
}
void press(QWidget* t, QPointF pos, Qt::MouseButton b = Qt::LeftButton,
           Qt::KeyboardModifiers mods = Qt::NoModifier) {
    test::mouseEvent(t, QEvent::MouseButtonPress, pos, b, b, mods);
}
void release(QWidget* t, QPointF pos, Qt::MouseButton b = Qt::LeftButton,
             Qt::KeyboardModifiers mods = Qt::NoModifier) {
    test::mouseEvent(t, QEvent::MouseButtonRelease, pos, Qt::NoButton, b, mods);
}

// Every event the button raises, in order, with its parameters.
struct EventLog {
    QStringList entries;
    void attach(xpcmdbutton* b) {
        auto mouseEntry = [this](const char* name) {
            return [this, name](qint16& bt, qint16& s, float& x, float& y) {
                entries << QString("%1 %2 %3 %4 %5").arg(name).arg(bt).arg(s).arg(x).arg(y);
            };
        };
        auto keyEntry = [this](const char* name) {
            return [this, name](qint16& k, qint16& s) {
                entries << QString("%1 %2 %3").arg(name).arg(k).arg(s);
            };
        };
        QObject::connect(b, &xpcmdbutton::Click, b, [this] { entries << "Click"; });
        QObject::connect(b, &xpcmdbutton::MouseOut, b, [this] { entries << "MouseOut"; });
        QObject::connect(b, &xpcmdbutton::MouseDown, b, mouseEntry("MouseDown"));
        QObject::connect(b, &xpcmdbutton::MouseMove, b, mouseEntry("MouseMove"));
        QObject::connect(b, &xpcmdbutton::MouseUp, b, mouseEntry("MouseUp"));
        QObject::connect(b, &xpcmdbutton::KeyDown, b, keyEntry("KeyDown"));
        QObject::connect(b, &xpcmdbutton::KeyUp, b, keyEntry("KeyUp"));
        QObject::connect(b, &xpcmdbutton::KeyPress, b,
                         [this](qint16& a) { entries << QString("KeyPress %1").arg(a); });
    }
    int count(const QString& name) const {
        return int(std::count_if(entries.begin(), entries.end(),
                                 [&](const QString& e) { return e.section(' ', 0, 0) == name; }));
    }
};

// A shown host window with one button placed as a new instance named "xpcmdGo". Its caption
// is empty, so that the pointer meets the button's own surface.
struct Rig {
    QWidget host;
    xpcmdbutton* b;
    EventLog log;
    explicit Rig(QSize size = {18, 21}) {
        host.resize(200, 100);
        b = new xpcmdbutton(&host);
        placeNewControl(b, "xpcmdGo", QRect(QPoint(10, 10), size));
        b->SetCaption("");
        log.attach(b);
        host.show();
        if (!QTest::qWaitForWindowExposed(&host)) qWarning("the host window is not shown");
        // The pointer starts on the host, off the button: the first press on the button comes
        // with the movement that brings the pointer there.
        move(&host, {150, 80});
    }
    QLabel* lbl() const { return b->findChild<QLabel*>("lbl"); }
    QTimer* timer() const { return b->findChild<QTimer*>("Timer1"); }
};

// The pointer the hover poll reads, as a point in the button's client coordinates.
struct FakePointer : PointerSource {
    const xpcmdbutton* b;
    QPoint client;
    FakePointer(const xpcmdbutton* b, QPoint start) : b(b), client(start) {}
    QPoint position() const override { return b->mapToGlobal(client); }
};

}  // namespace

class TestXpCmdButton : public QObject {
    Q_OBJECT
private slots:
    // --- drawing -----------------------------------------------------------------------

    void buttonOfCellSizeShowsEachCellUnchanged() {
        Rig r;
        QCOMPARE(shownCell(*r.b), 0);
        press(r.b, {4, 4});
        QCOMPARE(shownCell(*r.b), 1);
        release(r.b, {4, 4});
        r.b->SetEnabled(false);
        QCOMPARE(shownCell(*r.b), 2);
        r.b->SetEnabled(true);
        move(r.b, {5, 5});
        QCOMPARE(shownCell(*r.b), 3);
        r.b->SetState(1);
        QCOMPARE(shownCell(*r.b), 4);
    }

    void wideButtonStretchesTheMiddleColumns() {
        Rig r({51, 21});
        r.b->SetState(1);  // the highlighted cell
        const QImage& f = r.b->face();
        QCOMPARE(f.size(), QSize(51, 21));
        for (int y = 0; y < 21; ++y) {
            for (int x = 0; x < 3; ++x) {
                QCOMPARE(f.pixel(x, y), cellPx(4, x, y));
                QCOMPARE(f.pixel(48 + x, y), cellPx(4, 15 + x, y));
            }
            // The 45 middle columns repeat source columns 3-14, from the first to the last.
            QCOMPARE(f.pixel(3, y), cellPx(4, 3, y));
            QCOMPARE(f.pixel(47, y), cellPx(4, 14, y));
            for (int x = 4; x < 47; ++x) {
                bool fromMiddle = false;
                for (int sx = 3; sx <= 14; ++sx) fromMiddle |= f.pixel(x, y) == cellPx(4, sx, y);
                QVERIFY2(fromMiddle, qPrintable(QString("(%1,%2)").arg(x).arg(y)));
            }
        }
    }

    void tallButtonStretchesRowsAndTheRing() {
        Rig r({51, 40});
        move(r.b, {5, 5});  // hot: its ring side column changes colour on every source row
        const QImage& f = r.b->face();
        for (int x : {0, 1, 2, 25, 49}) {
            const int sx = x < 3 ? x : x > 47 ? x - 33 : 8;
            for (int y = 0; y < 3; ++y) {
                QCOMPARE(f.pixel(x, y), cellPx(3, sx, y));
                QCOMPARE(f.pixel(x, 37 + y), cellPx(3, sx, 18 + y));
            }
        }
        // Rows 3-36 replicate source rows 3-17 in order, each at least once; the whole row
        // comes from the same source row.
        int previous = 3;
        QSet<int> seen;
        for (int y = 3; y <= 36; ++y) {
            int source = -1;
            for (int sy = 3; sy <= 17; ++sy)
                if (f.pixel(1, y) == cellPx(3, 1, sy)) source = sy;
            QVERIFY2(source >= previous, qPrintable(QString("row %1").arg(y)));
            QCOMPARE(f.pixel(0, y), cellPx(3, 0, source));
            QCOMPARE(f.pixel(25, y), cellPx(3, 8, source));
            QCOMPARE(f.pixel(49, y), cellPx(3, 16, source));
            previous = source;
            seen.insert(source);
        }
        QCOMPARE(seen.size(), 15);
        QCOMPARE(f.pixel(1, 3), qRgb(0xFE, 0xDF, 0x9A));
        QCOMPARE(f.pixel(1, 36), qRgb(0xF9, 0xB4, 0x35));
    }

    void tinyButtonsDrawWithoutFault() {
        for (QSize size : {QSize(0, 0), QSize(1, 1), QSize(5, 5), QSize(3, 30), QSize(40, 2)}) {
            Rig r(size);
            r.b->SetState(1);
            move(r.b, {0, 0});
            press(r.b, {0, 0});
            release(r.b, {0, 0});
            QCOMPARE(r.b->face().size(), size);
        }
        Rig r({6, 6});  // corners only
        QCOMPARE(r.b->face().pixel(0, 0), cellPx(0, 0, 0));
        QCOMPARE(r.b->face().pixel(5, 0), cellPx(0, 17, 0));
        QCOMPARE(r.b->face().pixel(5, 5), cellPx(0, 17, 20));
        QCOMPARE(r.b->face().pixel(2, 3), cellPx(0, 2, 18));
    }

    void stateAndEnabledChooseTheRestingCell() {
        Rig r;
        r.b->SetState(5);  // a fresh control keeps its initial resting cell
        QCOMPARE(shownCell(*r.b), 0);
        r.b->SetState(1);
        QCOMPARE(shownCell(*r.b), 4);
        r.b->SetState(7);
        QCOMPARE(shownCell(*r.b), 4);
        QCOMPARE(r.b->State(), 7);

        r.b->SetEnabled(false);
        QCOMPARE(shownCell(*r.b), 2);
        QCOMPARE(r.lbl()->palette().color(QPalette::Disabled, QPalette::WindowText),
                 QColor(161, 161, 146));
        r.b->SetEnabled(true);
        QCOMPARE(shownCell(*r.b), 4);
        QCOMPARE(r.lbl()->palette().color(QPalette::Active, QPalette::WindowText), QColor(0, 0, 0));
        r.b->SetState(0);
        QCOMPARE(shownCell(*r.b), 0);
    }

    void captionIsCentredWhenTextOrFontChanges() {
        Rig r({120, 21});
        auto centred = [&] {
            const QRect g = r.lbl()->geometry();
            QCOMPARE(g.size(), r.lbl()->sizeHint());
            QCOMPARE(g.x(), (120 - g.width()) / 2);
            QCOMPARE(g.y(), int(std::floor((21 - g.height()) / 2.0)));
        };
        r.b->SetFont(buttonFace());
        r.b->SetCaption("ADD CURRENT SiTE");
        centred();
        const int narrow = r.lbl()->width();
        r.b->SetFont(makeFont("DejaVu Sans", 9));
        QVERIFY(r.lbl()->width() > narrow);
        centred();
        QCOMPARE(r.lbl()->font().pointSizeF(), 9.0);
    }

    // --- properties ----------------------------------------------------------------------

    void newInstanceDefaultsAreNotWritten() {
        QWidget host;
        auto* b = new xpcmdbutton(&host);
        placeNewControl(b, "xpcmdGo", QRect(10, 10, 18, 21));
        const Ambient ambient = ambientOf(&host, "xpcmdGo");
        QCOMPARE(b->State(), 0);
        QVERIFY(b->Enabled());
        QCOMPARE(b->Caption(), QString("xpcmdGo"));
        QVERIFY(sameFont(b->Font(), ambient.font));
        PropertyBag bag;
        b->WriteProperties(bag, ambient);
        QCOMPARE(bag.size(), 0);
    }

    void propertiesRoundTripInKeyOrder() {
        Rig r;
        const Ambient ambient = ambientOf(&r.host, "xpcmdGo");
        const FontObject face = buttonFace();
        r.b->SetState(7);
        r.b->SetEnabled(false);
        r.b->SetCaption("GO!");
        r.b->SetFont(face);
        PropertyBag bag;
        r.b->WriteProperties(bag, ambient);
        QCOMPARE(bag.keys(), QStringList({"State", "Enabled", "Caption", "Font"}));

        xpcmdbutton copy(&r.host);
        copy.resize(18, 21);
        copy.ReadProperties(bag, ambient);
        QCOMPARE(copy.State(), 7);
        QVERIFY(!copy.Enabled());
        QCOMPARE(copy.Caption(), QString("GO!"));
        QCOMPARE(copy.Font().get(), face.get());
        QCOMPARE(shownCell(copy), 2);
    }

    void storedKeysMatchInAnyCase() {
        QWidget host;
        xpcmdbutton b(&host);
        b.resize(18, 21);
        const FontObject face = buttonFace();
        b.ReadProperties(
            {{"caption", QString("BACK")}, {"FONT", face}, {"sTaTe", qint32{1}}, {"ENABLED", true}},
            ambientOf(&host, "xpcmdBack"));
        QCOMPARE(b.Caption(), QString("BACK"));
        QCOMPARE(b.Font().get(), face.get());
        QCOMPARE(b.State(), 1);
        QCOMPARE(shownCell(b), 4);
    }

    void emptyBagReadsLikeANewInstance() {
        QWidget host;
        host.setFont(QFont("DejaVu Sans", 11));
        const Ambient ambient = ambientOf(&host, "xpcmdBack");
        xpcmdbutton fresh(&host), loaded(&host);
        QStringList freshChanges, loadedChanges;
        connect(&fresh, &CustomControl::propertyChanged, [&](QString n) { freshChanges << n; });
        connect(&loaded, &CustomControl::propertyChanged, [&](QString n) { loadedChanges << n; });
        fresh.InitProperties(ambient);
        loaded.ReadProperties({{"_extentx", qint32{1349}}}, ambient);
        QCOMPARE(freshChanges, QStringList({"Enabled", "Caption", "Font"}));
        QCOMPARE(loadedChanges, freshChanges);  // "State" is read without a change mark
        QCOMPARE(loaded.Caption(), QString("xpcmdBack"));
        QCOMPARE(loaded.State(), fresh.State());
        QCOMPARE(loaded.Enabled(), fresh.Enabled());
        QVERIFY(sameFont(loaded.Font(), fresh.Font()));
        QCOMPARE(loaded.Font()->pointSizeF(), 11.0);
    }

    void storedFontOfWrongTypeGivesTheHostFont() {
        QWidget host;
        xpcmdbutton b(&host);
        const Ambient ambient = ambientOf(&host, "xpcmdGo");
        b.ReadProperties({{"Font", QString("not a font")}}, ambient);
        QCOMPARE(b.Font().get(), ambient.font.get());
    }

    // --- mouse -----------------------------------------------------------------------------

    void pressAndReleaseRaiseDownUpClick() {
        Rig r;
        // The pointer moves onto the control, then the button goes down and up.
        press(r.b, {5, 6}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(shownCell(*r.b), 1);
        release(r.b, {5, 6}, Qt::LeftButton, Qt::AltModifier);
        QCOMPARE(r.log.entries, QStringList({"MouseMove 0 3 5 6", "MouseDown 1 3 5 6",
                                             "MouseUp 1 4 5 6", "Click"}));
        QCOMPARE(shownCell(*r.b), 0);

        // The right and the middle button press the face too but give no click.
        r.log.entries.clear();
        press(r.b, {2, 2}, Qt::RightButton);
        QCOMPARE(shownCell(*r.b), 1);
        release(r.b, {2, 2}, Qt::RightButton);
        press(r.b, {3, 3}, Qt::MiddleButton);
        release(r.b, {3, 3}, Qt::MiddleButton);
        // A left press released outside the control is no click either; the movement out
        // while the button is held raises no MouseMove.
        press(r.b, {5, 6});
        release(r.b, {30, 6});
        QCOMPARE(r.log.entries,
                 QStringList({"MouseMove 0 0 2 2", "MouseDown 2 0 2 2", "MouseUp 2 0 2 2",
                              "MouseMove 0 0 3 3", "MouseDown 4 0 3 3", "MouseUp 4 0 3 3",
                              "MouseMove 0 0 5 6", "MouseDown 1 0 5 6", "MouseUp 1 0 30 6"}));
    }

    void moveShowsPressedOnlyForTheLeftButtonAlone() {
        Rig r;
        move(r.b, {3, 4});
        QCOMPARE(shownCell(*r.b), 3);
        press(r.b, {3, 4});
        move(r.b, {4, 4}, Qt::LeftButton);
        QCOMPARE(shownCell(*r.b), 1);
        test::mouseEvent(r.b, QEvent::MouseButtonPress, {4, 4}, Qt::LeftButton | Qt::RightButton,
                         Qt::RightButton);
        move(r.b, {5, 4}, Qt::LeftButton | Qt::RightButton);
        QCOMPARE(shownCell(*r.b), 3);
        QCOMPARE(r.log.entries,
                 QStringList({"MouseMove 0 0 3 4", "MouseDown 1 0 3 4", "MouseMove 1 0 4 4",
                              "MouseDown 2 0 4 4", "MouseMove 3 0 5 4"}));

        // The host's handler may change the parameters; the control goes on with its values.
        test::mouseEvent(r.b, QEvent::MouseButtonRelease, {5, 4}, Qt::LeftButton, Qt::RightButton);
        connect(r.b, &xpcmdbutton::MouseMove, r.b,
                [](qint16& button, qint16&, float&, float&) { button = 2; });
        move(r.b, {6, 4}, Qt::LeftButton);
        QCOMPARE(shownCell(*r.b), 3);
        release(r.b, {6, 4});
    }

    // Moves reach the control outside its rectangle only while it holds the mouse, after a
    // press on it.
    void movesOnTheEdgeCountAsInside() {
        Rig r;
        press(r.b, {4, 4});
        r.log.entries.clear();
        for (QPointF p : {QPointF(18, 21), QPointF(19, 10), QPointF(-1, 10), QPointF(0, 0)})
            move(r.b, p, Qt::LeftButton);
        QCOMPARE(r.log.entries, QStringList({"MouseMove 1 0 18 21", "MouseMove 1 0 0 0"}));
        release(r.b, {0, 0});
    }

    void captionForwardsWithItsOwnCoordinates() {
        Rig r({80, 21});
        r.b->SetCaption("GO!");
        FakePointer pointer(r.b, {1, 1});  // the hover stays on
        // Each event reaches the control exactly once, from the label or from its surface.
        press(r.lbl(), {2, 3});
        move(r.lbl(), {4, 3}, Qt::LeftButton);
        release(r.lbl(), {4, 3});
        press(r.b, {1, 1});
        release(r.b, {1, 1});
        QCOMPARE(r.log.entries,
                 QStringList({"MouseMove 0 0 2 3", "MouseDown 1 0 2 3", "MouseMove 1 0 4 3",
                              "MouseUp 1 0 4 3", "Click", "MouseMove 0 0 1 1", "MouseDown 1 0 1 1",
                              "MouseUp 1 0 1 1", "Click"}));
        // Disabled, the control takes no input, through its caption neither.
        r.b->SetEnabled(false);
        r.log.entries.clear();
        press(r.lbl(), {2, 3});
        release(r.lbl(), {2, 3});
        press(r.b, {1, 1});
        release(r.b, {1, 1});
        QCOMPARE(r.log.entries, QStringList());
    }

    // --- hover poll ------------------------------------------------------------------------

    void leavingRaisesExactlyOneMouseOut() {
        Rig r;
        FakePointer pointer(r.b, {18, 21});  // one beyond the last column and row: inside
        move(r.b, {4, 4});
        QVERIFY(r.timer()->isActive());
        QTest::qWait(60);
        QCOMPARE(r.log.count("MouseOut"), 0);
        QCOMPARE(shownCell(*r.b), 3);

        QImage faceDuringMouseOut;
        connect(r.b, &xpcmdbutton::MouseOut, r.b, [&] { faceDuringMouseOut = r.b->face(); });
        pointer.client = {19, 5};
        QTRY_COMPARE(r.log.count("MouseOut"), 1);
        QTest::qWait(60);
        QCOMPARE(r.log.count("MouseOut"), 1);
        QVERIFY(!r.timer()->isActive());
        QCOMPARE(faceDuringMouseOut, cell(3));  // the host hears it before the rest look
        QCOMPARE(shownCell(*r.b), 0);
    }

    void dragOutsideRearmsThePoll() {
        Rig r;
        FakePointer pointer(r.b, {4, 4});
        press(r.b, {4, 4});
        r.log.entries.clear();
        pointer.client = {30, 5};
        move(r.b, {30, 5}, Qt::LeftButton);  // outside: no MouseMove, no drawing
        QCOMPARE(shownCell(*r.b), 1);
        QVERIFY(r.timer()->isActive());
        QTRY_COMPARE(r.log.count("MouseOut"), 1);
        QCOMPARE(shownCell(*r.b), 0);
        move(r.b, {31, 5}, Qt::LeftButton);
        QTRY_COMPARE(r.log.count("MouseOut"), 2);
        QCOMPARE(r.log.count("MouseMove"), 0);
        pointer.client = {4, 4};
        move(r.b, {4, 4}, Qt::LeftButton);
        QCOMPARE(shownCell(*r.b), 1);
        release(r.b, {4, 4});
        QCOMPARE(shownCell(*r.b), 0);  // the hot look waits for the next movement
    }

    // --- keys ------------------------------------------------------------------------------

    void keysPassThroughAndNeverClick() {
        Rig r;
        QVERIFY(test::showActive(&r.host));
        test::pressKey(&r.host, Qt::Key_Tab);  // the only control that takes the focus
        QVERIFY(r.b->hasFocus());
        r.log.entries.clear();
        test::pressKey(&r.host, Qt::Key_Space);
        test::pressKey(&r.host, Qt::Key_Return);
        test::pressKey(&r.host, 'A', Qt::ShiftModifier);
        QCOMPARE(r.log.entries,
                 QStringList({"KeyDown 32 0", "KeyPress 32", "KeyUp 32 0", "KeyDown 13 0",
                              "KeyPress 13", "KeyUp 13 0", "KeyDown 16 1", "KeyDown 65 1",
                              "KeyPress 65", "KeyUp 65 1", "KeyUp 16 0"}));
        QCOMPARE(shownCell(*r.b), 0);
    }

    void accessKeyRaisesClickOnly() {
        Rig r({60, 21});
        r.b->SetCaption("&Go");
        QVERIFY(test::showActive(&r.host));
        auto* elsewhere = new QLineEdit(&r.host);  // the access key works from anywhere
        elsewhere->setGeometry(100, 50, 80, 20);
        elsewhere->show();
        test::click(elsewhere);
        QVERIFY(elsewhere->hasFocus());
        r.log.entries.clear();
        const QImage before = r.b->face();
        test::pressKey(&r.host, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(r.log.entries, QStringList({"Click"}));
        QCOMPARE(r.b->face(), before);
    }
};

QTEST_MAIN(TestXpCmdButton)
#include "tst_xpcmdbutton.moc"
