// SplitPath, InputVar [, OutFileName, OutDir, OutExtension, OutNameNoExt,
// OutDrive]: a path, UNC path or URL taken apart. Backslashes and forward
// slashes both separate; the directory never keeps its final separator,
// even at the root ("C:\x.txt" is in "C:").
#include "runtime/executor.h"

#include "runtime/variable.h"

namespace orv {

namespace {

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

bool is_ascii_letter(char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; }

size_t find_separator(StringView s, size_t from) {
  for (size_t i = from; i < s.size(); ++i)
    if (is_separator(s[i])) return i;
  return StringView::npos;
}

// "http://", "ftp://": a scheme of at least two characters (one letter
// followed by a colon is a drive) before "://".
bool is_url_scheme(StringView s) {
  if (s.size() < 2 || !is_ascii_letter(s[0])) return false;
  for (char16_t c : s)
    if (!is_ascii_letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.') return false;
  return true;
}

// The length of the part that names the drive: "C:", "\\server" or
// "scheme://host"; 0 when there is none.
size_t drive_length(StringView path) {
  size_t scheme = path.find(u"://");
  if (scheme != StringView::npos && is_url_scheme(path.substr(0, scheme))) {
    size_t host_end = find_separator(path, scheme + 3);
    return host_end == StringView::npos ? path.size() : host_end;
  }
  if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
    size_t server_end = find_separator(path, 2);
    return server_end == StringView::npos ? path.size() : server_end;
  }
  if (path.size() >= 2 && path[1] == u':' && is_ascii_letter(path[0])) return 2;
  return 0;
}

Result store(Variable* v, StringView value) { return v ? v->assign(value) : ResultDone; }

}  // namespace

Result cmd_split_path(const ScriptLine&, ExpandedArgs& args) {
  StringView path = arg_text(args, 0);
  size_t drive = drive_length(path);
  size_t last = StringView::npos;
  for (size_t i = drive; i < path.size(); ++i)
    if (is_separator(path[i])) last = i;
  StringView dir = last == StringView::npos ? path.substr(0, drive) : path.substr(0, last);
  StringView name = last == StringView::npos ? path.substr(drive) : path.substr(last + 1);
  size_t dot = name.rfind(u'.');
  StringView extension = dot == StringView::npos ? StringView() : name.substr(dot + 1);
  StringView name_no_ext = name.substr(0, dot);
  auto out = [&](int i) { return i < args.count ? args.vars[i] : nullptr; };
  if (!store(out(1), name) || !store(out(2), dir) || !store(out(3), extension) || !store(out(4), name_no_ext) ||
      !store(out(5), path.substr(0, drive)))
    return ResultFailed;
  return ResultDone;
}

}  // namespace orv
