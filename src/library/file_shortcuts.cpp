// Shell links: FileCreateShortcut, Target, LinkFile [, WorkingDir, Args,
// Description, IconFile, ShortcutKey, IconNumber, RunState] writes one;
// FileGetShortcut, LinkFile [, OutTarget, OutDir, OutArgs, OutDescription,
// OutIcon, OutIconNum, OutRunState] reads one back (every output blank when
// it cannot). The shortcut key is a letter, a digit or F1 to F24, always
// with Ctrl and Alt; the run state is 1 (normal), 3 (maximised) or 7
// (minimised).
#include "library/file_patterns.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"

namespace orv {

namespace {

constexpr uint16_t kCtrlAlt = 0x0600;  // HOTKEYF_CONTROL | HOTKEYF_ALT, in the high byte
constexpr uint16_t kVirtualKeyF1 = 0x70;

// The system's hotkey for a shortcut key, 0 for none or one not known.
uint16_t hotkey_of(StringView key) {
  key = trim(key);
  if (key.size() == 1) {
    char16_t c = upper_case(key[0]);
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return uint16_t(kCtrlAlt | c);
    return 0;
  }
  if (key.size() >= 2 && upper_case(key[0]) == u'F' && numeric_type_of(key.substr(1)) == NumType::Integer) {
    int64_t n = text_to_int(key.substr(1));
    if (n >= 1 && n <= 24) return uint16_t(kCtrlAlt | (kVirtualKeyF1 + n - 1));
  }
  return 0;
}

int show_state_of(StringView text) {
  int64_t state = text_to_int(trim(text));
  return state == 3 || state == 7 ? int(state) : 1;
}

}  // namespace

Result cmd_file_create_shortcut(const ScriptLine&, ExpandedArgs& args) {
  StringView link = arg_text(args, 1);
  if (arg_text(args, 0).empty() || link.empty()) {
    platform::set_last_error(platform::ErrorInvalidParameter);
    return report_outcome(false);
  }
  platform::Shortcut s;
  s.target = String(arg_text(args, 0));
  s.working_dir = String(arg_text(args, 2));
  s.arguments = String(arg_text(args, 3));
  s.description = String(arg_text(args, 4));
  s.icon_file = String(arg_text(args, 5));
  s.hotkey = hotkey_of(arg_text(args, 6));
  int64_t icon = text_to_int(trim(arg_text(args, 7)));
  s.icon_number = icon > 0 && icon < INT32_MAX ? int(icon) : 0;
  s.show_state = show_state_of(arg_text(args, 8));
  return report_outcome(platform::create_shortcut(link, s));
}

Result cmd_file_get_shortcut(const ScriptLine&, ExpandedArgs& args) {
  auto out = [&](int i) { return i < args.count ? args.vars[i] : nullptr; };
  for (int i = 1; i <= 7; ++i)
    if (out(i) && !out(i)->assign_empty()) return ResultFailed;
  platform::Shortcut s;
  if (!platform::read_shortcut(arg_text(args, 0), s)) return report_outcome(false);
  const String icon_number = s.icon_file.empty() ? String() : utf8_to_utf16(std::to_string(s.icon_number));
  const String show_state = utf8_to_utf16(std::to_string(s.show_state));
  const String* values[] = {&s.target, &s.working_dir, &s.arguments, &s.description, &s.icon_file, &icon_number,
                            &show_state};
  for (int i = 1; i <= 7; ++i)
    if (out(i) && !out(i)->assign(*values[i - 1])) return ResultFailed;
  return report_outcome(true);
}

}  // namespace orv
