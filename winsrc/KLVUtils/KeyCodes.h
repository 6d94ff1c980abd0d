#pragma once

#include <Qt>

namespace klvutils {

// Translates Qt's keys into the Windows key codes and shift states that the component's
// KeyPressed event carries, so callers written for those codes (F1 = 112) work unchanged.
class KeyCodes
{
public:
    static constexpr int F1 = 112;
    static constexpr int F16 = 127;

    // The Windows virtual-key code of a Qt key, 0 for keys without one.
    static int virtualKey(int qtKey);

    // 1 Shift, 2 Ctrl, 4 Alt, added up.
    static int shiftState(Qt::KeyboardModifiers modifiers);
};

} // namespace klvutils
