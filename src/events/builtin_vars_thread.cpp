// The variables that report the running thread's settings.
#include <iterator>

#include "runtime/launch_state.h"
#include "events/script_threads.h"
#include "runtime/thread_settings.h"
#include "runtime/builtin_producers.h"

namespace orv {

size_t produce_batch_lines(char16_t* dest, const Variable&) {
  const ThreadSettings& t = *g_thread;
  if (t.batch_interval_ms >= 0) {
    char16_t buf[40];
    size_t n = put_int(buf, t.batch_interval_ms);
    buf[n++] = u'm';
    buf[n++] = u's';
    return put_text(dest, StringView(buf, n));
  }
  return put_int(dest, t.lines_per_batch);
}

size_t produce_title_match(char16_t* dest, const Variable& var) {
  const ThreadSettings& t = *g_thread;
  if (equals_ignore_case(builtin_suffix(var), u"TitleMatchModeSpeed"))
    return put_text(dest, t.title_match_fast ? u"Fast" : u"Slow");
  if (t.title_match_mode == TitleMatchMode::RegEx) return put_text(dest, u"RegEx");
  return put_int(dest, int64_t(t.title_match_mode));
}

size_t produce_on_off_setting(char16_t* dest, const Variable& var) {
  const ThreadSettings& t = *g_thread;
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"DetectHiddenWindows")) return put_on_off(dest, t.detect_hidden_windows);
  if (equals_ignore_case(name, u"DetectHiddenText")) return put_on_off(dest, t.detect_hidden_text);
  if (equals_ignore_case(name, u"StoreCapslockMode")) return put_on_off(dest, t.store_capslock_mode);
  return put_on_off(dest, t.auto_trim);
}

size_t produce_string_case_sense(char16_t* dest, const Variable&) {
  switch (g_thread->case_sense) {
    case StringCaseSense::On: return put_text(dest, u"On");
    case StringCaseSense::Locale: return put_text(dest, u"Locale");
    default: return put_text(dest, u"Off");
  }
}

size_t produce_number_format(char16_t* dest, const Variable& var) {
  const ThreadSettings& t = *g_thread;
  if (equals_ignore_case(builtin_suffix(var), u"FormatInteger"))
    return put_text(dest, t.integer_format == IntegerFormat::Decimal ? u"D"
                          : t.integer_format == IntegerFormat::HexUpper ? u"H" : u"h");
  // Without its leading % and trailing f, as SetFormat was given it.
  StringView f(t.float_format + 1);
  if (!f.empty() && f.back() == u'f') f.remove_suffix(1);
  return put_text(dest, f);
}

size_t produce_delay(char16_t* dest, const Variable& var) {
  const ThreadSettings& t = *g_thread;
  struct Setting {
    const char16_t* name;
    int32_t ThreadSettings::*field;
  };
  static const Setting kSettings[] = {
      {u"KeyDelay", &ThreadSettings::key_delay},
      {u"KeyDuration", &ThreadSettings::key_duration},
      {u"KeyDelayPlay", &ThreadSettings::key_delay_play},
      {u"KeyDurationPlay", &ThreadSettings::key_duration_play},
      {u"MouseDelay", &ThreadSettings::mouse_delay},
      {u"MouseDelayPlay", &ThreadSettings::mouse_delay_play},
      {u"WinDelay", &ThreadSettings::win_delay},
      {u"ControlDelay", &ThreadSettings::control_delay},
      {u"DefaultMouseSpeed", &ThreadSettings::default_mouse_speed},
  };
  StringView name = builtin_suffix(var);
  for (const Setting& s : kSettings)
    if (equals_ignore_case(name, s.name)) return put_int(dest, t.*s.field);
  return put_int(dest, t.send_level);  // A_SendLevel
}

size_t produce_coord_mode(char16_t* dest, const Variable& var) {
  // A_CoordMode followed by the target's name.
  static const char16_t* const kTargets[] = {u"ToolTip", u"Pixel", u"Mouse", u"Caret", u"Menu"};
  StringView target = builtin_suffix(var).substr(9);
  for (size_t i = 0; i < std::size(kTargets); ++i) {
    if (!equals_ignore_case(target, kTargets[i])) continue;
    switch (g_thread->coord_mode(CoordTarget(i))) {
      case CoordMode::Screen: return put_text(dest, u"Screen");
      case CoordMode::Client: return put_text(dest, u"Client");
      default: return put_text(dest, u"Window");
    }
  }
  return put_text(dest, StringView());
}

size_t produce_send_mode(char16_t* dest, const Variable&) {
  switch (g_thread->send_mode) {
    case SendMode::Input: return put_text(dest, u"Input");
    case SendMode::Play: return put_text(dest, u"Play");
    case SendMode::InputThenPlay: return put_text(dest, u"InputThenPlay");
    default: return put_text(dest, u"Event");
  }
}

size_t produce_file_encoding(char16_t* dest, const Variable&) {
  uint32_t encoding = g_thread->file_encoding;
  bool no_bom = (encoding & kEncodingNoBom) != 0;
  uint32_t code_page = encoding & 0xFFFF;
  if (code_page == 0) return put_text(dest, StringView());
  if (code_page == kCodePageUtf8) return put_text(dest, no_bom ? u"UTF-8-RAW" : u"UTF-8");
  if (code_page == kCodePageUtf16) return put_text(dest, no_bom ? u"UTF-16-RAW" : u"UTF-16");
  char16_t buf[40] = u"CP";
  size_t n = 2 + put_int(buf + 2, code_page);
  return put_text(dest, StringView(buf, n));
}

size_t produce_reg_view(char16_t* dest, const Variable&) {
  uint16_t view = g_thread->reg_view;
  if (view == 32 || view == 64) return put_int(dest, view);
  return put_text(dest, u"Default");
}

size_t produce_thread_state(char16_t* dest, const Variable& var) {
  const ThreadSettings& t = *g_thread;
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"IsCritical")) return put_int(dest, t.is_critical ? t.peek_interval_ms : 0);
  if (equals_ignore_case(name, u"IsSuspended")) return put_int(dest, g_launch.hotkeys_suspended ? 1 : 0);
  // A_IsPaused: whether the thread this one interrupted is paused.
  const ThreadSettings* below = underlying_thread();
  return put_int(dest, below && below->is_paused ? 1 : 0);
}

size_t produce_last_error(char16_t* dest, const Variable&) { return put_int(dest, g_thread->last_error); }

size_t produce_event_info(char16_t* dest, const Variable&) { return put_int(dest, g_thread->event_info); }

}  // namespace orv
