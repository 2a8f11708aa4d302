#include "controls/hosting/customcontrol.h"

#include "controls/hosting/twips.h"

namespace skiff {

Ambient ambientOf(const QWidget* host, const QString& name) {
    return Ambient{name, host ? std::make_shared<QFont>(host->font()) : std::make_shared<QFont>()};
}

void placeNewControl(CustomControl* control, const QString& name, const QRect& pixels) {
    control->setObjectName(name);
    control->InitProperties(ambientOf(control->parentWidget(), name));
    control->setGeometry(pixels);
    control->show();
}

void loadControlFromDefinition(CustomControl* control, const QString& name, const QPoint& pixelPos,
                               const PropertyBag& stored) {
    control->setObjectName(name);
    control->ReadProperties(stored, ambientOf(control->parentWidget(), name));
    // The instance's size is the host's own stored extent, in HIMETRIC.
    const int w = himetricToPixels(toInt32(stored.ReadProperty("_extentx", qint32{0})));
    const int h = himetricToPixels(toInt32(stored.ReadProperty("_extenty", qint32{0})));
    control->setGeometry(QRect(pixelPos, QSize(w, h)));
    control->show();
}

}  // namespace skiff
