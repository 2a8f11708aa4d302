#include <QtTest>

#include "controls/xpcmdbutton/cellstrip.h"

using namespace skiff;

namespace {

QRgb px(int cell, int x, int y) {
    return cellStrip().pixel(cell * 18 + x, y) & 0xFFFFFFu;
}

bool within(QRgb a, QRgb b, int units) {
    return qAbs(qRed(a) - qRed(b)) <= units && qAbs(qGreen(a) - qGreen(b)) <= units &&
           qAbs(qBlue(a) - qBlue(b)) <= units;
}

QString hex(QRgb c) {
    return QString::asprintf("#%06X", c & 0xFFFFFFu);
}

#define CHECK_PX(cell, x, y, expected)                              \
    QVERIFY2(px(cell, x, y) == QRgb(expected),                      \
             qPrintable(QString("cell %1 (%2,%3): %4, expected %5") \
                            .arg(cell)                              \
                            .arg(x)                                 \
                            .arg(y)                                 \
                            .arg(hex(px(cell, x, y)), hex(expected))))

#define CHECK_NEAR(cell, x, y, expected, units)                          \
    QVERIFY2(within(px(cell, x, y), expected, units),                    \
             qPrintable(QString("cell %1 (%2,%3): %4, expected %5 +-%6") \
                            .arg(cell)                                   \
                            .arg(x)                                      \
                            .arg(y)                                      \
                            .arg(hex(px(cell, x, y)), hex(expected))     \
                            .arg(units)))

// Face colour of each row across the middle, cells 0 to 4.
const QRgb kFace[21][5] = {
    {0x003C74, 0x003C74, 0xC9C7BA, 0x003C74, 0x003C74},
    {0xFFFFFF, 0xD1CCC1, 0xF5F4EA, 0xFFF0CF, 0xCEE7FF},
    {0xFEFEFE, 0xDCD8CF, 0xF5F4EA, 0xFDD889, 0xBCD4F6},
    {0xFCFCFB, 0xE5E4DD, 0xF5F4EA, 0xFCFCFB, 0xFCFCFB},
    {0xFAFAF9, 0xE6E6E0, 0xF5F4EA, 0xFAFAF9, 0xFAFAF9},
    {0xF8F8F6, 0xE5E4DE, 0xF5F4EA, 0xF8F8F6, 0xF8F8F6},
    {0xF6F6F3, 0xE4E3DC, 0xF5F4EA, 0xF6F6F3, 0xF6F6F3},
    {0xF6F6F2, 0xE4E3DC, 0xF5F4EA, 0xF6F6F2, 0xF6F6F2},
    {0xF5F5F1, 0xE3E3DB, 0xF5F4EA, 0xF5F5F1, 0xF5F5F1},
    {0xF4F4F0, 0xE3E2DA, 0xF5F4EA, 0xF4F4F0, 0xF4F4F0},
    {0xF3F3EF, 0xE2E1DA, 0xF5F4EA, 0xF3F3EF, 0xF3F3EF},
    {0xF3F3EE, 0xE2E1D9, 0xF5F4EA, 0xF3F3EE, 0xF3F3EE},
    {0xF2F2ED, 0xE2E1D9, 0xF5F4EA, 0xF2F2ED, 0xF2F2ED},
    {0xF1F1ED, 0xE1E0D9, 0xF5F4EA, 0xF1F1ED, 0xF1F1ED},
    {0xF1F1EC, 0xE1E0D8, 0xF5F4EA, 0xF1F1EC, 0xF1F1EC},
    {0xF0F0EB, 0xE0E0D7, 0xF5F4EA, 0xF0F0EB, 0xF0F0EB},
    {0xF0F0EA, 0xE0E0D7, 0xF5F4EA, 0xF0F0EA, 0xF0F0EA},
    {0xECEBE6, 0xE2E2DA, 0xF5F4EA, 0xECEBE6, 0xECEBE6},
    {0xE2DFD6, 0xEAE9E3, 0xF5F4EA, 0xF8B330, 0x89ADE4},
    {0xD6D0C5, 0xF2F1EE, 0xF5F4EA, 0xE59700, 0x6982EE},
    {0x003C74, 0x003C74, 0xC9C7BA, 0x003C74, 0x003C74},
};

// Ring side column (column 1) of cells 3 and 4, rows 3 to 17.
const QRgb kRingSide[15][2] = {
    {0xFEDF9A, 0xBAD3F5}, {0xFEDD95, 0xB7D0F4}, {0xFDDB8F, 0xB4CEF3}, {0xFDD889, 0xB1CBF2},
    {0xFDD582, 0xADC8F0}, {0xFCD27A, 0xA9C5EF}, {0xFCCE71, 0xA5C1ED}, {0xFCCA69, 0xA0BEEC},
    {0xFBC761, 0x9CBBEB}, {0xFAC358, 0x98B8EA}, {0xFAC050, 0x94B4E8}, {0xF9BD49, 0x91B1E7},
    {0xFABA41, 0x8EAFE6}, {0xF9B83B, 0x8BADE4}, {0xF9B435, 0x89ADE4},
};

// Inner 2 x 2 corner blocks per cell: top-left, top-right, bottom-left, bottom-right; each
// top row then bottom row, left to right.
const QRgb kInner[5][4][4] = {
    {{0x557DA2, 0xC0CFDD, 0xBFCEDC, 0xFEFEFE},
     {0xD5DFE8, 0x557DA2, 0xFEFEFD, 0xBFCEDC},
     {0xBFC7CA, 0xE2DFD6, 0x4A7193, 0xA3AEB4},
     {0xDBD7CD, 0xB6BDBD, 0xB1B7B6, 0x486E90}},
    {{0x466D8E, 0x9DA8AC, 0xA0ABB1, 0xD6D0C6},
     {0xB1B7B7, 0x497092, 0xDCD9D0, 0xA9B5BD},
     {0xBCC5C7, 0xE6E6DF, 0x4D7598, 0xB2C1CB},
     {0xEDECE7, 0xC4CED2, 0xCAD3DA, 0x4F779B}},
    {{0xD8D6CA, 0xEAE9DE, 0xEAE9DE, 0xF5F4EA},
     {0xEEEDE2, 0xD8D6CA, 0xF5F4EA, 0xEAE9DE},
     {0xEEEDE2, 0xF5F4EA, 0xD8D6CA, 0xEAE9DE},
     {0xF5F4EA, 0xEEEDE2, 0xEEEDE2, 0xD8D6CA}},
    {{0x8D9EA1, 0xEFE8D2, 0xEEDCAD, 0xFCD279},
     {0xF8EDD3, 0x8D9EA1, 0xFCD279, 0xEEDCAD},
     {0xEFB549, 0xF8B230, 0x848671, 0xE59700},
     {0xF8B330, 0xEDB547, 0xE59700, 0x83846F}},
    {{0x274D85, 0xCEE7FF, 0xBCD4F6, 0xBCD4F6},
     {0xCEE7FF, 0x274D85, 0xBCD4F6, 0xBCD4F6},
     {0x89ADE4, 0x89ADE4, 0x274D85, 0x4D7DC1},
     {0x89ADE4, 0x89ADE4, 0x6982EE, 0x274D85}},
};

}  // namespace

class TestCellStrip : public QObject {
    Q_OBJECT
private slots:
    void stripIsFiveCellsOf18By21() {
        QCOMPARE(cellStrip().size(), QSize(90, 21));
        QCOMPARE(cellRect(3), QRect(54, 0, 18, 21));
    }

    void blueFrameIsSharedByCells0134() {
        for (int cell : {0, 1, 3, 4}) {
            for (int x = 3; x <= 14; ++x) {
                CHECK_PX(cell, x, 0, 0x003C74);
                CHECK_PX(cell, x, 20, 0x003C74);
            }
            for (int y = 3; y <= 17; ++y) {
                CHECK_PX(cell, 0, y, 0x003C74);
                CHECK_PX(cell, 17, y, 0x003C74);
            }
            // Rounded corners: corner pixel, two along the row, two along the column.
            CHECK_PX(cell, 0, 0, 0xDDD7C5);
            CHECK_PX(cell, 1, 0, 0x65869F);
            CHECK_PX(cell, 2, 0, 0x225583);
            CHECK_PX(cell, 0, 1, 0x65869F);
            CHECK_PX(cell, 0, 2, 0x225583);
            CHECK_PX(cell, 17, 0, 0xE1DCCA);
            CHECK_PX(cell, 16, 0, 0x577C99);
            CHECK_PX(cell, 15, 0, 0x154C7D);
            CHECK_PX(cell, 17, 1, 0x6586A0);
            CHECK_PX(cell, 17, 2, 0x225583);
            CHECK_PX(cell, 0, 20, 0xECEAD9);
            CHECK_PX(cell, 1, 20, 0x6A8BA3);
            CHECK_PX(cell, 2, 20, 0x225583);
            CHECK_PX(cell, 0, 19, 0x567B99);
            CHECK_PX(cell, 0, 18, 0x154C7D);
            CHECK_PX(cell, 17, 20, 0xF9F8F2);
            CHECK_PX(cell, 16, 20, 0x6184A0);
            CHECK_PX(cell, 15, 20, 0x154C7D);
            CHECK_PX(cell, 17, 19, 0x5E829E);
            CHECK_PX(cell, 17, 18, 0x154C7D);
        }
    }

    void disabledCellIsFlatWithGreyFrame() {
        for (int y = 0; y <= 20; ++y) {
            for (int x = 0; x <= 17; ++x) {
                const bool corner = (x == 0 || x == 17) && (y == 0 || y == 20);
                const bool frame = x == 0 || x == 17 || y == 0 || y == 20;
                const bool innerBlock = (x <= 2 || x >= 15) && (y <= 2 || y >= 18);
                if (corner)
                    CHECK_PX(2, x, y, 0xFFFFFF);
                else if (frame)
                    CHECK_PX(2, x, y, 0xC9C7BA);
                else if (!innerBlock)
                    CHECK_PX(2, x, y, 0xF5F4EA);
            }
        }
    }

    void faceColourPerRow() {
        for (int cell = 0; cell < 5; ++cell) {
            for (int y = 0; y <= 20; ++y) {
                for (int x = 4; x <= 13; ++x) CHECK_NEAR(cell, x, y, kFace[y][cell], 1);
                CHECK_NEAR(cell, 3, y, kFace[y][cell], 5);
                CHECK_NEAR(cell, 14, y, kFace[y][cell], 5);
            }
        }
    }

    void ringCellsKeepTheNormalMiddle() {
        for (int cell : {3, 4})
            for (int y = 3; y <= 17; ++y)
                for (int x = 3; x <= 14; ++x) QCOMPARE(px(cell, x, y), px(0, x, y));
    }

    void ringSideColumns() {
        for (int y = 3; y <= 17; ++y) {
            const QRgb hot = kRingSide[y - 3][0], blue = kRingSide[y - 3][1];
            CHECK_PX(3, 1, y, hot);
            CHECK_NEAR(3, 16, y, hot, 2);
            CHECK_PX(4, 1, y, blue);
            for (int x : {2, 15, 16}) CHECK_NEAR(4, x, y, blue, 2);
            // The hot ring's inner columns start pale yellow and then follow the outer one.
            if (y <= 7)
                CHECK_PX(3, 2, y, 0xFCD279);
            else
                CHECK_NEAR(3, 2, y, hot, 1);
            if (y <= 8)
                CHECK_PX(3, 15, y, 0xFCD279);
            else
                CHECK_NEAR(3, 15, y, hot, 1);
        }
    }

    void innerCornerBlocks() {
        const int left[4] = {1, 15, 1, 15}, top[4] = {1, 1, 18, 18};
        for (int cell = 0; cell < 5; ++cell)
            for (int corner = 0; corner < 4; ++corner)
                for (int i = 0; i < 4; ++i)
                    CHECK_PX(cell, left[corner] + i % 2, top[corner] + i / 2,
                             kInner[cell][corner][i]);
    }

    void sideShadingOfNormalAndPressedCells() {
        // Normal: darker on the right, given at rows 3, 10, 17.
        CHECK_PX(0, 15, 3, 0xFBFBFA);
        CHECK_PX(0, 16, 3, 0xF6F4F2);
        CHECK_PX(0, 15, 10, 0xEEEDE7);
        CHECK_PX(0, 16, 10, 0xE8E5DF);
        CHECK_PX(0, 15, 17, 0xE4E2DA);
        CHECK_PX(0, 16, 17, 0xE0DED4);
        // Pressed: darker on the left.
        CHECK_PX(1, 1, 3, 0xD8D4CB);
        CHECK_PX(1, 2, 3, 0xDDDAD1);
        CHECK_PX(1, 1, 10, 0xD7D4CB);
        CHECK_PX(1, 2, 10, 0xDDDBD3);
        CHECK_PX(1, 1, 17, 0xDAD8CF);
        CHECK_PX(1, 2, 17, 0xDFDED6);
        for (int y = 3; y <= 17; ++y) {
            CHECK_NEAR(0, 1, y, kFace[y][0], 1);
            CHECK_NEAR(0, 2, y, kFace[y][0], 1);
            CHECK_NEAR(1, 15, y, kFace[y][1], 5);
            CHECK_NEAR(1, 16, y, kFace[y][1], 5);
        }
        // Between the given rows the shade moves steadily: row 6 of column 15 lies between
        // rows 3 and 10, each channel.
        const QRgb a = px(0, 15, 3), m = px(0, 15, 6), b = px(0, 15, 10);
        QVERIFY(qRed(m) <= qRed(a) && qRed(m) >= qRed(b));
        QVERIFY(qBlue(m) <= qBlue(a) && qBlue(m) >= qBlue(b));
    }
};

QTEST_MAIN(TestCellStrip)
#include "tst_cellstrip.moc"
