// FileRead, OutputVar, [*C *M<bytes> *P<code page> *T] Filename: a whole
// file into a variable. FileReadLine, OutputVar, Filename, LineNumber: one
// line of it.
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/clipboard_snapshot.h"
#include "base/code_pages.h"
#include "base/messages.h"
#include "base/text_source.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/line_pacing.h"
#include "runtime/numbers.h"
#include "runtime/text_stream.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

constexpr uint64_t kMostBytes = 0xFFFFFFFFull;

struct ReadOptions {
  bool binary = false;     // *C
  bool crlf_to_lf = false; // *T
  uint64_t limit = UINT64_MAX;  // *M
  uint32_t code_page;      // *P, else the thread's file encoding
  StringView file;
};

bool is_blank_or_tab(char16_t c) { return c == u' ' || c == u'\t'; }

// The options before the file name; false when one is malformed.
bool parse_read_options(StringView text, ReadOptions& o) {
  size_t i = 0;
  while (i < text.size() && is_blank_or_tab(text[i])) ++i;
  while (i + 1 < text.size() && text[i] == u'*') {
    char16_t letter = upper_case(text[i + 1]);
    i += 2;
    if (letter == u'M' || letter == u'P') {
      size_t end = i;
      while (end < text.size() && !is_blank_or_tab(text[end])) ++end;
      // The number must be followed by the file name, past a blank or tab.
      if (end == i || end == text.size()) return false;
      StringView number = text.substr(i, end - i);
      if (numeric_type_of(number) != NumType::Integer) return false;
      int64_t value = text_to_int(number);
      if (value < 0) return false;
      if (letter == u'M') o.limit = uint64_t(value);
      else o.code_page = uint32_t(value);
      i = end;
    } else if (letter == u'C') {
      o.binary = true;
    } else if (letter == u'T') {
      o.crlf_to_lf = true;
    } else {
      return false;
    }
    if (i >= text.size() || !is_blank_or_tab(text[i])) return false;
    while (i < text.size() && is_blank_or_tab(text[i])) ++i;
  }
  o.file = text.substr(i);
  return true;
}

// Reads up to `want` bytes; fewer when the file shrank meanwhile.
bool read_bytes(platform::FileHandle file, std::string& bytes, uint64_t want) {
  bytes.resize(size_t(want));
  size_t done = 0;
  while (done < bytes.size()) {
    uint32_t chunk = uint32_t(std::min<size_t>(bytes.size() - done, 1u << 30)), got = 0;
    if (!platform::read_file_bytes(file, bytes.data() + done, chunk, got)) return false;
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return true;
}

// The bytes as text: a byte-order mark decides, as it does for a script,
// else the code page.
String decode_file_text(std::string_view bytes, uint32_t code_page) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (code_page == kCodePageUtf8 || byte_order_mark_length(data, bytes.size()))
    return decode_script_bytes(data, bytes.size());
  if (code_page == kCodePageUtf16) {
    // An odd last byte is no character.
    String text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text;
  }
  String text;
  if (!platform::code_page_to_text(bytes, code_page ? code_page : platform::ansi_code_page(), text))
    text = utf8_to_utf16(bytes);
  return text;
}

void crlf_to_lf(String& text) {
  size_t out = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    text[out++] = text[i];
  }
  text.resize(out);
}

// Binary mode: the bytes themselves become the variable's contents, an odd
// count padded with a zero byte.
Result store_bytes(Variable& out, const std::string& bytes) {
  String units((bytes.size() + 1) / 2, u'\0');
  std::memcpy(units.data(), bytes.data(), bytes.size());
  return out.assign(units);
}

}  // namespace

Result cmd_file_read(const ScriptLine&, ExpandedArgs& args) {
  Variable* out = args.vars[0];
  if (!out) return ResultDone;
  // Read into ClipboardAll, a snapshot file goes back on the clipboard.
  const bool to_clipboard = out->target().type == VarType::ClipboardAll;
  if (!to_clipboard && !out->assign_empty()) return ResultFailed;
  ReadOptions o;
  o.code_page = g_thread->file_encoding & ~kEncodingNoBom;
  if (!parse_read_options(arg_text(args, 1), o) || o.file.empty()) return fail_with_last_error(platform::ErrorInvalidParameter);

  platform::FileHandle file =
      platform::open_file(o.file, platform::AccessRead, platform::FileCreation::OpenExisting,
                          platform::ShareRead | platform::ShareWrite, true);
  if (file == platform::kNoFile) return fail_with_last_error(platform::last_error());
  int64_t size = platform::file_size(file);
  uint64_t want = size < 0 ? 0 : std::min(uint64_t(size), o.limit);
  if (want > kMostBytes) {
    platform::close_file(file);
    return report_runtime_error(message(Msg::OutOfMemory));
  }
  // Refused before reading when even the most compact decoding (three
  // bytes of UTF-8 to one character of two) would pass what a variable
  // may hold; the store checks the exact size.
  uint64_t least_stored = o.binary ? want : want / 3 * 2;
  if (least_stored > g_var_settings.memory_limit) {
    platform::close_file(file);
    return report_memory_limit();
  }
  std::string bytes;
  bool ok = read_bytes(file, bytes, want);
  uint32_t error = platform::last_error();
  platform::close_file(file);
  if (!ok) return fail_with_last_error(error);
  if (to_clipboard) {
    // A file that is no snapshot leaves the clipboard alone: the read failed.
    std::vector<ClipboardRecord> records;
    if (!read_clipboard_snapshot(bytes.data(), bytes.size(), records))
      return fail_with_last_error(platform::ErrorInvalidData);
    if (!platform::restore_clipboard_snapshot(bytes.data(), bytes.size()))
      return report_runtime_error(message(Msg::ClipboardNotWritable));
  } else if (!bytes.empty()) {
    if (o.binary) {
      if (!store_bytes(*out, bytes)) return ResultFailed;
    } else {
      String text = decode_file_text(bytes, o.code_page);
      bytes = std::string();
      if (o.crlf_to_lf) crlf_to_lf(text);
      if (!out->assign(text)) return ResultFailed;
    }
  }
  g_thread->last_error = error;
  return set_error_level(0);
}

Result cmd_file_read_line(const ScriptLine&, ExpandedArgs& args) {
  Variable* out = args.vars[0];
  int64_t wanted = text_to_int(arg_text(args, 2));
  if (wanted < 1) return fail_with_last_error(platform::ErrorInvalidParameter);
  TextFile in;
  if (!in.open_for_lines(arg_text(args, 1), g_thread->file_encoding)) return fail_with_last_error(platform::last_error());
  String line;
  for (int64_t n = 1;; ++n) {
    if (!in.read_line(line)) return fail_with_last_error(platform::last_error());
    if (n == wanted) break;
    // A long way to the line: the program still answers meanwhile.
    before_line();
  }
  if (out && !out->assign(line)) return ResultFailed;
  return set_error_level(0);
}

}  // namespace orv
