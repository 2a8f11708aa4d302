#include "engine/reservedkeys.h"

#include <algorithm>
#include <iterator>

namespace skiff {

namespace {

struct ReservedKey {
    QKeyCombination key;
    bool whileLoadingOnly = false;
};

// The address box, closing, quitting and the way back out of a page.
constexpr ReservedKey kReservedKeys[] = {
    {Qt::CTRL | Qt::Key_L},    {Qt::ALT | Qt::Key_D},    {QKeyCombination(Qt::Key_F6)},
    {Qt::CTRL | Qt::Key_W},    {Qt::CTRL | Qt::Key_Q},   {Qt::ALT | Qt::Key_Left},
    {Qt::ALT | Qt::Key_Right}, {Qt::ALT | Qt::Key_Home}, {QKeyCombination(Qt::Key_Escape), true},
};

}  // namespace

bool browserKeepsKey(QKeyCombination key, bool pageLoading) {
    // The keypad's keys count as the same keys.
    constexpr Qt::KeyboardModifiers kHeld =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const QKeyCombination pressed(key.keyboardModifiers() & kHeld, key.key());
    return std::any_of(
        std::begin(kReservedKeys), std::end(kReservedKeys), [&](const ReservedKey& reserved) {
            return reserved.key == pressed && (pageLoading || !reserved.whileLoadingOnly);
        });
}

}  // namespace skiff
