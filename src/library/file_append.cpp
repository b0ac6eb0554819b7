// FileAppend: text to a file, to standard output ("*") or error ("**"), or
// to the output file of the file-reading loop it runs in.
// FileEncoding: the encoding a thread's files get when none is named.
#include "base/code_pages.h"
#include "base/messages.h"
#include "objects/encoding_names.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/script_line.h"
#include "runtime/text_stream.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

// How a file is opened for appending in `encoding`: writes always land at
// the end, even with another process appending too, and a new or empty
// file starts with the mark of a UTF form unless it is a -RAW one.
uint32_t append_flags(uint32_t encoding) {
  return TextStream::ModeAppend | TextStream::WritesAtEnd | TextStream::ShareRead | TextStream::ShareWrite |
         byte_order_mark_flags(encoding);
}

// The bytes of a clipboard snapshot, which go to the file unchanged.
bool is_binary_snapshot(const Variable* v) {
  return v && (v->type == VarType::ClipboardAll || (v->type == VarType::Normal && (v->attributes & AttrBinaryClip)));
}

// Writes and reports: ErrorLevel 1 when any byte did not arrive.
Result write_and_report(TextStream& stream, StringView text, const Variable* source) {
  bool ok;
  if (source && source->type == VarType::ClipboardAll) {
    std::string snapshot;
    if (!platform::clipboard_snapshot(snapshot)) return report_runtime_error(message(Msg::ClipboardNotReadable));
    ok = stream.write_bytes(snapshot.data(), snapshot.size()) == snapshot.size();
  } else if (is_binary_snapshot(source)) {
    Variable& v = const_cast<Variable&>(*source);
    size_t bytes = v.target().length_bytes;
    ok = stream.write_bytes(v.target().text, bytes) == bytes;
  } else {
    // Line feeds become CR LF unless the text already has CR LF pairs.
    stream.translate_line_feeds(text.find(u"\r\n") == StringView::npos);
    ok = text.empty() || stream.write(text) != 0;
  }
  return report_with_system_error(ok);
}

}  // namespace

Result cmd_file_append(const ScriptLine& line, ExpandedArgs& args) {
  StringView text = arg_text(args, 0);
  StringView file = arg_text(args, 1);
  // Text that is one variable may be a clipboard snapshot, written as bytes.
  const LineArg* a = line.arg_count > 0 ? &line.args[0] : nullptr;
  const Variable* source = a && !a->is_expression ? sole_deref_var(a->ref.derefs, a->text, a->length) : nullptr;
  if (source) source = &const_cast<Variable*>(source)->target();
  uint32_t encoding = g_thread->file_encoding;
  if (line.arg_count > 2 && !parse_file_encoding(arg_text(args, 2), g_thread->file_encoding, encoding))
    return fail_with_last_error(platform::ErrorInvalidParameter);

  if (file.empty()) {
    ReadLoopOutput* out = g_thread->loop_output;
    if (!out || out->name.empty()) return fail_with_last_error(platform::ErrorInvalidParameter);
    // The loop's output file stays open from its first write to the end
    // of the loop.
    if (!out->file.is_open() && !out->file.open(out->name, append_flags(encoding), encoding & ~kEncodingNoBom))
      return fail_with_last_error(platform::last_error());
    return write_and_report(out->file, text, source);
  }

  if (file == u"*" || file == u"**") {
    // The standard streams take the text as it is: whoever reads them
    // decides about line ends. Unless the line names an encoding, a
    // console shows the characters and a pipe or file gets UTF-8, which
    // every reader of a program's output understands: the default file
    // encoding is for files, and the system's code page could not carry
    // most characters.
    if (line.arg_count <= 2) {
      if (file == u"*") platform::write_stdout(text);
      else platform::write_stderr(text);
      return set_error_level(0);
    }
    TextFile stream;
    if (!stream.open(file, TextStream::ModeWrite, encoding & ~kEncodingNoBom)) return fail_with_last_error(platform::last_error());
    stream.translate_line_feeds(false);
    bool ok = text.empty() || stream.write(text) != 0;
    ok = stream.close() && ok;
    return report_with_system_error(ok);
  }

  TextFile stream;
  if (!stream.open(file, append_flags(encoding), encoding & ~kEncodingNoBom)) return fail_with_last_error(platform::last_error());
  Result r = write_and_report(stream, text, source);
  // What the last buffer held arrives now, or the command failed.
  if (!stream.close()) return report_with_system_error(false);
  return r;
}

Result cmd_file_encoding(const ScriptLine&, ExpandedArgs& args) {
  uint32_t encoding;
  // No encoding at all is the system's code page again.
  if (!parse_file_encoding(arg_text(args, 0), 0, encoding)) return report_runtime_error(message(Msg::ParamInvalid1));
  g_thread->file_encoding = encoding;
  return ResultDone;
}

}  // namespace orv
