// Values in structure memory: the numbers, bit fields and characters of a
// member turned into script values and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/result.h"
#include "objects/struct_layout.h"
#include "runtime/value.h"

namespace orv {

// A pointer member reads as its 8-byte address; 8-byte unsigned values
// beyond the signed range keep their bits.
ExprToken read_member_number(const StructField& f, const uint8_t* at);
// Numbers are truncated to the member's size (or bits); floats stored into
// integer members lose their fraction.
void write_member_number(const StructField& f, uint8_t* at, const ExprToken& value);

// Text of `encoding` in at most `bytes` bytes at `at`, up to a terminator.
Result read_member_text(int encoding, const uint8_t* at, size_t bytes, ExprToken& result);
// The characters of `text` as the encoding stores them, without terminator.
std::string encode_member_text(int encoding, StringView text);
inline size_t char_size(int encoding) { return encoding == kEncodingUtf16 ? 2 : 1; }

}  // namespace orv
