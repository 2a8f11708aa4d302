#include "controls/hosting/propertybag.h"

namespace skiff {

bool samePropertyValue(const PropertyValue& a, const PropertyValue& b) {
    if (a.index() != b.index()) return false;
    if (const auto* fa = std::get_if<FontObject>(&a)) return sameFont(*fa, std::get<FontObject>(b));
    return a == b;
}

bool toBool(const PropertyValue& v) {
    return std::visit(
        [](const auto& x) -> bool {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, bool>)
                return x;
            else if constexpr (std::is_same_v<T, qint32>)
                return x != 0;
            else if constexpr (std::is_same_v<T, QString>) {
                const QString t = x.trimmed().toLower();
                bool ok = false;
                const double n = t.toDouble(&ok);
                return ok ? n != 0 : t == QLatin1String("true");
            } else if constexpr (std::is_same_v<T, ColorValue>)
                return x.value != 0;
            else
                return static_cast<bool>(x);
        },
        v);
}

qint32 toInt32(const PropertyValue& v) {
    return std::visit(
        [](const auto& x) -> qint32 {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, bool>)
                return x ? -1 : 0;
            else if constexpr (std::is_same_v<T, qint32>)
                return x;
            else if constexpr (std::is_same_v<T, QString>)
                return x.trimmed().toInt();
            else if constexpr (std::is_same_v<T, ColorValue>)
                return static_cast<qint32>(x.value);
            else
                return 0;
        },
        v);
}

QString toText(const PropertyValue& v) {
    return std::visit(
        [](const auto& x) -> QString {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, bool>)
                return x ? QStringLiteral("True") : QStringLiteral("False");
            else if constexpr (std::is_same_v<T, qint32>)
                return QString::number(x);
            else if constexpr (std::is_same_v<T, QString>)
                return x;
            else if constexpr (std::is_same_v<T, ColorValue>)
                return QString::number(x.value);
            else
                return x ? x->family() : QString();
        },
        v);
}

ColorValue toColor(const PropertyValue& v) {
    if (const auto* c = std::get_if<ColorValue>(&v)) return *c;
    if (const auto* s = std::get_if<QString>(&v)) return ColorValue{s->trimmed().toUInt()};
    return ColorValue{static_cast<quint32>(toInt32(v))};
}

FontObject toFont(const PropertyValue& v) {
    if (const auto* f = std::get_if<FontObject>(&v)) return *f;
    return nullptr;
}

PropertyBag::PropertyBag(std::initializer_list<std::pair<QString, PropertyValue>> entries) {
    for (const auto& [name, value] : entries) {
        const int i = indexOf(name);
        if (i < 0)
            entries_.append({name, value});
        else
            entries_[i].second = value;
    }
}

int PropertyBag::indexOf(const QString& name) const {
    for (int i = 0; i < entries_.size(); ++i)
        if (entries_[i].first.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

PropertyValue PropertyBag::ReadProperty(const QString& name,
                                        const PropertyValue& defaultValue) const {
    const int i = indexOf(name);
    return i < 0 ? defaultValue : entries_[i].second;
}

void PropertyBag::WriteProperty(const QString& name, const PropertyValue& value,
                                const PropertyValue& defaultValue) {
    const int i = indexOf(name);
    if (samePropertyValue(value, defaultValue)) {
        if (i >= 0) entries_.removeAt(i);
        return;
    }
    if (i < 0)
        entries_.append({name, value});
    else
        entries_[i].second = value;
}

bool PropertyBag::contains(const QString& name) const {
    return indexOf(name) >= 0;
}

QStringList PropertyBag::keys() const {
    QStringList out;
    for (const auto& e : entries_) out << e.first;
    return out;
}

}  // namespace skiff
