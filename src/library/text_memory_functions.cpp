// StrGet and StrPut: text at raw addresses, either in the program's own
// UTF-16 or converted to and from a code page.
#include <cstdlib>
#include <cstring>

#include "runtime/builtin_functions.h"
#include "objects/encoding_names.h"
#include "platform/platform.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"

namespace orv {

namespace {

// Lower addresses are never valid memory; a script passing one has passed
// something that is no address.
constexpr uintptr_t kLowestAddress = 0x10000;

bool is_number(const ExprToken& t) { return token_numeric_type(t) != NumType::NotNumeric; }

// The code page an Encoding parameter names; false when it names none.
bool code_page_of(const ExprToken& t, uint32_t& code_page) {
  if (t.symbol == SymInteger || t.symbol == SymFloat) {
    int64_t n = token_to_int(t);
    if (n < 0 || n > int64_t(UINT32_MAX)) return false;
    code_page = uint32_t(n);
    return true;
  }
  char16_t buf[256];
  return parse_encoding_name(token_to_text(t, buf), kCodePageUtf16, code_page);
}

// Length and Encoding after a leading parameter: a Length that is no number
// is the Encoding, with no Length.
struct LengthAndEncoding {
  bool has_length = false;
  int64_t length = 0;
  const ExprToken* encoding = nullptr;
};

LengthAndEncoding length_and_encoding(ExprToken* args, int argc, int first) {
  LengthAndEncoding r;
  if (arg_given(args, argc, first)) {
    if (is_number(args[first])) {
      r.has_length = true;
      r.length = token_to_int(args[first]);
    } else {
      r.encoding = &args[first];
      return r;
    }
  }
  if (arg_given(args, argc, first + 1)) r.encoding = &args[first + 1];
  return r;
}

// How many leading units of `text` to write so that they fill at most
// `room` units of the code page, without splitting a character; `bytes`
// receives their conversion.
size_t units_that_fit(StringView text, uint32_t code_page, size_t room, std::string& bytes) {
  auto whole_chars = [&](size_t n) { return n > 0 && n < text.size() && is_high_surrogate(text[n - 1]) ? n - 1 : n; };
  if (code_page == kCodePageUtf16) return whole_chars(room < text.size() ? room : text.size());
  // Conversions only grow with the text, so the longest prefix that fits
  // can be bisected.
  size_t lo = 0, hi = text.size();
  std::string probe;
  while (lo < hi) {
    size_t mid = lo + (hi - lo + 1) / 2;
    size_t cut = whole_chars(mid);
    bool fits = cut == 0 || (platform::text_to_code_page(text.substr(0, cut), code_page, probe) && probe.size() <= room);
    if (fits) lo = mid;
    else hi = mid - 1;
  }
  size_t cut = whole_chars(lo);
  bytes.clear();
  if (cut > 0) platform::text_to_code_page(text.substr(0, cut), code_page, bytes);
  return cut;
}

bool ranges_overlap(uintptr_t a, size_t a_size, uintptr_t b, size_t b_size) { return a < b + b_size && b < a + a_size; }

Result empty_result(ExprToken& result) { return temp_text_token(StringView(), SymString, result); }

}  // namespace

Result builtin_strput(Func&, ExprToken& result, ExprToken* args, int argc) {
  // StrPut(String [, Target [, Length]] [, Encoding]): a Target that is no
  // number is the Encoding.
  char16_t buf[256];
  StringView text = token_to_text(args[0], buf);
  bool has_target = false;
  uintptr_t target = 0;
  LengthAndEncoding rest;
  if (arg_given(args, argc, 1) && !is_number(args[1])) {
    rest.encoding = &args[1];
  } else {
    if (arg_given(args, argc, 1)) {
      has_target = true;
      target = uintptr_t(token_to_int(args[1]));
    }
    rest = length_and_encoding(args, argc, 2);
  }
  uint32_t code_page = kCodePageUtf16;
  if (rest.encoding && !code_page_of(*rest.encoding, code_page)) return empty_result(result);
  if (rest.has_length && (rest.length == 0 || rest.length < -1)) return empty_result(result);

  size_t unit = code_page == kCodePageUtf16 ? 2 : 1;
  std::string bytes;
  if (code_page != kCodePageUtf16 && !platform::text_to_code_page(text, code_page, bytes)) return empty_result(result);
  size_t text_units = code_page == kCodePageUtf16 ? text.size() : bytes.size();
  if (!has_target) {
    result = int_token(int64_t(text_units + 1));
    return ResultDone;
  }
  if (target < kLowestAddress || !platform::foreign_memory_allowed()) return empty_result(result);

  // A Length too small for the text and its terminator takes as many whole
  // characters as fit, without a terminator.
  size_t units = text_units, text_taken = text.size();
  bool terminate = true;
  if (rest.has_length && rest.length > 0 && uint64_t(rest.length) < text_units + 1) {
    text_taken = units_that_fit(text, code_page, size_t(rest.length), bytes);
    units = code_page == kCodePageUtf16 ? text_taken : bytes.size();
    terminate = false;
  }
  size_t write_units = units + (terminate ? 1 : 0);
  if (ranges_overlap(target, write_units * unit, reinterpret_cast<uintptr_t>(text.data()), (text.size() + 1) * 2))
    return empty_result(result);
  char* dest = reinterpret_cast<char*>(target);
  if (code_page == kCodePageUtf16) std::memcpy(dest, text.data(), text_taken * 2);
  else std::memcpy(dest, bytes.data(), units);
  if (terminate) std::memset(dest + units * unit, 0, unit);
  result = int_token(int64_t(write_units));
  return ResultDone;
}

Result builtin_strget(Func&, ExprToken& result, ExprToken* args, int argc) {
  // StrGet(Address [, Length] [, Encoding]): a Length that is no number is
  // the Encoding.
  uintptr_t address = uintptr_t(token_to_int(args[0]));
  LengthAndEncoding rest = length_and_encoding(args, argc, 1);
  uint32_t code_page = kCodePageUtf16;
  if (rest.encoding && !code_page_of(*rest.encoding, code_page)) return empty_result(result);
  if (address < kLowestAddress || !platform::foreign_memory_allowed()) return empty_result(result);
  const char* source = reinterpret_cast<const char*>(address);
  size_t unit = code_page == kCodePageUtf16 ? 2 : 1;
  size_t count = 0;  // in units of the encoding
  if (rest.has_length) {
    // Exactly that many units, zeros and all; a negative Length counts the same.
    count = size_t(std::llabs(rest.length));
    // No variable could hold more; such a length is no length of any text.
    if (count > g_var_settings.memory_limit / unit) return empty_result(result);
  } else {
    static const char kZero[2] = {0, 0};
    while (std::memcmp(source + count * unit, kZero, unit) != 0) ++count;
  }
  String text;
  if (code_page == kCodePageUtf16) {
    text.resize(count);
    std::memcpy(text.data(), source, count * 2);
  } else if (!platform::code_page_to_text(std::string_view(source, count), code_page, text)) {
    return empty_result(result);
  }
  if (rest.has_length && !text.empty() && text.back() == 0) text.pop_back();
  return temp_text_token(text, SymString, result);
}

}  // namespace orv
