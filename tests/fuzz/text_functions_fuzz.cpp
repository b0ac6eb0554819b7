// Fuzz target: the text functions that take scripts' data apart (Format,
// StrSplit, SubStr, InStr, StrReplace, the Trim family) called with fuzzed
// arguments of every kind a call can pass, and the numeric-text rule with
// the conversions that follow it. Besides surviving, results are held to
// properties that follow from the definitions: SubStr against a plain
// reading of its rule, StrSplit pieces joining back into the text, the
// numeric-text rule against a second reading of it, and the number
// conversions against the C library's.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/builtin_functions.h"
#include "objects/object_model.h"
#include "platform/posix/headless.h"
#include "runtime/calls.h"
#include "runtime/evaluator.h"
#include "runtime/numbers.h"

namespace orv {
namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "text_functions_fuzz: %s\n", what);
    abort();
  }
}

String take_text(FuzzedDataProvider& in) {
  std::string bytes = in.ConsumeRandomLengthString(64);
  // Mostly UTF-8; sometimes raw 16-bit units, lone surrogates included.
  if (!bytes.empty() && bytes[0] == '\x01') {
    String units;
    for (size_t i = 1; i + 1 < bytes.size(); i += 2) units.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    return units;
  }
  return utf8_to_utf16(bytes);
}

// The arguments of one call: their texts and objects stay alive here for
// as long as the tokens point at them.
struct Arguments {
  std::vector<String> texts;
  std::vector<ExprToken> tokens;
  std::vector<size_t> text_of;  // per token: its text, or npos
  std::vector<IObject*> objects;
  ~Arguments() {
    for (IObject* o : objects) o->release();
  }

  void add_text(String text, uint32_t symbol) {
    texts.push_back(std::move(text));
    ExprToken t{};
    t.symbol = symbol;
    t.length = uint32_t(texts.back().size());
    tokens.push_back(t);
    text_of.push_back(texts.size() - 1);
  }

  void add(FuzzedDataProvider& in) {
    ExprToken t{};
    switch (in.ConsumeIntegralInRange(0, 6)) {
      case 0: add_text(take_text(in), SymString); return;
      case 1: add_text(take_text(in), SymOperand); return;
      case 2:
        t.symbol = SymInteger;
        // Small values mostly, the ends of the range sometimes.
        t.integer = in.ConsumeBool() ? in.ConsumeIntegralInRange<int64_t>(-70, 70) : in.ConsumeIntegral<int64_t>();
        break;
      case 3: {
        t.symbol = SymFloat;
        t.number = in.ConsumeFloatingPoint<double>();
        break;
      }
      case 4: t.symbol = SymMissing; break;
      case 5: {
        // An array of texts and numbers, as StrSplit's delimiter list.
        Object* array = Object::create();
        check(array != nullptr, "no memory for an array");
        int n = in.ConsumeIntegralInRange(0, 4);
        for (int i = 1; i <= n; ++i) {
          String text = take_text(in);
          ExprToken item{};
          item.symbol = SymString;
          item.text = text.c_str();
          item.length = uint32_t(text.size());
          if (in.ConsumeBool()) item.symbol = SymInteger, item.integer = in.ConsumeIntegral<int8_t>();
          (void)array->set_raw(int64_t(i), item);
        }
        objects.push_back(array);
        t.symbol = SymObject;
        t.object = array;
        break;
      }
      default: add_text(String(), SymString); return;
    }
    tokens.push_back(t);
    text_of.push_back(String::npos);
  }

  // Tokens are pointed at their texts only once all are stored, since the
  // vector of texts moves while it grows.
  ExprToken* finish() {
    for (size_t i = 0; i < tokens.size(); ++i)
      if (text_of[i] != String::npos) tokens[i].text = texts[text_of[i]].c_str();
    return tokens.data();
  }
};

StringView result_text(const ExprToken& r) {
  check(r.symbol == SymString || r.symbol == SymOperand, "a text function gave no text");
  return StringView(r.text, r.length);
}

// SubStr as its definition reads, in arithmetic that cannot overflow.
String substr_by_rule(StringView s, __int128 pos, bool has_length, __int128 length) {
  __int128 len = __int128(s.size());
  __int128 start = pos - 1;
  if (start >= len) return String();
  if (start < 0) {
    start += len;
    if (start < 0) start = 0;
  }
  __int128 remain = len - start, count = remain;
  if (has_length) {
    count = length < 0 ? remain + length : length;
    if (count <= 0) return String();
    if (count > remain) count = remain;
  }
  return String(s.substr(size_t(start), size_t(count)));
}

// The numeric-text rule read a second way: trim, then take the sign, then
// either a hexadecimal body or a mantissa and an optional exponent.
NumType numeric_by_rule(StringView text, bool allow_negative, bool allow_empty, bool allow_float) {
  size_t a = 0, b = text.size();
  while (a < b && is_blank(text[a])) ++a;
  while (b > a && is_blank(text[b - 1])) --b;
  StringView core = text.substr(a, b - a);
  if (core.empty()) return allow_empty ? NumType::Integer : NumType::NotNumeric;
  if (core[0] == u'-' && !allow_negative) return NumType::NotNumeric;
  if (core[0] == u'-' || core[0] == u'+') core.remove_prefix(1);
  auto digits = [](StringView s) {
    if (s.empty()) return false;
    for (char16_t c : s)
      if (c < u'0' || c > u'9') return false;
    return true;
  };
  if (core.size() >= 2 && core[0] == u'0' && (core[1] == u'x' || core[1] == u'X')) {
    StringView hex = core.substr(2);
    if (hex.empty()) return NumType::NotNumeric;
    for (char16_t c : hex)
      if (hex_digit_value(c) < 0) return NumType::NotNumeric;
    return NumType::Integer;
  }
  size_t e = core.find_first_of(u"eE");
  StringView mantissa = core.substr(0, e);
  size_t point = mantissa.find(u'.');
  bool has_point = point != StringView::npos;
  if (has_point) {
    StringView whole = mantissa.substr(0, point), fraction = mantissa.substr(point + 1);
    if (!(digits(whole) || whole.empty()) || !(digits(fraction) || fraction.empty())) return NumType::NotNumeric;
    if (whole.empty() && fraction.empty()) return NumType::NotNumeric;
  } else if (!digits(mantissa)) {
    return NumType::NotNumeric;
  }
  if (e != StringView::npos) {
    if (!has_point) return NumType::NotNumeric;
    StringView exponent = core.substr(e + 1);
    if (!exponent.empty() && (exponent[0] == u'+' || exponent[0] == u'-')) exponent.remove_prefix(1);
    if (!digits(exponent)) return NumType::NotNumeric;
  }
  if (!has_point) return NumType::Integer;
  return allow_float ? NumType::Float : NumType::NotNumeric;
}

void numeric_text(FuzzedDataProvider& in) {
  bool allow_negative = in.ConsumeBool(), allow_empty = in.ConsumeBool(), allow_float = in.ConsumeBool();
  String text = take_text(in);
  uint8_t rule = (allow_negative ? 0 : NumericNoNegative) | (allow_empty ? NumericEmptyIsZero : 0) |
                 (allow_float ? 0 : NumericIntegerOnly);
  NumType type = numeric_type_of(text, rule);
  check(type == numeric_by_rule(text, allow_negative, allow_empty, allow_float), "numeric-text rule disagrees");
  int64_t i = text_to_int(text);
  double d = text_to_double(text);
  (void)double_to_int(d);
  if (numeric_type_of(text) == NumType::NotNumeric) return;
  // Numeric text is ASCII: the C library can read it too.
  std::string ascii = utf16_to_utf8(text);
  size_t x = ascii.find_first_of("xX");
  if (x == std::string::npos) {
    check(i == strtoll(ascii.c_str(), nullptr, 10), "integer reading differs from strtoll");
    double expect = strtod(ascii.c_str(), nullptr);
    check(d == expect || (std::isnan(d) && std::isnan(expect)), "float reading differs from strtod");
  } else if (ascii.size() - x <= 17) {
    // Up to 16 hexadecimal digits the 64-bit pattern is exact.
    check(i == int64_t(strtoull(ascii.c_str(), nullptr, 16)), "hexadecimal reading differs from strtoull");
    check(d == double(i), "hexadecimal float reading differs");
  }
}

struct TextFunction {
  const char16_t* name;
  BuiltinRoutine routine;
  int min, max;
};

const TextFunction kFunctions[] = {
    {u"Format", builtin_format, 1, 12},   {u"StrSplit", builtin_strsplit, 1, 3}, {u"SubStr", builtin_substr, 2, 3},
    {u"InStr", builtin_instr, 2, 5},      {u"StrReplace", builtin_strreplace, 2, 5},
    {u"Trim", builtin_trim, 1, 2},        {u"LTrim", builtin_trim, 1, 2},        {u"RTrim", builtin_trim, 1, 2},
};

void call(FuzzedDataProvider& in) {
  const TextFunction& fn = kFunctions[in.ConsumeIntegralInRange<size_t>(0, std::size(kFunctions) - 1)];
  Func func(fn.name, FuncKind::Builtin);
  func.routine = fn.routine;
  Arguments arguments;
  int argc = in.ConsumeIntegralInRange(fn.min, fn.max);
  for (int i = 0; i < argc; ++i) arguments.add(in);
  ExprToken* args = arguments.finish();

  TempArena::Mark mark = temp_arena().mark();
  ExprToken result{};
  result.symbol = SymString;
  result.text = u"";
  Result r = fn.routine(func, result, args, argc);
  check(r == ResultDone, "a text function failed on its arguments");
  char16_t b0[256];
  if (fn.routine == builtin_substr) {
    StringView s = token_to_text(args[0], b0);
    bool has_length = argc > 2 && args[2].symbol != SymMissing;
    String expect = substr_by_rule(s, token_to_int(args[1]), has_length, has_length ? token_to_int(args[2]) : 0);
    check(result_text(result) == expect, "SubStr differs from its rule");
  } else if (fn.routine == builtin_strsplit) {
    check(result.symbol == SymObject, "StrSplit gave no array");
    auto* array = static_cast<Object*>(result.object);
    // With one text delimiter and nothing to omit, the pieces joined by the
    // delimiter are the text again. (Fields hold zero-terminated text, so
    // only a text without zero characters comes back whole.)
    bool plain = argc >= 2 && (args[1].symbol == SymString || args[1].symbol == SymOperand) && args[1].length > 0 &&
                 (argc < 3 || args[2].symbol == SymMissing);
    char16_t b1[256];
    StringView s = token_to_text(args[0], b0), d = plain ? token_to_text(args[1], b1) : StringView();
    if (plain && s.find(u'\0') == StringView::npos && d.find(u'\0') == StringView::npos) {
      String joined;
      ObjectKey key;
      key.kind = KeyKind::Integer;
      for (key.integer = 1; ObjectField* f = array->find(key); ++key.integer) {
        if (key.integer > 1) joined += d;
        joined += f->text_view();
      }
      check(joined == s, "StrSplit pieces do not join back into the text");
    }
    array->release();
  } else if (fn.routine == builtin_instr) {
    check(result.symbol == SymInteger, "InStr gave no position");
  } else {
    (void)result_text(result);
  }
  temp_arena().release(mark);
}

}  // namespace
}  // namespace orv

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orv::platform::discard_output(true);
  orv::platform::confine(0);
  orv::install_object_model();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeIntegralInRange(0, 3) == 0) orv::numeric_text(in);
  else orv::call(in);
  return 0;
}
