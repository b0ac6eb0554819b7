// Code-page conversion for the headless host: UTF-8 by the program's own
// routines, every other code page through the C library's iconv under the
// name it knows that Windows code page by.
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/code_pages.h"
#include "platform/platform.h"

namespace orv::platform {

namespace {

// The iconv name of a Windows code page, or null for those Windows does not
// convert through its code-page functions either (the UTF-16 and UTF-32 forms).
const char* iconv_name(uint32_t code_page, char* buf, size_t size) {
  struct Name {
    uint32_t code_page;
    const char* name;
  };
  // The host has no ANSI or OEM code page of its own: those of a Western
  // European Windows stand in for them.
  static constexpr Name kNames[] = {
      {0, "CP1252"}, {1, "CP437"}, {2, "MACINTOSH"}, {3, "CP1252"},
      {1200, nullptr}, {1201, nullptr}, {12000, nullptr}, {12001, nullptr},
      {10000, "MACINTOSH"}, {20127, "ASCII"}, {20866, "KOI8-R"}, {21866, "KOI8-U"},
      {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"},
      {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"}, {28598, "ISO-8859-8"},
      {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"},
      {50220, "ISO-2022-JP"}, {51932, "EUC-JP"}, {51949, "EUC-KR"}, {54936, "GB18030"}, {65000, "UTF-7"},
  };
  for (const Name& n : kNames)
    if (n.code_page == code_page) return n.name;
  snprintf(buf, size, "CP%u", unsigned(code_page));
  return buf;
}

iconv_t open_converter(uint32_t code_page, bool to_code_page) {
  char buf[16];
  const char* name = iconv_name(code_page, buf, sizeof buf);
  if (!name) return iconv_t(-1);
  return to_code_page ? iconv_open(name, "UTF-16LE") : iconv_open("UTF-16LE", name);
}

// Runs the converter over the whole input. A unit of input it cannot take
// becomes `replacement` and is skipped: `skip` says how many bytes that unit has.
template <typename SkipFn>
void run(iconv_t cd, const char* in, size_t in_left, std::string& out, std::string_view replacement, SkipFn skip) {
  char chunk[4096];
  while (in_left) {
    char* source = const_cast<char*>(in);
    char* dest = chunk;
    size_t dest_left = sizeof chunk;
    bool failed = iconv(cd, &source, &in_left, &dest, &dest_left) == size_t(-1);
    int error = errno;
    out.append(chunk, size_t(dest - chunk));
    in = source;
    if (!failed || error == E2BIG) continue;
    // EILSEQ (no such character) or EINVAL (cut off at the end).
    out.append(replacement);
    size_t n = error == EINVAL ? in_left : skip(in, in_left);
    in += n;
    in_left -= n;
  }
  // Shift states end with the text (ISO-2022-JP, UTF-7).
  char* dest = chunk;
  size_t dest_left = sizeof chunk;
  iconv(cd, nullptr, nullptr, &dest, &dest_left);
  out.append(chunk, size_t(dest - chunk));
}

}  // namespace

bool text_to_code_page(StringView text, uint32_t code_page, std::string& out) {
  out.clear();
  if (code_page == kCodePageUtf8) {
    out = utf16_to_utf8(text);
    return true;
  }
  iconv_t cd = open_converter(code_page, true);
  if (cd == iconv_t(-1)) return false;
  // A character the code page lacks becomes "?", as the system's default
  // character; a surrogate pair is one character.
  run(cd, reinterpret_cast<const char*>(text.data()), text.size() * 2, out, "?", [](const char* p, size_t left) {
    char16_t units[2] = {0, 0};
    std::memcpy(units, p, left >= 4 ? 4 : 2);
    return is_high_surrogate(units[0]) && is_low_surrogate(units[1]) ? size_t(4) : size_t(2);
  });
  iconv_close(cd);
  return true;
}

bool code_page_to_text(std::string_view bytes, uint32_t code_page, String& out) {
  out.clear();
  if (code_page == kCodePageUtf8) {
    out = utf8_to_utf16(bytes);
    return true;
  }
  iconv_t cd = open_converter(code_page, false);
  if (cd == iconv_t(-1)) return false;
  std::string units;
  static const char kReplacement[] = {char(0xFD), char(0xFF)};  // U+FFFD, little-endian
  run(cd, bytes.data(), bytes.size(), units, std::string_view(kReplacement, 2), [](const char*, size_t) { return size_t(1); });
  iconv_close(cd);
  out.resize(units.size() / 2);
  std::memcpy(out.data(), units.data(), out.size() * 2);
  return true;
}

bool code_page_to_text_strict(std::string_view bytes, uint32_t code_page, String& out) {
  out.clear();
  if (code_page == kCodePageUtf8) {
    if (!utf8_is_valid(bytes)) return false;
    out = utf8_to_utf16(bytes);
    return true;
  }
  iconv_t cd = open_converter(code_page, false);
  if (cd == iconv_t(-1)) return false;
  std::string units(bytes.size() * 4 + 8, '\0');
  char* source = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* dest = units.data();
  size_t dest_left = units.size();
  bool ok = iconv(cd, &source, &in_left, &dest, &dest_left) != size_t(-1) && in_left == 0 &&
            iconv(cd, nullptr, nullptr, &dest, &dest_left) != size_t(-1);
  iconv_close(cd);
  if (!ok) return false;
  out.resize((units.size() - dest_left) / 2);
  std::memcpy(out.data(), units.data(), out.size() * 2);
  return true;
}

// The ANSI code page of a Western European Windows, as code page 0 above.
uint32_t ansi_code_page() { return 1252; }

int code_page_lead_bytes(uint32_t code_page, uint8_t (&ranges)[12]) {
  // The ranges Windows reports for its double-byte code pages.
  struct Ranges {
    uint32_t code_page;
    int pairs;
    uint8_t bytes[6];
  };
  static constexpr Ranges kRanges[] = {
      {932, 2, {0x81, 0x9F, 0xE0, 0xFC}}, {936, 1, {0x81, 0xFE}}, {949, 1, {0x81, 0xFE}},
      {950, 1, {0x81, 0xFE}}, {1361, 3, {0x84, 0xD3, 0xD8, 0xDE, 0xE0, 0xF9}},
  };
  for (const Ranges& r : kRanges) {
    if (r.code_page != code_page) continue;
    for (int i = 0; i < 2 * r.pairs; ++i) ranges[i] = r.bytes[i];
    return r.pairs;
  }
  return 0;
}

}  // namespace orv::platform
