// FileAppend: text to a file, or to standard output ("*") or error ("**").
#include "platform/platform.h"
#include "runtime/error_level.h"
#include "runtime/executor.h"

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

}  // namespace orv
