#pragma once

#include <QString>
#include <QWidget>

#include "controls/hosting/fontobject.h"
#include "controls/hosting/propertybag.h"

namespace skiff {

// What a host tells a custom control about its surroundings.
struct Ambient {
    QString displayName;  // the instance's name on its host window, such as "xpcmdBack"
    FontObject font;      // the host's font
};

// The ambient values a host window gives the instance `name`.
Ambient ambientOf(const QWidget* host, const QString& name);

// Base of the program's own controls: a surface that keeps its properties in a property bag
// of its host window's stored definition and tells the host when one of them changed.
class CustomControl : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // A new instance placed on a host, with no stored values yet.
    virtual void InitProperties(const Ambient& ambient) = 0;
    // An instance loaded from its host window's stored definition.
    virtual void ReadProperties(const PropertyBag& bag, const Ambient& ambient) = 0;
    // Saving into the host window's stored definition.
    virtual void WriteProperties(PropertyBag& bag, const Ambient& ambient) const = 0;

signals:
    // The host's property-changed notification: its stored definition is out of date.
    void propertyChanged(const QString& name);

protected:
    void PropertyChanged(const QString& name) { emit propertyChanged(name); }
};

// The two ways an instance starts. The control is created by the caller with `host` as its
// parent; these run its initialisation or its load, then the host gives it its place and size
// and shows it.
void placeNewControl(CustomControl* control, const QString& name, const QRect& pixels);
void loadControlFromDefinition(CustomControl* control, const QString& name, const QPoint& pixelPos,
                               const PropertyBag& stored);

}  // namespace skiff
