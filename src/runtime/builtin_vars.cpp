#include "runtime/builtin_vars.h"

#include <cstring>

#include "events/thread_settings.h"
#include "platform/platform.h"
#include "parser/script_line.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/variable.h"
#include "startup/process_state.h"

namespace orv {

namespace {

Result text_value(StringView text, ExprToken& out) { return temp_text_token(text, SymOperand, out); }

Result int_value(int64_t v, ExprToken& out) {
  out = ExprToken{};
  out.symbol = SymInteger;
  out.integer = v;
  return ResultDone;
}

// A_LoopFileName and its family: empty outside a file loop.
Result loop_file_value(StringView which, ExprToken& out) {
  const LoopFileItem* f = g_thread->loop_file;
  if (!f) return text_value(StringView(), out);
  auto is = [&](const char16_t* w) { return equals_ignore_case(which, w); };
  if (is(u"Name") || is(u"ShortName")) return text_value(f->name, out);
  if (is(u"FullPath") || is(u"LongPath") || is(u"ShortPath")) return text_value(f->prefix + f->name, out);
  if (is(u"Dir")) {
    StringView dir = f->prefix;
    if (!dir.empty()) dir.remove_suffix(1);
    return text_value(dir, out);
  }
  if (is(u"Ext")) {
    size_t dot = f->name.find_last_of(u'.');
    return text_value(dot == String::npos ? StringView() : StringView(f->name).substr(dot + 1), out);
  }
  if (is(u"Size")) return int_value(int64_t(f->size), out);
  if (is(u"SizeKB")) return int_value(int64_t(f->size / 1024), out);
  if (is(u"SizeMB")) return int_value(int64_t(f->size / (1024 * 1024)), out);
  if (is(u"TimeModified")) return text_value(platform::file_time_text(f->modified), out);
  if (is(u"TimeCreated")) return text_value(platform::file_time_text(f->created), out);
  if (is(u"TimeAccessed")) return text_value(platform::file_time_text(f->accessed), out);
  if (is(u"Attrib")) {
    // The attribute letters in their customary order.
    static const struct {
      uint32_t bit;
      char16_t letter;
    } kLetters[] = {{0x01, u'R'}, {0x20, u'A'}, {0x04, u'S'}, {0x02, u'H'}, {0x80, u'N'},
                    {0x10, u'D'}, {0x1000, u'O'}, {0x800, u'C'}, {0x100, u'T'}};
    String letters;
    for (const auto& l : kLetters)
      if (f->attributes & l.bit) letters.push_back(l.letter);
    return text_value(letters, out);
  }
  return text_value(StringView(), out);
}

}  // namespace

Result builtin_variable_value(StringView name, ExprToken& out) {
  StringView n = name.size() > 2 && name[1] == u'_' ? name.substr(2) : name;
  if (equals_ignore_case(n, u"Index")) {
    out = ExprToken{};
    out.symbol = SymInteger;
    out.integer = g_thread->loop_index;
    return ResultDone;
  }
  if (equals_ignore_case(n, u"LoopField")) return text_value(g_thread->loop_field, out);
  if (equals_ignore_case(n, u"LoopReadLine")) return text_value(g_thread->loop_read_line, out);
  if (starts_with_ignore_case(n, u"LoopFile")) return loop_file_value(n.substr(8), out);
  if (starts_with_ignore_case(n, u"LoopReg")) {
    const LoopRegItem* r = g_thread->loop_reg;
    StringView which = n.substr(7);
    if (!r) return text_value(StringView(), out);
    if (equals_ignore_case(which, u"Name")) return text_value(r->name, out);
    if (equals_ignore_case(which, u"Type")) return text_value(r->type, out);
    if (equals_ignore_case(which, u"Key")) return text_value(r->root, out);
    if (equals_ignore_case(which, u"SubKey")) return text_value(r->subkey, out);
    if (equals_ignore_case(which, u"TimeModified"))
      return text_value(r->modified ? platform::file_time_text(r->modified) : String(), out);
    return text_value(StringView(), out);
  }
  if (equals_ignore_case(n, u"Space")) return text_value(u" ", out);
  if (equals_ignore_case(n, u"TickCount")) return int_value(int64_t(platform::tick_count()), out);
  if (equals_ignore_case(n, u"WorkingDir")) return text_value(platform::current_directory(), out);
  if (equals_ignore_case(n, u"LineNumber"))
    return int_value(g_thread->current_line ? g_thread->current_line->line_number : 0, out);
  if (equals_ignore_case(n, u"LineFile")) return text_value(g_process.script_full_path, out);
  if (equals_ignore_case(n, u"ThisFunc"))
    return text_value(g_thread->current_func ? g_thread->current_func->name : StringView(), out);
  if (equals_ignore_case(n, u"OSType")) return text_value(u"WIN32_NT", out);
  if (equals_ignore_case(n, u"StringCaseSense"))
    return text_value(g_thread->case_sense == StringCaseSense::On ? u"On" : g_thread->case_sense == StringCaseSense::Locale ? u"Locale" : u"Off", out);
  if (equals_ignore_case(n, u"AutoTrim")) return text_value(g_thread->auto_trim ? u"On" : u"Off", out);
  if (equals_ignore_case(n, u"FormatFloat")) {
    // Without its leading % and trailing f, as SetFormat was given it.
    StringView f(g_thread->float_format + 1);
    if (!f.empty() && f.back() == u'f') f.remove_suffix(1);
    return text_value(f, out);
  }
  if (equals_ignore_case(n, u"FormatInteger"))
    return text_value(g_thread->integer_format == IntegerFormat::Decimal ? u"D" : g_thread->integer_format == IntegerFormat::HexUpper ? u"H" : u"h", out);
  // The current local date and time and their parts.
  static constexpr struct {
    const char16_t* name;
    size_t from, count;
  } kTimeParts[] = {{u"Now", 0, 14}, {u"YYYY", 0, 4}, {u"Year", 0, 4}, {u"MM", 4, 2}, {u"Mon", 4, 2},
                    {u"DD", 6, 2},   {u"MDay", 6, 2}, {u"Hour", 8, 2}, {u"Min", 10, 2}, {u"Sec", 12, 2}};
  for (const auto& part : kTimeParts) {
    if (!equals_ignore_case(n, part.name)) continue;
    String now = platform::file_time_text(platform::now_file_time());
    return text_value(StringView(now).substr(part.from, part.count), out);
  }
  if (equals_ignore_case(n, u"MSec")) {
    char16_t buf[4];
    int ms = int((platform::now_file_time() / 10000) % 1000);
    buf[0] = char16_t(u'0' + ms / 100), buf[1] = char16_t(u'0' + ms / 10 % 10), buf[2] = char16_t(u'0' + ms % 10);
    return text_value(StringView(buf, 3), out);
  }
  if (equals_ignore_case(n, u"Tab")) return text_value(u"\t", out);
  if (equals_ignore_case(n, u"ScriptName")) return text_value(g_process.script_name, out);
  if (equals_ignore_case(n, u"ScriptDir")) return text_value(g_process.script_dir, out);
  if (equals_ignore_case(n, u"ScriptFullPath")) return text_value(g_process.script_full_path, out);
  // The rest of the table arrives with the subsystems that produce them.
  return text_value(StringView(), out);
}

size_t produce_builtin_variable(char16_t* dest, const Variable& var) {
  TempArena::Mark mark = temp_arena().mark();
  ExprToken value{};
  size_t n = 0;
  if (builtin_variable_value(var.name_view(), value)) {
    char16_t buf[256];
    StringView text = token_to_text(value, buf);
    n = text.size();
    if (dest) {
      if (n) std::memcpy(dest, text.data(), n * sizeof(char16_t));
      dest[n] = 0;
    }
  } else if (dest) {
    dest[0] = 0;
  }
  temp_arena().release(mark);
  return n;
}

}  // namespace orv
