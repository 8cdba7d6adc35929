#pragma once

namespace qn {

// Text drawing flags. The values are those of the Win32 DrawText flags, so a style can be
// handed to the host unchanged and code that adds DT_END_ELLIPSIS (0x8000) keeps working.
inline constexpr unsigned kTextLeft = 0x0;
inline constexpr unsigned kTextCenter = 0x1;
inline constexpr unsigned kTextRight = 0x2;
inline constexpr unsigned kTextVCenter = 0x4;
inline constexpr unsigned kTextBottom = 0x8;
inline constexpr unsigned kTextWordBreak = 0x10;
inline constexpr unsigned kTextSingleLine = 0x20;
inline constexpr unsigned kTextNoPrefix = 0x800;
inline constexpr unsigned kTextEndEllipsis = 0x8000;

inline constexpr unsigned kTextHorizontalMask = kTextCenter | kTextRight;
inline constexpr unsigned kTextVerticalMask = kTextVCenter | kTextBottom;

}  // namespace qn
