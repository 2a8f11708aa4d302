#include "forms/windowdefinition.h"

#include "controls/hosting/twips.h"

namespace skiff {

namespace {
PropertyBag storedExtent(double width, double height) {
    return PropertyBag{{"_extentx", qint32{twipsToHimetric(width)}},
                       {"_extenty", qint32{twipsToHimetric(height)}}};
}

// A custom control with its stored extent and caption in its bag.
ControlDefinition customControl(ControlKind kind, const QString& name, const QString& container,
                                double left, double top, double width, double height,
                                const QString& caption) {
    PropertyBag bag = storedExtent(width, height);
    bag.WriteProperty("caption", caption, QString());
    return {.name = name,
            .kind = kind,
            .container = container,
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .bag = bag};
}
}  // namespace

ControlDefinition commandButton(const QString& name, const QString& container, double left,
                                double top, double width, double height, const QString& caption) {
    ControlDefinition d = customControl(ControlKind::CommandButton, name, container, left, top,
                                        width, height, caption);
    d.bag.WriteProperty("font", buttonFace(), FontObject{});
    return d;
}

ControlDefinition groupBox(const QString& name, const QString& container, double left, double top,
                           double width, double height, const QString& caption) {
    ControlDefinition d =
        customControl(ControlKind::GroupBox, name, container, left, top, width, height, caption);
    d.bag.WriteProperty("font", frameFace(), FontObject{});
    d.bag.WriteProperty("backcolor", kSystemMenu, ColorValue{65535});
    return d;
}

}  // namespace skiff
