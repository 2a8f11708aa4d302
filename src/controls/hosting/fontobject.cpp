#include "controls/hosting/fontobject.h"

namespace skiff {

FontObject makeFont(const QString& face, double points, int weight, bool italic) {
    auto font = std::make_shared<QFont>(face);
    font->setPointSizeF(points);
    font->setWeight(static_cast<QFont::Weight>(weight));
    font->setItalic(italic);
    font->setStyleHint(QFont::SansSerif);
    return font;
}

FontObject buttonFace() {
    return makeFont(kButtonFaceName, kButtonFacePoints);
}

FontObject frameFace() {
    return makeFont(kFrameFaceName, kFrameFacePoints);
}

FontObject windowFace() {
    return makeFont(kWindowFaceName, kWindowFacePoints);
}

bool sameFont(const FontObject& a, const FontObject& b) {
    if (!a || !b) return !a && !b;
    return a == b || (a->family() == b->family() && a->pointSizeF() == b->pointSizeF() &&
                      a->weight() == b->weight() && a->italic() == b->italic() &&
                      a->underline() == b->underline() && a->strikeOut() == b->strikeOut());
}

}  // namespace skiff
