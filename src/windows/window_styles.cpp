#include "windows/window_styles.h"

#include "runtime/numbers.h"

namespace orv {

bool changed_style(StringView change, uint32_t current, uint32_t& out) {
  change = trim(change);
  char16_t op = change.empty() ? u'\0' : change[0];
  bool prefixed = op == u'+' || op == u'-' || op == u'^';
  uint64_t n = 0;
  if (!parse_unsigned_digits(trim(prefixed ? change.substr(1) : change), 0xFFFFFFFFull, n)) return false;
  uint32_t bits = uint32_t(n);
  out = op == u'+' ? current | bits : op == u'-' ? current & ~bits : op == u'^' ? current ^ bits : bits;
  return true;
}

String style_text(uint32_t style) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  String digits;
  do {
    digits.insert(digits.begin(), kDigits[style & 0xF]);
    style >>= 4;
  } while (style);
  return u"0x" + digits;
}

}  // namespace orv
