// Settings files for the headless host, which has no profile functions of
// the system: the file is read into lines, changed in memory and written
// back whole. A line that is not changed goes back as the very bytes it was
// read as, so comments, blank lines, lines of no known form and text that
// is not valid in the file's encoding all survive. The file keeps its
// encoding (UTF-16 either way round by its mark, UTF-8 with or without a
// mark) and its kind of line end. The new contents go to a temporary file
// in the same folder that then takes the old one's place in one step, so
// no reader ever sees half a file and a failed write leaves the old one.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/ini_files.h"
#include "platform/posix/error_codes.h"
#include "platform/posix/headless.h"
#include "platform/posix/host_io.h"

namespace orv::platform {

namespace {

constexpr size_t kMostValue = 65535;

enum class Encoding : uint8_t { Utf8, Utf8Marked, Utf16Le, Utf16Be };

struct Line {
  String text;      // without its line end
  std::string raw;  // the bytes as read, line end included; empty once changed or when new
  bool ended = true;
};

struct IniText {
  Encoding encoding = Encoding::Utf8;
  StringView newline = u"\r\n";
  std::vector<Line> lines;
};

enum class Kind : uint8_t { Blank, Comment, Header, Key, Other };

struct Parsed {
  Kind kind;
  StringView name;   // a header's section or a key
  StringView value;  // a key's
};

Parsed parse_line(StringView text) {
  StringView t = trim(text);
  if (t.empty()) return {Kind::Blank, {}, {}};
  if (t[0] == u';') return {Kind::Comment, {}, {}};
  if (t[0] == u'[') {
    size_t close = t.find(u']');
    if (close != StringView::npos) return {Kind::Header, trim(t.substr(1, close - 1)), {}};
    return {Kind::Other, {}, {}};
  }
  size_t eq = t.find(u'=');
  if (eq == StringView::npos) return {Kind::Other, t, {}};
  return {Kind::Key, trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

// The lines of one section: its header (none for the part before the first
// header) and its body up to the next header.
struct Span {
  size_t header;  // npos: the part before any header
  size_t begin, end;
};

std::vector<Span> sections_of(const IniText& ini) {
  std::vector<Span> spans{{String::npos, 0, ini.lines.size()}};
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    if (parse_line(ini.lines[i].text).kind != Kind::Header) continue;
    spans.back().end = i;
    spans.push_back({i, i + 1, ini.lines.size()});
  }
  return spans;
}

bool has_keys(const IniText& ini, const Span& s) {
  for (size_t i = s.begin; i < s.end; ++i)
    if (parse_line(ini.lines[i].text).kind == Kind::Key) return true;
  return false;
}

// The first section of that name. The part before any header is the
// section with no name only while it holds keys: a file made for that
// section starts with an empty header, "[]", and its keys go below that.
bool find_section(const IniText& ini, StringView name, Span& found) {
  for (const Span& s : sections_of(ini)) {
    bool match = s.header == String::npos
                     ? name.empty() && has_keys(ini, s)
                     : equals_ignore_case(parse_line(ini.lines[s.header].text).name, name);
    if (match) {
      found = s;
      return true;
    }
  }
  return false;
}

size_t find_key(const IniText& ini, const Span& s, StringView key) {
  for (size_t i = s.begin; i < s.end; ++i) {
    Parsed p = parse_line(ini.lines[i].text);
    if (p.kind == Kind::Key && equals_ignore_case(p.name, key)) return i;
  }
  return String::npos;
}

// Where a new key of the section goes: after its last line that is not
// blank, so that the blank lines before the next header stay there.
size_t end_of_content(const IniText& ini, const Span& s) {
  size_t at = s.end;
  while (at > s.begin && parse_line(ini.lines[at - 1].text).kind == Kind::Blank) --at;
  return at;
}

Line new_line(String text) {
  Line line;
  line.text = std::move(text);
  return line;
}

String header_text(StringView section) { return u"[" + String(section) + u"]"; }

// --- Reading and writing the bytes -----------------------------------------

bool is_utf16(Encoding e) { return e == Encoding::Utf16Le || e == Encoding::Utf16Be; }

std::string encode(const IniText& ini, StringView text) {
  if (!is_utf16(ini.encoding)) return utf16_to_utf8(text);
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    char lo = char(c & 0xFF), hi = char(c >> 8);
    bytes += ini.encoding == Encoding::Utf16Le ? lo : hi;
    bytes += ini.encoding == Encoding::Utf16Le ? hi : lo;
  }
  return bytes;
}

std::string mark_of(Encoding e) {
  switch (e) {
    case Encoding::Utf8Marked: return "\xEF\xBB\xBF";
    case Encoding::Utf16Le: return "\xFF\xFE";
    case Encoding::Utf16Be: return "\xFE\xFF";
    default: return std::string();
  }
}

void split_lines(IniText& ini, std::string_view body) {
  const size_t unit = is_utf16(ini.encoding) ? 2 : 1;
  auto unit_at = [&](size_t at) -> char16_t {
    if (unit == 1) return char16_t(uint8_t(body[at]));
    uint8_t a = uint8_t(body[at]), b = uint8_t(body[at + 1]);
    return ini.encoding == Encoding::Utf16Le ? char16_t(a | b << 8) : char16_t(b | a << 8);
  };
  const size_t whole = body.size() / unit * unit;
  bool newline_seen = false;
  size_t start = 0;
  while (start < body.size()) {
    size_t at = start;
    while (at < whole && unit_at(at) != u'\n') at += unit;
    Line line;
    line.ended = at < whole;
    size_t text_end = at;
    if (line.ended) {
      bool crlf = at > start && unit_at(at - unit) == u'\r';
      if (crlf) text_end -= unit;
      if (!newline_seen) ini.newline = crlf ? u"\r\n" : u"\n";
      newline_seen = true;
      at += unit;
    } else {
      at = body.size();  // an odd last byte of UTF-16 stays with the last line
      text_end = whole;
    }
    line.raw = std::string(body.substr(start, at - start));
    std::string_view text_bytes = body.substr(start, text_end - start);
    if (unit == 1) {
      line.text = utf8_to_utf16(text_bytes);
    } else {
      for (size_t i = start; i < text_end; i += 2) line.text += unit_at(i);
    }
    ini.lines.push_back(std::move(line));
    start = at;
  }
}

IniText decode(std::string_view bytes) {
  IniText ini;
  if (bytes.substr(0, 2) == "\xFF\xFE") ini.encoding = Encoding::Utf16Le;
  else if (bytes.substr(0, 2) == "\xFE\xFF") ini.encoding = Encoding::Utf16Be;
  else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") ini.encoding = Encoding::Utf8Marked;
  split_lines(ini, bytes.substr(mark_of(ini.encoding).size()));
  return ini;
}

std::string encode_all(const IniText& ini) {
  std::string bytes = mark_of(ini.encoding);
  const std::string newline = encode(ini, ini.newline);
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    const Line& line = ini.lines[i];
    const bool last = i + 1 == ini.lines.size();
    if (line.raw.empty()) {
      bytes += encode(ini, line.text);
      bytes += newline;
    } else {
      bytes += line.raw;
      // A last line without its end gets one once lines follow it.
      if (!line.ended && !last) bytes += newline;
    }
  }
  return bytes;
}

// The file name as the system takes it, after the checks every call makes:
// a confined run keeps to its folder, and a path past the system's limit
// is refused rather than reaching some other file.
bool checked_name(StringView file, std::string& name) {
  if (file.empty()) return fail_with(ErrorInvalidParameter);
  if (confined() && !path_stays_inside(file)) return fail_with(ErrorAccessDenied);
  name = utf16_to_utf8(file);
  size_t full = name.size();
  if (name[0] != '/') {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return fail_with_errno();
    full += strlen(cwd) + 1;
  }
  if (full >= PATH_MAX) return fail_with(ErrorFilenameTooLong);
  return true;
}

// False with the error set when the file cannot be read; a missing file
// reads as `missing` says.
bool load(const std::string& name, IniText& ini, bool& missing) {
  missing = false;
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    missing = errno == ENOENT;
    return fail_with_errno();
  }
  std::string bytes;
  bool ok = read_all(fd, bytes);
  int error = errno;
  ::close(fd);
  errno = error;
  if (!ok) return fail_with_errno();
  ini = decode(bytes);
  return true;
}

bool load_for_reading(StringView file, IniText& ini) {
  std::string name;
  bool missing;
  return checked_name(file, name) && load(name, ini, missing);
}

// A new file starts as the UTF-16 mark and the section's header, made only
// where no file is: one another program makes meanwhile is used as it is.
bool create_if_missing(const std::string& name, StringView section) {
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST || fail_with_errno();
  IniText ini;
  ini.encoding = Encoding::Utf16Le;
  std::string bytes = mark_of(ini.encoding) + encode(ini, header_text(section));
  bool ok = write_all(fd, bytes);
  int error = errno;
  ::close(fd);
  errno = error;
  return ok || fail_with_errno();
}

// The new contents take the old file's place in one step.
bool replace(const std::string& name, const IniText& ini) {
  // Renaming over a read-only file would succeed where writing it fails.
  if (::access(name.c_str(), W_OK) != 0) return fail_with_errno();
  std::string temp;
  int fd = create_temporary_beside(name, temp);
  if (fd < 0) return fail_with_errno();
  struct stat st;
  bool ok = write_all(fd, encode_all(ini));
  // The file keeps who may read and write it.
  if (ok && ::stat(name.c_str(), &st) == 0) ok = fchmod(fd, st.st_mode & 07777) == 0;
  ok = ok && fsync(fd) == 0;
  int error = errno;
  ::close(fd);
  if (ok && ::rename(temp.c_str(), name.c_str()) == 0) return true;
  if (ok) error = errno;
  ::unlink(temp.c_str());
  errno = error;
  return fail_with_errno();
}

// Reads the file (made first when `create`), lets `change` edit it and
// writes it back when it changed anything.
template <typename Change>
bool edit(StringView file, StringView section, bool create, Change change) {
  std::string name;
  if (!checked_name(file, name)) return false;
  if (create && !create_if_missing(name, section)) return false;
  IniText ini;
  bool missing;
  if (!load(name, ini, missing)) {
    // Nothing to delete from a file that is not there.
    if (!missing || create) return false;
    return succeed();
  }
  if (!change(ini)) {
    return succeed();
  }
  if (!replace(name, ini)) return false;
  return succeed();
}

}  // namespace

bool ini_read_key(StringView file, StringView section, StringView key, String& value) {
  IniText ini;
  Span s;
  if (!load_for_reading(file, ini) || !find_section(ini, section, s)) return false;
  size_t at = find_key(ini, s, key);
  if (at == String::npos) return false;
  StringView v = parse_line(ini.lines[at].text).value;
  if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
  value = String(v.substr(0, kMostValue));
  return true;
}

String ini_read_section(StringView file, StringView section) {
  IniText ini;
  Span s;
  String text;
  if (!load_for_reading(file, ini) || !find_section(ini, section, s)) return text;
  for (size_t i = s.begin; i < s.end; ++i) {
    Parsed p = parse_line(ini.lines[i].text);
    if (p.kind == Kind::Key) text += String(p.name) + u"=" + String(p.value) + u"\n";
    else if (p.kind == Kind::Other) text += String(p.name) + u"\n";
  }
  return text;
}

String ini_read_section_names(StringView file) {
  IniText ini;
  String text;
  if (!load_for_reading(file, ini)) return text;
  for (const Span& s : sections_of(ini))
    if (s.header != String::npos) text += String(parse_line(ini.lines[s.header].text).name) + u"\n";
  return text;
}

bool ini_write_key(StringView file, StringView section, StringView key, StringView value) {
  return edit(file, section, true, [&](IniText& ini) {
    String line = String(key) + u"=" + String(value);
    Span s;
    if (!find_section(ini, section, s)) {
      ini.lines.push_back(new_line(header_text(section)));
      ini.lines.push_back(new_line(std::move(line)));
      return true;
    }
    size_t at = find_key(ini, s, key);
    if (at == String::npos) {
      ini.lines.insert(ini.lines.begin() + std::ptrdiff_t(end_of_content(ini, s)), new_line(std::move(line)));
      return true;
    }
    // The key keeps the spelling the file gave it.
    String kept = String(parse_line(ini.lines[at].text).name) + u"=" + String(value);
    if (kept == ini.lines[at].text) return false;
    ini.lines[at] = new_line(std::move(kept));
    return true;
  });
}

bool ini_write_section(StringView file, StringView section, StringView lines) {
  return edit(file, section, true, [&](IniText& ini) {
    std::vector<Line> added;
    for (size_t start = 0; start < lines.size();) {
      size_t end = std::min(lines.find(u'\n', start), lines.size());
      added.push_back(new_line(String(lines.substr(start, end - start))));
      start = end + 1;
    }
    Span s;
    size_t from, to;
    if (find_section(ini, section, s)) {
      from = s.begin;
      to = end_of_content(ini, s);
    } else {
      ini.lines.push_back(new_line(header_text(section)));
      from = to = ini.lines.size();
    }
    ini.lines.erase(ini.lines.begin() + std::ptrdiff_t(from), ini.lines.begin() + std::ptrdiff_t(to));
    ini.lines.insert(ini.lines.begin() + std::ptrdiff_t(from), added.begin(), added.end());
    return true;
  });
}

bool ini_delete_key(StringView file, StringView section, StringView key) {
  return edit(file, section, false, [&](IniText& ini) {
    Span s;
    if (!find_section(ini, section, s)) return false;
    size_t at = find_key(ini, s, key);
    if (at == String::npos) return false;
    ini.lines.erase(ini.lines.begin() + std::ptrdiff_t(at));
    return true;
  });
}

bool ini_delete_section(StringView file, StringView section) {
  return edit(file, section, false, [&](IniText& ini) {
    Span s;
    if (!find_section(ini, section, s)) return false;
    size_t from = s.header == String::npos ? s.begin : s.header;
    ini.lines.erase(ini.lines.begin() + std::ptrdiff_t(from), ini.lines.begin() + std::ptrdiff_t(s.end));
    return true;
  });
}

}  // namespace orv::platform
