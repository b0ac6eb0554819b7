#include "runtime/warnings.h"

#include "runtime/thread_settings.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/variable.h"

namespace orv {

void warning(const ScriptProgram& program, WarnMode mode, StringView message, StringView extra,
             const ScriptLine* line) {
  if (mode == WarnMode::Off) return;
  if (!line && g_thread) line = g_thread->current_line;
  uint16_t file_index = line ? line->file_index : program.current_file_index;
  StringView file = file_index < program.source_files.size() ? StringView(program.source_files[file_index])
                                                              : StringView(g_process.script_full_path);
  String text = format_console_error(file, line ? line->line_number : program.current_line_number,
                                     u"Warning: " + String(message), extra);
  if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
  if (mode == WarnMode::StdOut) {
    platform::write_stdout(text);
    return;
  }
  platform::output_debug(text);
  if (mode != WarnMode::MsgBox) return;
  if (line) (void)line_error(program, line, message, ErrorKind::Warning, extra);
  else (void)load_error(program, message, extra);
}

void warn_unset_variable(Variable& var) {
  if (!g_script) return;
  bool local = (var.scope & (ScopeLocal | ScopeParam | ScopeStatic)) != 0;
  WarnMode mode = g_script->directives.warn[local ? WarnUseUnsetLocal : WarnUseUnsetGlobal];
  if (mode == WarnMode::Off) return;
  String extra = String(var.name_view()) + u"  (a ";
  if (var.scope & ScopeStatic) extra += u"static variable)";
  else if (!local) extra += u"global variable)";
  else if (g_script->globals.find(var.name_view())) extra += u"local variable with same name as a global)";
  else extra += u"local variable)";
  warning(*g_script, mode, u"This variable has not been assigned a value.", extra);
  if (mode == WarnMode::MsgBox) var.attributes &= uint8_t(~AttrUninitialized);
}

void warn_env_variable(const Variable& var) {
  if (!g_script) return;
  warning(*g_script, g_script->directives.warn[WarnUseEnv], u"An environment variable is being accessed; see #NoEnv.",
          var.name_view());
}

void warn_local_same_as_global(StringView local_name, StringView function_name, const ScriptLine* line) {
  if (!g_script) return;
  String extra = String(local_name) + u"  (in function " + String(function_name) + u")";
  warning(*g_script, g_script->directives.warn[WarnLocalSameAsGlobal],
          u"This local variable has the same name as a global variable.", extra, line);
}

}  // namespace orv
