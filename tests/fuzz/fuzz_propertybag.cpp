// The property bag on any sequence of writes: a key written is read back as written (or as its
// default, which is then not stored), whatever case the key is read in; no key is held twice;
// a value read as another type converts as the host's store converts it; and a bag read and
// written into a new bag, the way a control saves what it loaded, reads back the same.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "controls/hosting/propertybag.h"

#include "fuzzcheck.h"

using namespace skiff;

namespace {

// Keys from a few letters, so that the same key comes back in other cases.
QString takeKey(FuzzedDataProvider& in) {
    static const char16_t letters[] = u"aAbB_xX\u00e9\u00c9\u00df";
    QString key;
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
        key += QChar(letters[in.ConsumeIntegralInRange<size_t>(0, std::size(letters) - 2)]);
    return key;
}

QString takeText(FuzzedDataProvider& in) {
    return QString::fromStdString(in.ConsumeRandomLengthString(24));
}

PropertyValue takeValue(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0:
            return in.ConsumeBool();
        case 1:
            return in.ConsumeIntegral<qint32>();
        case 2:
            return takeText(in);
        case 3:
            return ColorValue{in.ConsumeIntegral<quint32>()};
        case 4: {
            const QString face = takeText(in);
            const double points = in.ConsumeIntegralInRange(1, 400) / 4.0;
            return makeFont(face, points, in.ConsumeIntegralInRange(1, 1000), in.ConsumeBool());
        }
        default:
            return FontObject{};  // a font property holding no font
    }
}

// `key` with its ASCII letters in the other case.
QString otherCase(const QString& key) {
    QString out = key;
    for (QChar& c : out)
        if (c.unicode() < 128 && c.isLetter()) c = c.isUpper() ? c.toLower() : c.toUpper();
    return out;
}

void checkNoKeyTwice(const PropertyBag& bag) {
    const QStringList keys = bag.keys();
    check(keys.size() == bag.size(), "keys() lists every entry");
    for (int i = 0; i < keys.size(); ++i)
        for (int j = i + 1; j < keys.size(); ++j)
            check(keys[i].compare(keys[j], Qt::CaseInsensitive) != 0, "no key is held twice");
}

// Reading a value as each other type converts it the way the host's store does.
void checkConversions(const PropertyValue& v) {
    const bool b = toBool(v);
    const qint32 n = toInt32(v);
    const QString text = toText(v);
    const ColorValue color = toColor(v);
    (void)toFont(v);
    if (std::holds_alternative<bool>(v)) {
        check(n == (b ? -1 : 0), "True reads as -1, False as 0");
        check(toBool(text) == b, "a Boolean read as text reads back as the same Boolean");
    } else if (std::holds_alternative<qint32>(v)) {
        check(b == (n != 0), "a number reads as True when it is not 0");
        check(toInt32(text) == n, "a number read as text reads back as the same number");
        check(toInt32(color) == n, "a number read as a colour reads back as the same number");
    } else if (std::holds_alternative<ColorValue>(v)) {
        check(toColor(text) == color, "a colour read as text reads back as the same colour");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    PropertyBag bag;
    // Each key with the default it was last written with: a control reads and writes a key
    // with one default.
    QList<std::pair<QString, PropertyValue>> defaults;
    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        const QString key = takeKey(in);
        const PropertyValue value = takeValue(in);
        const PropertyValue defaultValue = in.ConsumeBool() ? value : takeValue(in);
        const PropertyBag before = bag;
        bag.WriteProperty(key, value, defaultValue);

        const bool isDefault = samePropertyValue(value, defaultValue);
        check(samePropertyValue(bag.ReadProperty(key, defaultValue), value),
              "a key reads back as written");
        check(samePropertyValue(bag.ReadProperty(otherCase(key), defaultValue), value),
              "a key reads back in any case");
        check(bag.contains(key) == !isDefault, "a value equal to its default is not stored");
        check(bag.size() == before.size() + int(bag.contains(key)) - int(before.contains(key)),
              "a write adds or removes at most its own key");
        for (const QString& other : before.keys())
            if (other.compare(key, Qt::CaseInsensitive) != 0)
                check(samePropertyValue(bag.ReadProperty(other, false),
                                        before.ReadProperty(other, false)),
                      "a write leaves the other keys alone");
        checkNoKeyTwice(bag);
        checkConversions(value);
        defaults.removeIf(
            [&](const auto& d) { return d.first.compare(key, Qt::CaseInsensitive) == 0; });
        defaults.append({key, defaultValue});
    }

    // Read every key and write it into a new bag with the same default, as a control that
    // loaded its properties saves them; the new bag reads back the same.
    PropertyBag saved;
    for (const auto& [key, defaultValue] : defaults)
        saved.WriteProperty(key, bag.ReadProperty(key, defaultValue), defaultValue);
    for (const auto& [key, defaultValue] : defaults)
        check(samePropertyValue(saved.ReadProperty(key, defaultValue),
                                bag.ReadProperty(key, defaultValue)),
              "read, write, read gives the same values");
    checkNoKeyTwice(saved);
    return 0;
}
