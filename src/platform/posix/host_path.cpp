#include "platform/posix/host_path.h"

#include <dirent.h>
#include <sys/stat.h>

namespace orv::platform {

namespace {

// The first entry of `dir` whose name differs from `name` only in case.
bool find_spelling(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  String wanted = utf8_to_utf16(name);
  bool ok = false;
  while (dirent* e = readdir(d)) {
    if (equals_ignore_case(utf8_to_utf16(e->d_name), wanted)) {
      found = e->d_name;
      ok = true;
      break;
    }
  }
  closedir(d);
  return ok;
}

}  // namespace

std::string host_path(StringView path) {
  std::string p = utf16_to_utf8(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  struct stat st;
  if (p.empty() || lstat(p.c_str(), &st) == 0) return p;
  std::string out;  // empty, or ending in a slash
  size_t i = 0;
  if (p[0] == '/') out = "/", i = 1;
  while (i < p.size()) {
    size_t end = p.find('/', i);
    if (end == std::string::npos) end = p.size();
    std::string name = p.substr(i, end - i);
    std::string next = out + name;
    if (!name.empty() && name != "." && name != ".." && lstat(next.c_str(), &st) != 0) {
      std::string found;
      // Nothing below a missing name can exist either.
      if (!find_spelling(out.empty() ? std::string(".") : out, name, found)) return out + p.substr(i);
      next = out + found;
    }
    out = std::move(next);
    if (end < p.size()) out += '/';
    i = end + 1;
  }
  return out;
}

std::string host_path_as_named(StringView path) {
  size_t sep = path.find_last_of(u"\\/");
  if (sep == StringView::npos) return utf16_to_utf8(path);
  return host_path(path.substr(0, sep + 1)) + utf16_to_utf8(path.substr(sep + 1));
}

}  // namespace orv::platform
