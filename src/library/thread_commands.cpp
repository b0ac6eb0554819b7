#include "library/thread_commands.h"

#include "base/messages.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

bool valid_float_format(StringView f) {
  int points = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    char16_t c = f[i];
    if (c == u'.') {
      if (++points > 1) return false;
    } else if (c < u'0' || c > u'9') {
      // An exponent or general form may close the format: 0.6e, 0.6g.
      return i + 1 == f.size() && StringView(u"eEgG").find(c) != StringView::npos;
    }
  }
  return true;
}

}  // namespace

int on_off_setting(StringView s) {
  s = trim(s);
  if (equals_ignore_case(s, u"On")) return 1;
  if (equals_ignore_case(s, u"Off")) return 0;
  int64_t n;
  if (parse_int(s, n)) return n != 0;
  return -1;
}

bool valid_set_format(StringView type, StringView format, int& bad_param) {
  bool is_float = starts_with_ignore_case(type, u"Float");
  bool is_int = starts_with_ignore_case(type, u"Integer");
  StringView rest = type.substr(is_float ? 5 : is_int ? 7 : 0);
  if ((!is_float && !is_int) || !(rest.empty() || equals_ignore_case(rest, u"Fast"))) {
    bad_param = 1;
    return false;
  }
  format = trim(format);
  bool ok = is_int ? (!format.empty() && (format[0] == u'H' || format[0] == u'h' || format[0] == u'D' || format[0] == u'd'))
                   : valid_float_format(format);
  if (!ok) bad_param = 2;
  return ok;
}

Result cmd_set_format(const ScriptLine&, ExpandedArgs& args) {
  StringView type = trim(args.text[0]);
  StringView format = trim(args.count > 1 ? args.text[1] : StringView());
  int bad = 0;
  if (!valid_set_format(type, format, bad))
    return report_runtime_error(message(bad == 1 ? Msg::ParamInvalid1 : Msg::ParamInvalid2), bad == 1 ? type : format);
  if (starts_with_ignore_case(type, u"Integer")) {
    g_thread->integer_format = format[0] == u'H' ? IntegerFormat::HexUpper
                               : format[0] == u'h' ? IntegerFormat::HexLower
                                                   : IntegerFormat::Decimal;
    return ResultDone;
  }
  // "0.6" becomes "%0.6f"; a trailing e or g picks that conversion instead.
  String f = u"%" + String(format);
  if (f.size() == 1 || StringView(u"eEgG").find(f.back()) == StringView::npos) f += u"f";
  if (f.size() >= sizeof(g_thread->float_format) / sizeof(char16_t))
    return report_runtime_error(message(Msg::ParamInvalid2), format);
  for (size_t i = 0; i < f.size(); ++i) g_thread->float_format[i] = f[i];
  g_thread->float_format[f.size()] = 0;
  return ResultDone;
}

Result cmd_string_case_sense(const ScriptLine&, ExpandedArgs& args) {
  StringView s = trim(args.text[0]);
  if (equals_ignore_case(s, u"Locale")) {
    g_thread->case_sense = StringCaseSense::Locale;
    return ResultDone;
  }
  int v = on_off_setting(s);
  if (v < 0) return report_runtime_error(message(Msg::ParamInvalid1), s);
  g_thread->case_sense = v ? StringCaseSense::On : StringCaseSense::Off;
  return ResultDone;
}

Result cmd_auto_trim(const ScriptLine&, ExpandedArgs& args) {
  int v = on_off_setting(args.text[0]);
  if (v < 0) return report_runtime_error(message(Msg::ParamInvalid1), args.text[0]);
  g_thread->auto_trim = v != 0;
  return ResultDone;
}

}  // namespace orv
