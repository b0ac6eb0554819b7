// Format("{1:05d} {2}", ...): placeholders take the values after the format
// string, by index or in turn, with printf-style specs.
#include <cstdio>
#include <string>

#include "runtime/builtin_functions.h"
#include "library/letter_case.h"
#include "runtime/evaluator.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"

namespace orv {

namespace {

constexpr size_t kMaxSpec = 51;

// Formats one value by its spec ("-+0 #" flags, width, precision, type).
String format_value(const ExprToken& value, StringView spec) {
  // Flags, width and precision become a printf pattern; the letter after
  // them decides the conversion.
  std::string flags;
  size_t i = 0;
  while (i < spec.size() && StringView(u"-+0 #").find(spec[i]) != StringView::npos) flags.push_back(char(spec[i++]));
  std::string width;
  while (i < spec.size() && spec[i] >= u'0' && spec[i] <= u'9' && width.size() < 4) width.push_back(char(spec[i++]));
  std::string precision;
  if (i < spec.size() && spec[i] == u'.') {
    precision.push_back('.');
    ++i;
    while (i < spec.size() && spec[i] >= u'0' && spec[i] <= u'9' && precision.size() < 5) precision.push_back(char(spec[i++]));
  }
  char16_t type = i < spec.size() ? spec[i] : u's';
  char buf[1024];
  std::string pattern = "%" + flags + width + precision;
  char16_t textbuf[256];
  if (StringView(u"diouxX").find(type) != StringView::npos) {
    int64_t v = token_to_int(value);
    pattern += std::string("ll") + char(type);
    snprintf(buf, sizeof buf, pattern.c_str(), (long long)v);
    return utf8_to_utf16(buf);
  }
  if (StringView(u"eEfgGaA").find(type) != StringView::npos) {
    pattern += char(type);
    snprintf(buf, sizeof buf, pattern.c_str(), token_to_double(value));
    return utf8_to_utf16(buf);
  }
  if (type == u'c' || type == u'C') {
    String one(1, char16_t(token_to_int(value)));
    return one;
  }
  if (type == u'p') {
    snprintf(buf, sizeof buf, "%016llX", (unsigned long long)token_to_int(value));
    return utf8_to_utf16(buf);
  }
  // Text, with an optional case conversion.
  String text(token_to_text(value, textbuf));
  if (!precision.empty()) {
    size_t max = size_t(std::atoi(precision.c_str() + 1));
    if (text.size() > max) text.resize(max);
  }
  char16_t conv = upper_case(type);
  if (conv == u'U') make_upper(text);
  else if (conv == u'L') make_lower(text);
  else if (conv == u'T') make_title(text);
  size_t w = width.empty() ? 0 : size_t(std::atoi(width.c_str()));
  if (text.size() < w) {
    bool left = flags.find('-') != std::string::npos;
    String pad(w - text.size(), flags.find('0') != std::string::npos && !left ? u'0' : u' ');
    text = left ? text + pad : pad + text;
  }
  return text;
}

}  // namespace

Result builtin_format(Func&, ExprToken& result, ExprToken* args, int argc) {
  char16_t buf[256];
  String fmt(token_to_text(args[0], buf));
  String out;
  int64_t next = 1;
  for (size_t i = 0; i < fmt.size(); ++i) {
    char16_t c = fmt[i];
    if (c == u'{') {
      if (fmt.compare(i, 3, u"{{}") == 0) {
        out.push_back(u'{');
        i += 2;
        continue;
      }
      if (fmt.compare(i, 3, u"{}}") == 0) {
        out.push_back(u'}');
        i += 2;
        continue;
      }
      size_t close = fmt.find(u'}', i + 1);
      if (close != String::npos && close - i - 1 <= kMaxSpec + 12) {
        StringView inner = StringView(fmt).substr(i + 1, close - i - 1);
        size_t colon = inner.find(u':');
        StringView index_text = inner.substr(0, colon);
        StringView spec = colon == StringView::npos ? StringView() : inner.substr(colon + 1);
        bool valid = spec.size() <= kMaxSpec;
        int64_t index = next;
        if (!index_text.empty()) {
          NumType t = numeric_type_of(index_text, NumericNoNegative | NumericIntegerOnly);
          if (t != NumType::Integer) valid = false;
          else index = text_to_int(index_text);
        }
        if (valid) {
          if (index >= 1 && index < argc && args[index].symbol != SymMissing) out += format_value(args[index], spec);
          if (over_memory_limit(out.size() + 1)) return report_memory_limit();
          // An index past the values leaves the next placeholder past them too.
          next = index < argc ? index + 1 : argc;
          i = close;
          continue;
        }
      }
    }
    out.push_back(c);
  }
  return temp_text_token(out, SymString, result);
}

}  // namespace orv
