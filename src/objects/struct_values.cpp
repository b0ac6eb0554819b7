#include "objects/struct_values.h"

#include <cstring>

#include "platform/platform.h"
#include "runtime/evaluator.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

size_t stored_size(const StructField& f) { return f.pointer_depth || f.type.is_text_pointer ? 8 : f.size; }

uint64_t load(const uint8_t* at, size_t size) {
  uint64_t raw = 0;
  std::memcpy(&raw, at, size);  // little-endian: the low bytes
  return raw;
}

int64_t integer_of(const ExprToken& value) {
  if (token_numeric_type(value) == NumType::Float) return double_to_int(token_to_double(value));
  return token_to_int(value);
}

}  // namespace

ExprToken read_member_number(const StructField& f, const uint8_t* at) {
  size_t size = stored_size(f);
  if (f.type.is_float && size == f.size && !f.pointer_depth) {
    if (size == 4) {
      float value;
      std::memcpy(&value, at, 4);
      return double_token(value);
    }
    double value;
    std::memcpy(&value, at, 8);
    return double_token(value);
  }
  uint64_t raw = load(at, size);
  unsigned bits = unsigned(size * 8);
  if (f.bit_width) {
    raw = (raw >> f.bit_position) & (f.bit_width == 64 ? ~0ull : (1ull << f.bit_width) - 1);
    bits = f.bit_width;
  }
  bool is_signed = !f.type.is_unsigned && !f.pointer_depth;
  if (is_signed && bits < 64) {
    unsigned shift = 64 - bits;
    return int_token(int64_t(raw << shift) >> shift);
  }
  return int_token(int64_t(raw));
}

void write_member_number(const StructField& f, uint8_t* at, const ExprToken& value) {
  size_t size = stored_size(f);
  if (f.type.is_float && size == f.size && !f.pointer_depth) {
    double d = token_to_double(value);
    if (size == 4) {
      float single = float(d);
      std::memcpy(at, &single, 4);
    } else {
      std::memcpy(at, &d, 8);
    }
    return;
  }
  uint64_t raw = uint64_t(integer_of(value));
  if (f.bit_width) {
    uint64_t mask = (f.bit_width == 64 ? ~0ull : (1ull << f.bit_width) - 1) << f.bit_position;
    raw = (load(at, size) & ~mask) | ((raw << f.bit_position) & mask);
  }
  std::memcpy(at, &raw, size);
}

Result read_member_text(int encoding, const uint8_t* at, size_t bytes, ExprToken& result) {
  if (encoding == kEncodingUtf16) {
    size_t n = 0, most = bytes / 2;
    char16_t c;
    while (n < most && (std::memcpy(&c, at + 2 * n, 2), c)) ++n;
    char16_t* copy = temp_arena().allocate(n + 1);
    if (!copy) return ResultFailed;
    std::memcpy(copy, at, n * 2);
    copy[n] = 0;
    result = text_token(StringView(copy, n));
    return ResultDone;
  }
  size_t n = 0;
  while (n < bytes && at[n]) ++n;
  String text;
  platform::code_page_to_text(std::string_view(reinterpret_cast<const char*>(at), n), 0, text);
  return temp_text_token(text, SymString, result);
}

std::string encode_member_text(int encoding, StringView text) {
  if (encoding == kEncodingUtf16) return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  std::string bytes;
  platform::text_to_code_page(text, 0, bytes);
  return bytes;
}

}  // namespace orv
