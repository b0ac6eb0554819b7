// The argument and return types of calls into native code, by name.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

// The codes the marshalling of a call switches on.
enum class DllTypeCode : uint8_t {
  Invalid = 0, AStr = 1, Int = 2, Short = 3, Char = 4, Int64 = 5, Float = 6, Double = 7, Str = 8,
};

struct DllType {
  DllTypeCode code = DllTypeCode::Invalid;
  bool by_address = false;  // "*", "p" or "P" after the name
  bool is_unsigned = false;  // a leading "U"

  bool is_text() const { return code == DllTypeCode::AStr || code == DllTypeCode::Str; }
  bool is_float() const { return code == DllTypeCode::Float || code == DllTypeCode::Double; }
};

// Reads a type name such as "Int", "UInt*", "PtrP", "Str" or a one-letter
// form ("I", "T", "S" ...). Case is ignored. False for anything else.
bool parse_dll_type(StringView name, DllType& out);

// The number types of NumGet and NumPut and of the file object's Read and
// Write methods: "UInt", "Short", "Int64", "Ptr", "Float", "Double" ...;
// the first letter after an optional U decides, and an I type whose name
// holds a 6 is 64-bit.
struct NumberType {
  int size = 8;
  bool is_unsigned = false;
  bool is_float = false;
};
// False for an empty name or a letter none of C, S, I, P, F, D; `out` is
// then left as it was.
bool parse_number_type(StringView name, NumberType& out);

}  // namespace orv
