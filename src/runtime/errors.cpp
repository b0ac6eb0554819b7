#include "runtime/errors.h"

#include "events/thread_settings.h"
#include "parser/script_line.h"

#include "parser/script_program.h"
#include "platform/platform.h"
#include "startup/process_state.h"

namespace orv {

namespace {

// Cuts a text to `width` characters, marking the cut with "...".
String cut(StringView text, size_t width, bool ellipsis) {
  if (text.size() <= width) return String(text);
  String s(text.substr(0, width));
  if (ellipsis) s += u"...";
  return s;
}

}  // namespace

String format_console_error(StringView file, uint32_t line, StringView message, StringView extra) {
  String out(file);
  out += u" (";
  out += to_string(line);
  out += u") : ==> ";
  out += message;
  out += u"\n";
  if (!extra.empty()) {
    out += u"     Specifically: ";
    out += extra;
    out += u"\n";
  }
  return out;
}

Result load_error(const ScriptProgram& program, StringView message, StringView extra) {
  StringView file = program.current_file_index < program.source_files.size()
                        ? StringView(program.source_files[program.current_file_index])
                        : StringView(g_process.script_full_path);
  if (g_process.error_stdout && !g_process.script_running) {
    platform::write_stdout(format_console_error(file, program.current_line_number, message, extra));
    return ResultFailed;
  }
  String text = u"Error at line " + to_string(program.current_line_number);
  if (program.current_file_index > 0) {
    text += u" in #include file \"";
    text += file;
    text += u"\"";
  }
  text += u".\n\n";
  if (!extra.empty()) {
    text += u"Line Text: ";
    text += cut(extra, 100, true);
    text += u"\nError: ";
  }
  text += message;
  text += u"\n\n";
  text += g_process.restart ? u"The script was not reloaded; the old version will remain in effect."
                            : u"The program will exit.";
  platform::message_box(text, g_process.script_name, platform::MbSetForeground);
  return ResultFailed;
}

Result report_runtime_error(StringView message, StringView extra) {
  if (g_thread && g_thread->current_line && g_script) return line_error(*g_script, g_thread->current_line, message, extra);
  if (g_script) return load_error(*g_script, message, extra);
  platform::message_box(u"Error: " + String(message), g_process.script_name, platform::MbSetForeground);
  return ResultFailed;
}

Result line_error(const ScriptProgram& program, const ScriptLine* line, StringView message, StringView extra) {
  StringView file = line->file_index < program.source_files.size() ? StringView(program.source_files[line->file_index])
                                                                    : StringView(g_process.script_full_path);
  if (g_process.error_stdout && !g_process.script_running) {
    platform::write_stdout(format_console_error(file, line->line_number, message, extra));
    return ResultFailed;
  }
  String text = u"Error: " + cut(message, 500, false) + u"\n\n";
  if (!extra.empty()) text += u"Specifically: " + cut(extra, 100, true) + u"\n\n";
  text += u"\tLine#\n--->\t";
  String number = to_string(line->line_number);
  while (number.size() < 3) number.insert(number.begin(), u'0');
  text += number + u": " + String(command_info(line->action).name);
  for (int i = 0; i < line->arg_count; ++i) text += (i ? u"," : u" ") + String(line->arg_text(i));
  text += u"\n\n";
  text += g_process.script_running ? u"The current thread will exit." : u"The program will exit.";
  platform::message_box(text, g_process.script_name, platform::MbSetForeground | platform::MbTopmost);
  return ResultFailed;
}

}  // namespace orv
