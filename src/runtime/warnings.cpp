#include "runtime/warnings.h"

#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/thread_settings.h"
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
                                     String(orv::message(Msg::WarningHeading)) + u": " + String(message), extra);
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
  Msg kind = Msg::ALocalVariable;
  if (var.scope & ScopeStatic) kind = Msg::AStaticVariable;
  else if (!local) kind = Msg::AGlobalVariable;
  else if (g_script->globals.find(var.name_view())) kind = Msg::ALocalVariableNamedLikeGlobal;
  String extra = String(var.name_view()) + u"  (" + String(message(kind)) + u")";
  warning(*g_script, mode, message(Msg::UnsetVariable), extra);
  if (mode == WarnMode::MsgBox) var.attributes &= uint8_t(~AttrUninitialized);
}

void warn_env_variable(const Variable& var) {
  if (!g_script) return;
  warning(*g_script, g_script->directives.warn[WarnUseEnv], message(Msg::EnvVariableRead), var.name_view());
}

void warn_local_same_as_global(StringView local_name, StringView function_name, const ScriptLine* line) {
  if (!g_script) return;
  String extra = String(local_name) + u"  (" + String(message(Msg::InFunction)) + u" " + String(function_name) + u")";
  warning(*g_script, g_script->directives.warn[WarnLocalSameAsGlobal], message(Msg::LocalSameAsGlobal), extra, line);
}

}  // namespace orv
