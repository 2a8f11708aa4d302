#pragma once

#include <QList>
#include <QString>
#include <initializer_list>
#include <utility>
#include <variant>

#include "controls/hosting/colorvalue.h"
#include "controls/hosting/fontobject.h"

namespace skiff {

// One stored value of a custom control instance.
using PropertyValue = std::variant<bool, qint32, QString, ColorValue, FontObject>;

bool samePropertyValue(const PropertyValue& a, const PropertyValue& b);

// Conversions used when a control reads its bag: a stored value of another type is converted
// the way the host's property store converts it (numbers to Boolean by non-zero, and so on).
bool toBool(const PropertyValue& v);
qint32 toInt32(const PropertyValue& v);
QString toText(const PropertyValue& v);
ColorValue toColor(const PropertyValue& v);
FontObject toFont(const PropertyValue& v);

// The named values of a custom control instance inside its host window's stored definition.
// Keys match without regard to case; every key is read with a default and written with the
// same default, and a value equal to its default is not written (an earlier entry under that
// key is removed).
class PropertyBag {
public:
    PropertyBag() = default;
    PropertyBag(std::initializer_list<std::pair<QString, PropertyValue>> entries);

    PropertyValue ReadProperty(const QString& name, const PropertyValue& defaultValue) const;
    void WriteProperty(const QString& name, const PropertyValue& value,
                       const PropertyValue& defaultValue);

    bool contains(const QString& name) const;
    QStringList keys() const;  // in the order they were first written
    int size() const { return static_cast<int>(entries_.size()); }

private:
    int indexOf(const QString& name) const;
    QList<std::pair<QString, PropertyValue>> entries_;
};

}  // namespace skiff
