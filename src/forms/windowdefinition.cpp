#include "forms/windowdefinition.h"

#include "controls/hosting/twips.h"

namespace skiff {

namespace {
PropertyBag storedExtent(double width, double height) {
    return PropertyBag{{"_extentx", qint32{twipsToHimetric(width)}},
                       {"_extenty", qint32{twipsToHimetric(height)}}};
}
}  // namespace

ControlDefinition commandButton(const QString& name, const QString& container, double left,
                                double top, double width, double height, const QString& caption) {
    PropertyBag bag = storedExtent(width, height);
    bag.WriteProperty("caption", caption, QString());
    bag.WriteProperty("font", buttonFace(), FontObject{});
    return {.name = name,
            .kind = ControlKind::CommandButton,
            .container = container,
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .bag = bag};
}

ControlDefinition groupBox(const QString& name, const QString& container, double left, double top,
                           double width, double height, const QString& caption) {
    PropertyBag bag = storedExtent(width, height);
    bag.WriteProperty("caption", caption, QString());
    bag.WriteProperty("font", frameFace(), FontObject{});
    bag.WriteProperty("backcolor", kSystemMenu, ColorValue{65535});
    return {.name = name,
            .kind = ControlKind::GroupBox,
            .container = container,
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .bag = bag};
}

}  // namespace skiff
