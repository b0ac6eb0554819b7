#include "library/file_append.h"

#include "platform/platform.h"
#include "runtime/executor.h"
#include "runtime/scope.h"
#include "runtime/variable.h"

namespace orv {

namespace {

void set_error_level(int value) {
  if (Variable* v = find_or_add_variable(*g_script, u"ErrorLevel")) (void)v->assign_int(value);
}

}  // namespace

Result file_append(const ExpandedArgs& args) {
  StringView text = args.count > 0 ? args.text[0] : StringView();
  StringView file = args.count > 1 ? args.text[1] : StringView();
  if (file == u"*") {
    platform::write_stdout(text);
    set_error_level(0);
    return ResultDone;
  }
  if (file == u"**") {
    platform::write_stderr(text);
    set_error_level(0);
    return ResultDone;
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
  set_error_level(ok ? 0 : 1);
  return ResultDone;
}

}  // namespace orv
