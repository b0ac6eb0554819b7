// Code page numbers the program names itself, as Windows numbers them.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr uint32_t kCodePageUtf16 = 1200;
inline constexpr uint32_t kCodePageUtf8 = 65001;
// Added to a file encoding for the UTF-8-RAW and UTF-16-RAW forms, which
// write no byte-order mark.
inline constexpr uint32_t kEncodingNoBom = 0x10000;

}  // namespace orv
