#include "controls/xpgroupbox/frametemplate.h"

namespace skiff {

namespace {

// One letter a pixel: L frame line, s corner shading, . transparent.
constexpr const char* kPixelMap[kFrameTemplateHeight] = {
    "..LLLLLLLLLLLLLLLLLL..",  //
    ".LL................sL.",  //
    "LL..................ss",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "L....................L",  //
    "LL..................ss",  //
    ".LL................sL.",  //
    "..LLLLLLLLLLLLLLLLLL..",  //
};

uint paletteIndex(char letter) {
    switch (letter) {
        case 'L':
            return 0;
        case 's':
            return 2;
        default:
            return kFrameTransparentIndex;
    }
}

QImage buildTemplate() {
    QImage image(kFrameTemplateWidth, kFrameTemplateHeight, QImage::Format_Indexed8);
    image.setColorTable(
        {kFrameLineColor, kFrameTransparentColor, kFrameShadeColor, kFrameUnusedColor});
    for (int y = 0; y < kFrameTemplateHeight; ++y)
        for (int x = 0; x < kFrameTemplateWidth; ++x)
            image.setPixel(x, y, paletteIndex(kPixelMap[y][x]));
    return image;
}

}  // namespace

const QImage& frameTemplate() {
    static const QImage image = buildTemplate();
    return image;
}

}  // namespace skiff
