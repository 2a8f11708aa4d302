#include "forms/twipgeometry.h"

#include <QVariant>
#include <QWidget>
#include <cmath>

#include "controls/hosting/twips.h"

namespace skiff {

namespace {

enum Edge { Left, Top, Width, Height };
const char* const kKeys[] = {"twipsLeft", "twipsTop", "twipsWidth", "twipsHeight"};

int pixelsOf(const QWidget* w, Edge e) {
    switch (e) {
        case Left:
            return w->x();
        case Top:
            return w->y();
        case Width:
            return w->width();
        case Height:
            return w->height();
    }
    return 0;
}

// The stored twip value holds while the control still stands where it put it.
float read(const QWidget* w, Edge e) {
    const QVariant v = w->property(kKeys[e]);
    const int px = pixelsOf(w, e);
    if (v.isValid() && twipsToPixels(v.toFloat()) == px) return v.toFloat();
    return pixelsToTwips(px);
}

bool write(QWidget* w, Edge e, float twips) {
    if (std::isnan(twips) || std::isinf(twips)) return false;
    if ((e == Width || e == Height) && twips < 0) return false;
    const int px = twipsToPixels(twips);
    QRect g = w->geometry();
    switch (e) {
        case Left:
            g.moveLeft(px);
            break;
        case Top:
            g.moveTop(px);
            break;
        case Width:
            g.setWidth(px);
            break;
        case Height:
            g.setHeight(px);
            break;
    }
    w->setGeometry(g);
    w->setProperty(kKeys[e], twips);
    return true;
}

}  // namespace

float twipsLeft(const QWidget* w) {
    return read(w, Left);
}
float twipsTop(const QWidget* w) {
    return read(w, Top);
}
float twipsWidth(const QWidget* w) {
    return read(w, Width);
}
float twipsHeight(const QWidget* w) {
    return read(w, Height);
}

bool setTwipsLeft(QWidget* w, float twips) {
    return write(w, Left, twips);
}
bool setTwipsTop(QWidget* w, float twips) {
    return write(w, Top, twips);
}
bool setTwipsWidth(QWidget* w, float twips) {
    return write(w, Width, twips);
}
bool setTwipsHeight(QWidget* w, float twips) {
    return write(w, Height, twips);
}

void setTwipsGeometry(QWidget* w, float left, float top, float width, float height) {
    setTwipsLeft(w, left);
    setTwipsTop(w, top);
    setTwipsWidth(w, width);
    setTwipsHeight(w, height);
}

float scaleWidth(const QWidget* client) {
    return pixelsToTwips(client->width());
}
float scaleHeight(const QWidget* client) {
    return pixelsToTwips(client->height());
}

}  // namespace skiff
