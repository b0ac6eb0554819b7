// The directive table: lines beginning with "#" that set how the rest of the
// script is read and how the program behaves.
#include "base/messages.h"
#include "input/key_names.h"
#include "parser/escapes.h"
#include "runtime/errors.h"
#include "startup/dll_import_directive.h"
#include "startup/script_reader.h"

namespace orv {

namespace {

// Leading decimal digits as a number (0 when there are none), the way
// directive counts have always been read.
int64_t leading_number(StringView s) {
  s = trim(s);
  bool neg = !s.empty() && s[0] == u'-';
  if (!s.empty() && (s[0] == u'-' || s[0] == u'+')) s.remove_prefix(1);
  int64_t v = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') break;
    if (v < 1000000000) v = v * 10 + (c - u'0');
  }
  return neg ? -v : v;
}

int clamp(int64_t v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : int(v); }

bool is_off(StringView arg) { return equals_ignore_case(trim(arg), u"Off"); }

// Finds the first delimiter not preceded by the escape character.
size_t find_unescaped(StringView s, char16_t c, char16_t escape, size_t from = 0) {
  for (size_t i = from; i < s.size(); ++i) {
    if (s[i] == escape) { ++i; continue; }
    if (s[i] == c) return i;
  }
  return StringView::npos;
}

}  // namespace

DirectiveOutcome ScriptReader::apply_single_char(StringView line, StringView arg, char16_t& setting, int which) {
  // which: 0 escape, 1 deref, 2 delimiter
  if (arg.empty()) return DirectiveOutcome::Handled;
  const SyntaxChars& syn = program_.syntax;
  char16_t c = arg[0];
  bool one_char_flag = syn.comment_flag.size() == 1;
  bool bad = c == u'.' || (one_char_flag && c == syn.comment_flag[0]) ||
             (which != 1 && c == u'#') ||
             (which != 0 && c == syn.escape) || (which != 1 && c == syn.deref) || (which != 2 && c == syn.delimiter);
  if (bad) {
    (void)load_error(program_, message(Msg::ParamInvalid1), line);
    return DirectiveOutcome::Failed;
  }
  setting = c;
  return DirectiveOutcome::Handled;
}

DirectiveOutcome ScriptReader::apply_directive(StringView line) {
  SyntaxChars& syn = program_.syntax;
  DirectiveSettings& d = program_.directives;
  size_t end = 0;
  while (end < line.size() && !is_blank(line[end]) && line[end] != syn.delimiter) ++end;
  StringView name = line.substr(0, end);
  StringView arg = end < line.size() ? trim(line.substr(end + 1)) : StringView();
  auto is = [&](StringView n) { return equals_ignore_case(name, n); };
  auto fail = [&](StringView message) {
    (void)load_error(program_, message, line);
    return DirectiveOutcome::Failed;
  };
  constexpr auto ok = DirectiveOutcome::Handled;

  if (is(u"#Include") || is(u"#IncludeAgain") || is(u"#NoEnv")) return ok;  // the stored text is complete
  if (is(u"#NoTrayIcon")) { d.no_tray_icon = true; return ok; }
  if (is(u"#Persistent")) { d.persistent = true; return ok; }
  if (is(u"#SingleInstance")) {
    d.single_instance = equals_ignore_case(arg, u"Force") ? SingleInstanceMode::Force
                        : equals_ignore_case(arg, u"Ignore") ? SingleInstanceMode::Ignore
                        : equals_ignore_case(arg, u"Off") ? SingleInstanceMode::Off
                                                          : SingleInstanceMode::Prompt;
    return ok;
  }
  if (is(u"#InstallKeybdHook")) { d.install_keybd_hook = true; return ok; }
  if (is(u"#InstallMouseHook")) { d.install_mouse_hook = true; return ok; }
  if (is(u"#UseHook")) { d.use_hook = !is_off(arg); return ok; }
  if (is(u"#If")) {
    criterion_ = arg.empty() ? String() : u"#If " + String(arg);
    return ok;
  }
  if (is(u"#IfTimeout")) { d.if_timeout = clamp(leading_number(arg), 0, INT32_MAX); return ok; }
  if (is(u"#IfWinActive") || is(u"#IfWinNotActive") || is(u"#IfWinExist") || is(u"#IfWinNotExist")) {
    if (arg.empty()) {
      criterion_.clear();
      return ok;
    }
    size_t first = find_unescaped(arg, syn.delimiter, syn.escape);
    if ((first != StringView::npos && find_unescaped(arg, syn.delimiter, syn.escape, first + 1) != StringView::npos) ||
        find_unescaped(arg, syn.deref, syn.escape) != StringView::npos)
      return fail(message(Msg::UnescapedCommaOrPercent));
    criterion_ = String(name) + u" " + String(arg);
    return ok;
  }
  if (is(u"#Hotstring")) {
    if (starts_with_ignore_case(arg, u"EndChars")) {
      String chars = translate_escapes(trim_left(arg.substr(8)), syn.escape);
      if (chars.size() > 100) chars.resize(100);
      d.hotstring_end_chars = chars;
    } else if (equals_ignore_case(arg, u"NoMouse")) {
      d.hotstring_no_mouse = true;
    } else {
      // Each line changes some options and keeps the rest: read in order,
      // later options win.
      if (!d.hotstring_default_options.empty()) d.hotstring_default_options += u' ';
      d.hotstring_default_options += arg;
    }
    return ok;
  }
  if (is(u"#HotkeyModifierTimeout")) { d.hotkey_modifier_timeout = clamp(leading_number(arg), INT32_MIN, INT32_MAX); return ok; }
  if (is(u"#HotkeyInterval")) { d.hotkey_interval = clamp(leading_number(arg), 10, INT32_MAX); return ok; }
  if (is(u"#MaxHotkeysPerInterval")) { d.max_hotkeys_per_interval = clamp(leading_number(arg), 1, INT32_MAX); return ok; }
  if (is(u"#MaxThreadsPerHotkey")) { d.max_threads_per_hotkey = clamp(leading_number(arg), 1, 255); return ok; }
  if (is(u"#MaxThreadsBuffer")) { d.max_threads_buffer = !is_off(arg); return ok; }
  if (is(u"#MaxThreads")) { d.max_threads = clamp(leading_number(arg), 1, 255); return ok; }
  if (is(u"#ClipboardTimeout")) { d.clipboard_timeout = clamp(leading_number(arg), INT32_MIN, INT32_MAX); return ok; }
  if (is(u"#LTrim")) { syn.ltrim_sections = !is_off(arg); return ok; }
  if (is(u"#WinActivateForce")) { d.win_activate_force = true; return ok; }
  if (is(u"#ErrorStdOut")) { g_process.error_stdout = true; return ok; }
  if (is(u"#MaxMem")) { d.max_var_capacity = uint64_t(clamp(leading_number(arg), 1, 4095)) * 1048576u; return ok; }
  if (is(u"#KeyHistory")) { d.key_history = clamp(leading_number(arg), 0, 500); return ok; }
  if (is(u"#CommentFlag")) {
    if (arg.empty()) return ok;
    if (arg.size() == 1) {
      char16_t c = arg[0];
      if (c == u'#' || c == syn.escape || c == syn.deref || c == syn.delimiter || StringView(u"!$*+<>^~").find(c) != StringView::npos)
        return fail(message(Msg::ParamInvalid1));
    }
    syn.comment_flag = String(arg.substr(0, 15));
    return ok;
  }
  if (is(u"#EscapeChar")) return apply_single_char(line, arg, syn.escape, 0);
  if (is(u"#DerefChar")) return apply_single_char(line, arg, syn.deref, 1);
  if (is(u"#Delimiter")) return apply_single_char(line, arg, syn.delimiter, 2);
  if (is(u"#MenuMaskKey")) {
    if (arg.empty()) return fail(message(Msg::ParamRequired1));
    uint16_t vk;
    if (!lookup_key_name(arg, vk)) return fail(message(Msg::ParamInvalid1));
    d.menu_mask_key = String(arg);
    return ok;
  }
  if (is(u"#InputLevel")) {
    int64_t level;
    if (arg.empty()) level = 0;
    else if (!parse_int(arg, level) || level < 0 || level > 100) return fail(message(Msg::ParamInvalid1));
    d.input_level = int(level);
    return ok;
  }
  if (is(u"#WarnContinuableException")) { d.warn_continuable_exception = !is_off(arg); return ok; }
  if (is(u"#Warn")) {
    size_t comma = arg.find(syn.delimiter);
    StringView type = trim(arg.substr(0, comma));
    StringView mode = comma == StringView::npos ? StringView() : trim(arg.substr(comma + 1));
    WarnMode m = WarnMode::MsgBox;
    if (mode.empty() || equals_ignore_case(mode, u"MsgBox")) m = WarnMode::MsgBox;
    else if (equals_ignore_case(mode, u"OutputDebug")) m = WarnMode::OutputDebug;
    else if (equals_ignore_case(mode, u"StdOut")) m = WarnMode::StdOut;
    else if (equals_ignore_case(mode, u"Off")) m = WarnMode::Off;
    else return fail(message(Msg::ParamInvalid2));
    static constexpr StringView kClasses[WarnClassCount] = {u"UseUnsetLocal", u"UseUnsetGlobal", u"UseEnv", u"LocalSameAsGlobal"};
    if (type.empty() || equals_ignore_case(type, u"All")) {
      for (WarnMode& w : d.warn) w = m;
      return ok;
    }
    for (int i = 0; i < WarnClassCount; ++i) {
      if (equals_ignore_case(type, kClasses[i])) {
        d.warn[i] = m;
        return ok;
      }
    }
    return fail(message(Msg::ParamInvalid1));
  }
  if (is(u"#DllImport")) return define_dll_import(program_, arg, line);
  return DirectiveOutcome::NotDirective;
}

}  // namespace orv
