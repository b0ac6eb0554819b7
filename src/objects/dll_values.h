// The portable half of native calls: how a value of each type sits in an
// 8-byte argument slot, how register contents become the declared return
// type, and what a script callback's answer becomes for native code. No
// system calls here, so all of it is tested natively.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "objects/dll_types.h"

namespace orv {

// ErrorLevel after a call, besides the "0x..." of an exception.
enum class DllCallError : int8_t {
  None = 0, BadFunction = -1, BadType = -2, LibraryMissing = -3, FunctionMissing = -4,
};

// A return type: "CDecl" (any case) and blanks before the type are dropped;
// "CDecl" alone and an empty text are Int. False for an unknown type.
bool parse_return_type(StringView text, DllType& out);

// A Float goes in the low 32 bits of its slot, a Double fills it.
uint64_t float_slot(double value, DllTypeCode code);

// An integer of the type's width taken from the low bits, sign- or
// zero-extended as the "U" prefix says; 64-bit types are returned whole.
int64_t narrow_integer(uint64_t bits, DllType type);
// The low 32 bits as a float, or the whole as a double, widened.
double narrow_float(uint64_t bits, DllTypeCode code);

// How many bytes a "*" return type reads at the address it returns.
int pointed_size(DllTypeCode code);

// Text written for an unsigned 64-bit type: read as an unsigned decimal or
// 0x-hexadecimal number (so 18446744073709551615 is all bits set); false
// when it is none, and the ordinary conversion applies.
bool parse_unsigned_text(StringView text, uint64_t& out);

// What a script callback's return value becomes in RAX.
uint64_t callback_answer_from_int(int64_t value);
// Truncated toward zero; out of range (or not a number) gives the lowest
// 64-bit integer's bits.
uint64_t callback_answer_from_double(double value);
// Decimal or 0x-hexadecimal integer text, blanks and sign allowed; other
// text gives 0.
uint64_t callback_answer_from_text(StringView text);

// The ErrorLevel of an exception in the callee: "0x" and its code in
// hexadecimal (capitals, eight digits).
String exception_error_level(uint32_t code);

}  // namespace orv
