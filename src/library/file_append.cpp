// FileAppend: text to a file, or to standard output ("*") or error ("**").
// FileEncoding: the encoding a thread's files get when none is named.
#include "base/messages.h"
#include "objects/encoding_names.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/thread_settings.h"

namespace orv {

Result cmd_file_append(const ScriptLine&, ExpandedArgs& args) {
  StringView text = args.count > 0 ? args.text[0] : StringView();
  StringView file = args.count > 1 ? args.text[1] : StringView();
  if (file == u"*") {
    platform::write_stdout(text);
    return set_error_level(0);
  }
  if (file == u"**") {
    platform::write_stderr(text);
    return set_error_level(0);
  }
  // Files get CR LF line ends unless the text already has them.
  String out;
  if (text.find(u"\r\n") == StringView::npos) {
    out.reserve(text.size() + 16);
    for (char16_t c : text) {
      if (c == u'\n') out.push_back(u'\r');
      out.push_back(c);
    }
  } else {
    out = String(text);
  }
  bool ok = !file.empty() && platform::append_file(file, utf16_to_utf8(out));
  return set_error_level(ok ? 0 : 1);
}

Result cmd_file_encoding(const ScriptLine&, ExpandedArgs& args) {
  uint32_t encoding;
  // No encoding at all is the system's code page again.
  if (!parse_file_encoding(args.count > 0 ? args.text[0] : StringView(), 0, encoding))
    return report_runtime_error(message(Msg::ParamInvalid1));
  g_thread->file_encoding = encoding;
  return ResultDone;
}

}  // namespace orv
