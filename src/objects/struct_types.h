// The Windows type names a structure definition may use, with their sizes
// on x64 and how their values are read: as characters of an encoding, as
// floating-point numbers, or as signed or unsigned integers.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

inline constexpr int kNoEncoding = -1;
inline constexpr int kEncodingAnsi = 0;
inline constexpr int kEncodingUtf16 = 1200;

struct StructType {
  int size = 0;  // 0: not a type name (the name may be a nested definition)
  bool is_float = false;
  bool is_unsigned = true;
  int encoding = kNoEncoding;
  // LPTSTR and its kin: a pointer to text, though written without a star.
  bool is_text_pointer = false;
};

// Names compare case-insensitively as whole words.
StructType find_struct_type(StringView name);

// The type of a member written without one.
inline constexpr const char16_t* kDefaultMemberType = u"UInt";

}  // namespace orv
