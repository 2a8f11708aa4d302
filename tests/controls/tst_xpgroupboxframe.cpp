#include <QtTest>

#include "controls/xpgroupbox/framepainter.h"
#include "controls/xpgroupbox/frametemplate.h"

using namespace skiff;

namespace {

const QColor kBack(255, 255, 0);
const QRgb kLine = qRgb(208, 208, 191);
const QRgb kShade = qRgb(211, 211, 197);

// The surface as letters: L frame line, s corner shading, . background, ? anything else.
QStringList letters(const QImage& image, const QColor& back) {
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000u;
            row += c == kLine ? 'L' : c == kShade ? 's' : c == back.rgb() ? '.' : '?';
        }
        rows << row;
    }
    return rows;
}

QString repeat(char letter, int count) {
    return QString(count, QLatin1Char(letter));
}

// The frame an SW x SH surface should show with its top line in row t: rounded corners of
// three rows, the top and bottom lines between them, the sides in the first and last column.
QStringList expectedFrame(int sw, int sh, int t) {
    QStringList rows(sh, repeat('.', sw));
    const QString lineRow = "..L" + repeat('L', sw - 6) + "L..";
    const QString secondRow = ".LL" + repeat('.', sw - 6) + "sL.";
    const QString thirdRow = "LL." + repeat('.', sw - 6) + ".ss";
    rows[t] = lineRow;
    rows[t + 1] = secondRow;
    rows[t + 2] = thirdRow;
    for (int y = t + 3; y <= sh - 4; ++y) rows[y] = "L" + repeat('.', sw - 2) + "L";
    rows[sh - 3] = thirdRow;
    rows[sh - 2] = secondRow;
    rows[sh - 1] = lineRow;
    return rows;
}

QImage surface(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkMagenta);  // whatever the surface showed before
    return image;
}

QImage painted(int w, int h, float labelHeight, const QColor& back = kBack) {
    QImage image = surface(w, h);
    paintFrame(image, back, labelHeight);
    return image;
}

// The row the top line lies in, found at its first column.
int topLineRow(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        if ((image.pixel(3, y) | 0xFF000000u) == kLine) return y;
    return -1;
}

}  // namespace

class TestFrame : public QObject {
    Q_OBJECT
private slots:
    void templatePixelsAndPalette() {
        const QImage& tpl = frameTemplate();
        QCOMPARE(tpl.size(), QSize(22, 20));
        QCOMPARE(tpl.colorTable(), QList<QRgb>({0xFFD0D0BF, 0x00ECE9D8, 0xFFD3D3C5, 0xFF000000}));
        int line = 0, shade = 0, clear = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 22; ++x) {
                const int index = tpl.pixelIndex(x, y);
                line += index == 0;
                shade += index == 2;
                clear += index == 1;
            }
        // Rows 0 and 19: 18 each; rows 1, 18: 3 each; rows 2, 17: 2 each; rows 3-16: 2 each.
        QCOMPARE(line, 74);
        QCOMPARE(shade, 6);  // (19,1) (20,2) (21,2) and their mirrors
        QCOMPARE(clear, 22 * 20 - 80);
        QCOMPARE(tpl.pixelIndex(0, 2), 0);
        QCOMPARE(tpl.pixelIndex(21, 2), 2);
        QCOMPARE(tpl.pixelIndex(21, 3), 0);
        QCOMPARE(tpl.pixelIndex(19, 18), 2);
        QCOMPARE(tpl.pixelIndex(1, 19), 1);
        QCOMPARE(qAlpha(tpl.pixel(1, 19)), 0);
    }

    // 199 x 89 with a 13-pixel caption label: the top line in row 6.
    void workedExample() {
        const QImage image = painted(199, 89, 13);
        const QStringList rows = letters(image, kBack);
        for (int y = 0; y < 6; ++y) QCOMPARE(rows[y], repeat('.', 199));
        QCOMPARE(rows[6].mid(3, 193), repeat('L', 193));  // columns 3 to 195
        QCOMPARE(rows[88].mid(3, 193), repeat('L', 193));
        for (int y = 9; y <= 85; ++y) {
            QCOMPARE(rows[y][0], QChar('L'));
            QCOMPARE(rows[y][198], QChar('L'));
            QCOMPARE(rows[y].mid(1, 197), repeat('.', 197));
        }
        auto block = [&](int x, int y) {
            return QStringList{rows[y].mid(x, 3), rows[y + 1].mid(x, 3), rows[y + 2].mid(x, 3)};
        };
        QCOMPARE(block(0, 6), QStringList({"..L", ".LL", "LL."}));
        QCOMPARE(block(196, 6), QStringList({"L..", "sL.", ".ss"}));
        QCOMPARE(block(196, 86), QStringList({".ss", "sL.", "L.."}));
        QCOMPARE(block(0, 86), QStringList({"LL.", ".LL", "..L"}));
        QCOMPARE(rows, expectedFrame(199, 89, 6));
    }

    void framesOfOtherSizes_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<float>("labelHeight");
        QTest::addColumn<int>("t");
        QTest::newRow("one pixel wider") << 200 << 89 << 13.0f << 6;
        QTest::newRow("16-pixel caption") << 199 << 89 << 16.0f << 8;
        QTest::newRow("no caption height") << 40 << 30 << 0.0f << 0;
        QTest::newRow("smallest whole frame") << 6 << 12 << 13.0f << 6;
    }
    void framesOfOtherSizes() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(float, labelHeight);
        QFETCH(int, t);
        QCOMPARE(letters(painted(width, height, labelHeight), kBack),
                 expectedFrame(width, height, t));
    }

    void wideningMovesOnlyTheRightSide() {
        const QImage narrow = painted(199, 89, 13);
        const QImage wide = painted(200, 89, 13);
        for (int y = 0; y < 89; ++y) {
            for (int x = 0; x < 196; ++x) QCOMPARE(wide.pixel(x, y), narrow.pixel(x, y));
            for (int x = 196; x < 199; ++x) QCOMPARE(wide.pixel(x + 1, y), narrow.pixel(x, y));
        }
        QCOMPARE(wide.pixel(196, 6) | 0xFF000000u, kLine);
        QCOMPARE(wide.pixel(196, 88) | 0xFF000000u, kLine);
    }

    void higherCaptionKeepsTheBottom() {
        const QImage low = painted(199, 89, 13);
        const QImage high = painted(199, 89, 16);
        QCOMPARE(topLineRow(high), 8);
        for (int y = 86; y < 89; ++y)
            for (int x = 0; x < 199; ++x) QCOMPARE(high.pixel(x, y), low.pixel(x, y));
        QCOMPARE(high.pixel(0, 9),
                 kBack.rgb());  // the rounded corner, where the lower one has its side
        QCOMPARE(low.pixel(0, 9) | 0xFF000000u, kLine);
    }

    void transparentPixelsKeepTheBackground() {
        const QColor back(10, 20, 30);
        const QImage image = painted(50, 40, 13, back);
        for (QPoint p : {QPoint(0, 6), QPoint(1, 6), QPoint(0, 7), QPoint(2, 8), QPoint(49, 6),
                         QPoint(49, 7), QPoint(47, 8), QPoint(25, 20), QPoint(3, 7)})
            QCOMPARE(image.pixel(p), back.rgb());
        QCOMPARE(image.pixel(47, 7) | 0xFF000000u, kShade);
    }

    // Ties go to the even pixel count: 12.5 -> 12, 13.5 -> 14, 14.5 -> 14, 15.5 -> 16.
    void labelHeightRoundsHalfToEven_data() {
        QTest::addColumn<float>("labelHeight");
        QTest::addColumn<int>("row");
        QTest::newRow("12.5") << 12.5f << 6;
        QTest::newRow("13.5") << 13.5f << 7;
        QTest::newRow("14.5") << 14.5f << 7;
        QTest::newRow("15.5") << 15.5f << 8;
        QTest::newRow("13.4") << 13.4f << 6;
    }
    void labelHeightRoundsHalfToEven() {
        QFETCH(float, labelHeight);
        QFETCH(int, row);
        QCOMPARE(topLineRow(painted(60, 40, labelHeight)), row);
    }

    void eachRunPlacesTheLabelAfterClearing() {
        QImage image = surface(30, 30);
        QRgb seen = 0;
        const FrameRun run =
            paintFrame(image, kBack, 13, [&] { seen = image.pixel(3, 6) | 0xFF000000u; });
        QCOMPARE(seen, kBack.rgb());  // cleared, top line not yet drawn
        QVERIFY(run.labelPlaced);
        QVERIFY(run.finished());
    }

    // A label 65536 pixels high puts the top line beyond 16-bit rows: nothing after clearing.
    void topRowOverflowStopsBeforeTheLabel_data() {
        QTest::addColumn<float>("labelHeight");
        QTest::newRow("65536") << 65536.0f;
        QTest::newRow("65537") << 65537.0f;
        QTest::newRow("-65538") << -65538.0f;
        QTest::newRow("beyond 32 bits") << 3.0e9f;
        QTest::newRow("infinite") << std::numeric_limits<float>::infinity();
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN();
    }
    void topRowOverflowStopsBeforeTheLabel() {
        QFETCH(float, labelHeight);
        QImage image = surface(40, 30);
        bool placed = false;
        const FrameRun run = paintFrame(image, kBack, labelHeight, [&] { placed = true; });
        QVERIFY(!placed);
        QVERIFY(!run.labelPlaced);
        QCOMPARE(run.piecesDrawn, 0);
        QCOMPARE(letters(image, kBack), QStringList(30, repeat('.', 40)));
    }

    // t = 32765 and up: t + 3 leaves 16 bits; the run stops before the right line.
    void sideRowOverflowStopsBeforeTheSides_data() {
        QTest::addColumn<float>("labelHeight");
        QTest::newRow("t 32765") << 65530.0f;
        QTest::newRow("t 32767") << 65535.0f;
    }
    void sideRowOverflowStopsBeforeTheSides() {
        QFETCH(float, labelHeight);
        QImage image = surface(40, 30);
        bool placed = false;
        const FrameRun run = paintFrame(image, kBack, labelHeight, [&] { placed = true; });
        QVERIFY(placed);
        QCOMPARE(run.piecesDrawn, 5);
        const QStringList rows = letters(image, kBack);
        // Only the two bottom corners fall on the surface; the bottom line between them is missing.
        QCOMPARE(rows[27], "LL." + repeat('.', 34) + ".ss");
        QCOMPARE(rows[28], ".LL" + repeat('.', 34) + "sL.");
        QCOMPARE(rows[29], "..L" + repeat('.', 34) + "L..");
        QCOMPARE(rows.mid(0, 27), QStringList(27, repeat('.', 40)));
    }

    void highestTopRowStillDrawsTheBottomLine() {
        QImage image = surface(40, 30);
        const FrameRun run = paintFrame(image, kBack, 65529);  // t 32764, t + 3 = 32767
        QVERIFY(run.finished());
        QCOMPARE(letters(image, kBack)[29], "..L" + repeat('L', 34) + "L..");
    }

    void tinySurfacesDoNotBreakThePainter() {
        for (QSize size : {QSize(0, 0), QSize(1, 1), QSize(4, 3), QSize(5, 200), QSize(300, 2)}) {
            QImage image = surface(size.width(), size.height());
            QVERIFY(paintFrame(image, kBack, 13).finished());
        }
    }
};

QTEST_MAIN(TestFrame)
#include "tst_xpgroupboxframe.moc"
