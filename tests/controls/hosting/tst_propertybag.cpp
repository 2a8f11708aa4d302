#include <QtTest>

#include "controls/hosting/customcontrol.h"
#include "controls/hosting/propertybag.h"
#include "controls/hosting/twips.h"

using namespace skiff;

class TestPropertyBag : public QObject {
    Q_OBJECT
private slots:
    void keysMatchWithoutRegardToCase() {
        PropertyBag bag{{"caption", QString("BACK")}};
        QCOMPARE(toText(bag.ReadProperty("Caption", QString("x"))), QString("BACK"));
        bag.WriteProperty("CAPTION", QString("GO!"), QString("x"));
        QCOMPARE(bag.size(), 1);
        QCOMPARE(toText(bag.ReadProperty("caption", QString("x"))), QString("GO!"));
    }

    void missingKeyGivesDefaultAndDefaultIsNotWritten() {
        PropertyBag bag;
        QCOMPARE(toInt32(bag.ReadProperty("State", qint32{7})), 7);
        bag.WriteProperty("State", qint32{0}, qint32{0});
        bag.WriteProperty("Enabled", true, true);
        QCOMPARE(bag.size(), 0);
        // Writing the default over a stored value removes the entry.
        bag.WriteProperty("BackColor", ColorValue{1}, ColorValue{65535});
        QVERIFY(bag.contains("backcolor"));
        bag.WriteProperty("backColor", ColorValue{65535}, ColorValue{65535});
        QVERIFY(!bag.contains("BackColor"));
    }

    void roundTripOfEveryValueType() {
        PropertyBag bag;
        const FontObject font = makeFont("DejaVu Sans", 6);
        bag.WriteProperty("b", false, true);
        bag.WriteProperty("i", qint32{-5}, qint32{0});
        bag.WriteProperty("t", QString("a,b"), QString());
        bag.WriteProperty("c", ColorValue{0x80000004u}, ColorValue{65535});
        bag.WriteProperty("f", font, FontObject{});
        QCOMPARE(bag.keys(), QStringList({"b", "i", "t", "c", "f"}));
        QCOMPARE(toBool(bag.ReadProperty("B", true)), false);
        QCOMPARE(toInt32(bag.ReadProperty("I", qint32{0})), -5);
        QCOMPARE(toText(bag.ReadProperty("T", QString())), QString("a,b"));
        QCOMPARE(toColor(bag.ReadProperty("C", ColorValue{})).value, 0x80000004u);
        QCOMPARE(toFont(bag.ReadProperty("F", FontObject{})).get(), font.get());
    }

    void fontsEqualByDescriptionAreDefaults() {
        PropertyBag bag;
        bag.WriteProperty("Font", makeFont("DejaVu Sans", 8.25), makeFont("DejaVu Sans", 8.25));
        QCOMPARE(bag.size(), 0);
        bag.WriteProperty("Font", makeFont("DejaVu Sans", 6), makeFont("DejaVu Sans", 8.25));
        QCOMPARE(bag.size(), 1);
    }

    void storedValuesConvertOnRead() {
        PropertyBag bag{{"Enabled", qint32{0}}, {"State", QString("1")}};
        QCOMPARE(toBool(bag.ReadProperty("enabled", true)), false);
        QCOMPARE(toInt32(bag.ReadProperty("state", qint32{0})), 1);
    }

    void twipsAndHimetric() {
        QCOMPARE(twipsToPixels(765), 51);
        QCOMPARE(twipsToPixels(315), 21);
        QCOMPARE(twipsToPixels(2985), 199);
        // A stored extent gives back the size it was made from.
        QCOMPARE(himetricToPixels(twipsToHimetric(765)), 51);
        QCOMPARE(himetricToPixels(twipsToHimetric(315)), 21);
        QCOMPARE(himetricToPixels(twipsToHimetric(3390)), 226);
    }

    void systemColoursResolveFromThePalette() {
        QCOMPARE(resolveColor(ColorValue{65535}), QColor(255, 255, 0));
        QCOMPARE(resolveColor(ColorValue::fromRgb(0, 70, 213)), QColor(0, 70, 213));
        QCOMPARE(resolveColor(kSystemMenu), QApplication::palette().color(QPalette::Button));
    }
};

QTEST_MAIN(TestPropertyBag)
#include "tst_propertybag.moc"
