#include "windows/window_styles.h"

#include "runtime/numbers.h"
#include "windows/window_commands.h"

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
  String out = window_handle_text(style);
  for (size_t i = 2; i < out.size(); ++i)
    if (out[i] >= u'a' && out[i] <= u'f') out[i] = char16_t(out[i] - 32);
  return out;
}

bool change_style(WindowHandle w, bool extended, StringView change) {
  platform::WindowSystem& d = desktop();
  uint32_t now = extended ? d.ex_style(w) : d.style(w), wanted = 0;
  if (!changed_style(change, now, wanted)) return false;
  if (wanted == now) return true;
  d.set_style(w, extended, wanted);
  return (extended ? d.ex_style(w) : d.style(w)) != now;
}

}  // namespace orv
