// The variables of the running thread's position: its loops, its function
// and label, its line.
#include "runtime/thread_settings.h"
#include "runtime/script_program.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "runtime/builtin_producers.h"
#include "runtime/file_lookup.h"
#include "runtime/func.h"
#include "runtime/process_state.h"

namespace orv {

namespace {

// A_LoopFileName and its family: empty outside a file loop.
size_t put_loop_file(char16_t* dest, StringView which) {
  const LoopFileItem* f = g_thread->loop_file;
  if (!f) return put_text(dest, StringView());
  auto is = [&](const char16_t* w) { return equals_ignore_case(which, w); };
  if (is(u"Name")) return put_text(dest, f->name);
  if (is(u"FullPath")) return put_text(dest, f->prefix + f->name);
  // Absolute, spelled as on disk, whatever the loop's pattern said.
  if (is(u"LongPath")) return put_text(dest, platform::long_path(f->prefix + f->name));
  if (is(u"ShortPath")) return put_text(dest, platform::short_path(f->prefix + f->name));
  if (is(u"ShortName")) {
    // The name itself when the file has no short name.
    String path = platform::short_path(f->prefix + f->name);
    return put_text(dest, path.empty() ? StringView(f->name) : split_pattern(path).name);
  }
  if (is(u"Dir")) {
    StringView dir = f->prefix;
    if (!dir.empty()) dir.remove_suffix(1);
    return put_text(dest, dir);
  }
  if (is(u"Ext")) {
    size_t dot = f->name.find_last_of(u'.');
    return put_text(dest, dot == String::npos ? StringView() : StringView(f->name).substr(dot + 1));
  }
  if (is(u"Size")) return put_int(dest, int64_t(f->size));
  if (is(u"SizeKB")) return put_int(dest, int64_t(f->size / 1024));
  if (is(u"SizeMB")) return put_int(dest, int64_t(f->size / (1024 * 1024)));
  if (is(u"TimeModified")) return put_text(dest, platform::file_time_text(f->modified));
  if (is(u"TimeCreated")) return put_text(dest, platform::file_time_text(f->created));
  if (is(u"TimeAccessed")) return put_text(dest, platform::file_time_text(f->accessed));
  if (is(u"Attrib")) return put_text(dest, attribute_letters(f->attributes));
  return put_text(dest, StringView());
}

// A_LoopRegName and its family: empty outside a registry loop.
size_t put_loop_reg(char16_t* dest, StringView which) {
  const LoopRegItem* r = g_thread->loop_reg;
  if (!r) return put_text(dest, StringView());
  auto is = [&](const char16_t* w) { return equals_ignore_case(which, w); };
  if (is(u"Name")) return put_text(dest, r->name);
  if (is(u"Type")) return put_text(dest, r->type);
  if (is(u"Key")) return put_text(dest, r->root);
  if (is(u"SubKey")) return put_text(dest, r->subkey);
  if (is(u"TimeModified")) return put_text(dest, r->modified ? platform::file_time_text(r->modified) : String());
  return put_text(dest, StringView());
}

}  // namespace

size_t produce_loop_index(char16_t* dest, const Variable&) { return put_int(dest, g_thread->loop_index); }

size_t produce_loop_item(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (starts_with_ignore_case(name, u"LoopFile")) return put_loop_file(dest, name.substr(8));
  if (starts_with_ignore_case(name, u"LoopReg")) return put_loop_reg(dest, name.substr(7));
  if (equals_ignore_case(name, u"LoopField")) return put_text(dest, g_thread->loop_field);
  if (equals_ignore_case(name, u"LoopReadLine")) return put_text(dest, g_thread->loop_read_line);
  return put_text(dest, StringView());
}

size_t produce_this_routine(char16_t* dest, const Variable& var) {
  if (equals_ignore_case(builtin_suffix(var), u"ThisLabel"))
    return put_text(dest, g_thread->current_label ? g_thread->current_label->name : StringView());
  return put_text(dest, g_thread->current_func ? StringView(g_thread->current_func->name) : StringView());
}

size_t produce_line(char16_t* dest, const Variable& var) {
  const ScriptLine* line = g_thread->current_line;
  if (equals_ignore_case(builtin_suffix(var), u"LineNumber")) return put_int(dest, line ? line->line_number : 0);
  // The file the line was read from: the script itself, or a file it includes.
  if (line && g_script && line->file_index < g_script->source_files.size())
    return put_text(dest, g_script->source_files[line->file_index]);
  return put_text(dest, g_process.script_full_path);
}

}  // namespace orv
