// Fuzz target: the text-stream decoder. Arbitrary bytes, read as text in a
// code page (a mark in them may change it) with arbitrary line-end options,
// must come out the same however the reads are cut: in one whole read, and
// in reads of changing sizes, some of them in line mode. A line read must
// stop right after its first line feed.
//
// The first input byte picks the code page, the second the line-end
// options, the third seeds the read sizes; the rest is the stream's content.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/text_stream.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "stream_fuzz: %s\n", what);
    abort();
  }
}

// UTF-8 and UTF-16 by the stream's own code, a single-byte and a
// double-byte code page through the platform's conversion.
constexpr uint32_t kCodePages[] = {65001, 1200, 1252, 936, 932};

bool open_over(orv::TextMem& m, const uint8_t* data, size_t size, uint32_t flags, uint32_t code_page) {
  void* block = std::malloc(size ? size : 1);
  if (!block) return false;
  if (size) std::memcpy(block, data, size);
  return m.open(block, size, true, flags, code_page);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  uint32_t code_page = kCodePages[data[0] % (sizeof kCodePages / sizeof kCodePages[0])];
  uint32_t flags = orv::TextStream::ModeRead;
  if (data[1] & 1) flags |= orv::TextStream::TranslateLf;
  if (data[1] & 2) flags |= orv::TextStream::TranslateCr;
  uint32_t seed = data[2] | uint32_t(data[1]) << 8;
  data += 3, size -= 3;

  orv::TextMem whole;
  if (!open_over(whole, data, size, flags, code_page)) return 0;
  orv::String expected;
  whole.read(expected, SIZE_MAX);
  check(whole.at_eof(), "a whole read stopped before the end");

  orv::TextMem pieces;
  if (!open_over(pieces, data, size, flags, code_page)) return 0;
  orv::String got;
  for (size_t guard = 0;; ++guard) {
    check(guard <= size + 2, "piecewise reads do not come to an end");
    seed = seed * 1103515245u + 12345u;
    bool line_mode = (seed >> 16) & 1;
    size_t want = 1 + ((seed >> 17) % 9000);
    size_t before = got.size();
    size_t n = pieces.read(got, want, line_mode);
    check(n == got.size() - before && n <= want, "a read reported another count than it appended");
    if (line_mode) {
      size_t lf = got.find(u'\n', before);
      check(lf == orv::String::npos || lf == got.size() - 1, "a line read went past its line feed");
    }
    if (n == 0) break;
  }
  check(got == expected, "piecewise reads differ from one whole read");
  return 0;
}
