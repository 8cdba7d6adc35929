#pragma once

#include <cstdint>
#include <optional>

#include "ui/geometry.h"

namespace qn {

// Key codes as the window system numbers them (virtual keys), so the host passes them on.
inline constexpr int kKeyBack = 0x08;
inline constexpr int kKeyTab = 0x09;
inline constexpr int kKeyReturn = 0x0D;
inline constexpr int kKeyEscape = 0x1B;
inline constexpr int kKeySpace = 0x20;
inline constexpr int kKeyPageUp = 0x21;
inline constexpr int kKeyPageDown = 0x22;
inline constexpr int kKeyEnd = 0x23;
inline constexpr int kKeyHome = 0x24;
inline constexpr int kKeyLeft = 0x25;
inline constexpr int kKeyUp = 0x26;
inline constexpr int kKeyRight = 0x27;
inline constexpr int kKeyDown = 0x28;
inline constexpr int kKeyF4 = 0x73;

// Letters and digits: what type-ahead and caption shortcuts answer to.
inline constexpr bool IsLetterOrDigitKey(int key) {
    return (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
}

inline constexpr unsigned kModShift = 1;
inline constexpr unsigned kModControl = 2;
inline constexpr unsigned kModAlt = 4;

enum class UiEventType {
    MouseEnter,
    MouseLeave,
    MouseMove,
    ButtonDown,
    ButtonUp,
    DoubleClick,
    Wheel,
    KeyDown,
    SetFocus,
    KillFocus,
};

struct UiEvent {
    UiEventType type = UiEventType::MouseMove;
    UiPoint pt;
    int key = 0;         // KeyDown
    int wheelDelta = 0;  // Wheel: positive away from the user, 120 per notch
    unsigned modifiers = 0;
    // KeyDown: when the key was pressed, in milliseconds of any clock that only moves on; none
    // when the host cannot tell.
    std::optional<std::uint32_t> time;
};

inline UiEvent MakeEvent(UiEventType type, UiPoint pt = {}, int key = 0, int wheelDelta = 0,
                         unsigned modifiers = 0) {
    return UiEvent{type, pt, key, wheelDelta, modifiers, std::nullopt};
}

}  // namespace qn
