#include "runtime/errors.h"

#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/line_lister.h"
#include "runtime/message_box.h"
#include "runtime/numbers.h"
#include "runtime/process_state.h"
#include "runtime/script_line.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

ExceptionMaker g_exception_maker = nullptr;

constexpr size_t kMaxMessage = 500;
constexpr size_t kMaxExtra = 100;
constexpr size_t kMaxDialogLine = 500;
constexpr int kLinesAround = 6;

// Cuts a text to `width` characters, marking the cut with "...".
String cut(StringView text, size_t width, bool ellipsis) {
  if (text.size() <= width) return String(text);
  String s(text.substr(0, width));
  if (ellipsis) s += u"...";
  return s;
}

// Error boxes are message boxes like the script's own: they count among the
// open boxes and keep to the limit.
int show_error_box(StringView text, uint32_t style) {
  MessageBoxRequest request;
  request.text = text;
  request.title = g_process.script_name;
  request.style = style;
  return show_message_box(request).code;
}

StringView file_of(const ScriptProgram& program, uint16_t index) {
  return index < program.source_files.size() ? StringView(program.source_files[index])
                                             : StringView(g_process.script_full_path);
}

StringView kind_word(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::Warning: return message(Msg::WarningHeading);
    case ErrorKind::Critical: return message(Msg::CriticalErrorHeading);
    default: return message(Msg::ErrorHeading);
  }
}

StringView load_footer() { return message(g_process.restart ? Msg::OldVersionStays : Msg::ProgramWillExit); }

// "LABEL: ", which introduces the message or the extra text.
void append_label(String& out, Msg label) {
  out += message(label);
  out += u": ";
}

void append_include_file(String& out, StringView file) {
  out += u" ";
  out += message(Msg::InIncludeFile);
  out += u" \"";
  out += file;
  out += u"\"";
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
    out += u"     ";
    append_label(out, Msg::SpecificallyLabel);
    out += extra;
    out += u"\n";
  }
  return out;
}

String format_error_text(const ScriptProgram& program, ErrorKind kind, StringView message, StringView extra,
                         const ScriptLine* line, StringView footer) {
  String out(kind_word(kind));
  if (line && line->file_index > 0) {
    append_include_file(out, file_of(program, line->file_index));
    out += u":\n    ";
  } else {
    out += u": ";
  }
  // The message is padded to one character, so an empty one still shows.
  out += message.empty() ? String(u" ") : cut(message, kMaxMessage, false);
  out += u"\n\n";
  if (!extra.empty()) {
    append_label(out, Msg::SpecificallyLabel);
    out += cut(extra, kMaxExtra, true);
    out += u"\n\n";
  }
  if (line) {
    out += u"\tLine#\n";
    const ScriptLine* first = line;
    for (int i = 0; i < kLinesAround && first->prev; ++i) first = first->prev;
    const ScriptLine* stop = line->next;
    for (int i = 0; i < kLinesAround && stop; ++i) stop = stop->next;
    for (const ScriptLine* l = first; l != stop; l = l->next) {
      out += l == line ? u"--->\t" : u"\t";
      list_line(out, *l, kMaxDialogLine, 0, LineEnd::Lf);
    }
  }
  if (!footer.empty()) {
    out += u"\n";
    out += footer;
  }
  if (out.size() > kMaxErrorText) out.resize(kMaxErrorText);
  return out;
}

Result load_error(const ScriptProgram& program, StringView message, StringView extra) {
  if (g_thread && g_thread->current_line) return line_error(program, g_thread->current_line, message, extra);
  StringView file = file_of(program, program.current_file_index);
  if (g_process.error_stdout && !g_process.script_running) {
    platform::write_stdout(format_console_error(file, program.current_line_number, message, extra));
    return ResultFailed;
  }
  String text(orv::message(Msg::ErrorAtLine));
  text += u" ";
  text += to_string(program.current_line_number);
  if (program.current_file_index > 0) append_include_file(text, file);
  text += u".\n\n";
  if (!extra.empty()) {
    append_label(text, Msg::LineTextLabel);
    text += cut(extra, kMaxExtra, true);
    text += u"\n";
    append_label(text, Msg::ErrorHeading);
  }
  text += message;
  text += u"\n\n";
  text += load_footer();
  if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
  show_error_box(text, platform::MbSetForeground);
  return ResultFailed;
}

Result report_runtime_error(StringView message, StringView extra) {
  if (g_thread && g_thread->current_line && g_script) return line_error(*g_script, g_thread->current_line, message, extra);
  if (g_script) return load_error(*g_script, message, extra);
  String text;
  append_label(text, Msg::ErrorHeading);
  text += message;
  show_error_box(text, platform::MbSetForeground);
  return ResultFailed;
}

Result report_not_available(StringView name, StringView lead) {
  String text(lead);
  if (!lead.empty()) text += u" ";
  text += u"\"";
  text += name;
  text += u"\" ";
  text += message(Msg::NotYetAvailable);
  return report_runtime_error(text);
}

Result line_error(const ScriptProgram& program, const ScriptLine* line, StringView message, StringView extra) {
  (void)line_error(program, line, message, ErrorKind::Error, extra);
  return ResultFailed;
}

int line_error(const ScriptProgram& program, const ScriptLine* line, StringView message, ErrorKind kind,
               StringView extra) {
  if (!line) {
    (void)load_error(program, message, extra);
    return int(ResultFailed);
  }
  if (g_thread && g_thread->in_try && g_exception_maker && (kind == ErrorKind::Error || kind == ErrorKind::Continuable))
    return throw_runtime_exception(line, message, {}, extra);
  if (g_process.error_stdout && !g_process.script_running && kind != ErrorKind::Warning) {
    platform::write_stdout(format_console_error(file_of(program, line->file_index), line->line_number, message, extra));
    return ResultFailed;
  }
  StringView footer;
  switch (kind) {
    case ErrorKind::Continuable: footer = orv::message(Msg::ContinueRunning); break;
    case ErrorKind::Error: footer = g_process.script_running ? orv::message(Msg::ThreadWillExit) : load_footer(); break;
    default: footer = orv::message(Msg::WarnDetails); break;
  }
  String text = format_error_text(program, kind, message, extra, line, footer);
  uint32_t flags = platform::MbTopmost;
  if (kind == ErrorKind::Continuable) flags |= platform::MbYesNo;
  if (show_error_box(text, flags) == platform::IdNo) {
    if (g_process.script_running) exit_program(ExitReason::Error, 2);
    return int(ErrorKind::Critical);
  }
  return int(kind);
}

void set_exception_maker(ExceptionMaker maker) { g_exception_maker = maker; }

Result throw_runtime_exception(const ScriptLine* line, StringView message, StringView what, StringView extra) {
  if (g_exception_maker) return g_exception_maker(line, message, what, extra);
  if (g_script && line) return line_error(*g_script, line, message, extra);
  return report_runtime_error(message, extra);
}

void show_unhandled_exception(const ScriptProgram& program, StringView message, StringView extra,
                              const ScriptLine* line) {
  String shown_message(message), shown_extra(extra);
  // A bare number or nothing says little as a message; it is shown as the
  // detail of a generic one.
  if (extra.empty() && (message.empty() || numeric_type_of(message) != NumType::NotNumeric)) {
    shown_extra = shown_message;
    shown_message = orv::message(Msg::UnhandledException);
  }
  String text =
      format_error_text(program, ErrorKind::Error, shown_message, shown_extra, line, orv::message(Msg::ThreadExited));
  show_error_box(text, platform::MbSetForeground);
}

void show_unhandled_exception(const ScriptProgram& program, StringView value, const ScriptLine* line) {
  show_unhandled_exception(program, value, StringView(), line);
}

}  // namespace orv
