// The stored script as a sequence of physical lines. The bytes are UTF-8
// unless a UTF-16 LE byte-order mark says otherwise; a UTF-8 mark is skipped.
// A line that is Base64 of packed data is replaced by the unpacked text,
// whose lines are then read in its place.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"

namespace orv {

inline constexpr size_t kMaxPhysicalLine = 16384;
// Base64 lines longer than this cannot hold packed data the reader accepts.
inline constexpr size_t kMaxPackedLineBytes = 32770;

// The length of the UTF-8 (EF BB BF) or UTF-16 LE (FF FE) byte-order mark
// the bytes start with; 0 for none.
size_t byte_order_mark_length(const uint8_t* bytes, size_t size);

// Stored bytes to UTF-16 by their byte-order mark (UTF-8 default).
using TextDecoder = String (*)(const uint8_t* bytes, size_t size);
String decode_script_bytes(const uint8_t* bytes, size_t size);

class TextSource {
 public:
  // The program reads its script through its text streams; this layer,
  // below them, has a plain decoder of its own for the tools and tests.
  explicit TextSource(TextDecoder decode = decode_script_bytes) : decode_(decode) {}

  // Decodes the whole text; a packed resource (one that begins with the
  // packed-data signature) is unpacked first. False when it cannot be.
  bool open(const uint8_t* bytes, size_t size);
  bool open_text(String text);

  // The next physical line without its line end; false at the end of text.
  bool next_line(String& line);
  // Lines handed out so far from the stored text itself (lines that come
  // from unpacked packed lines count as the line they replaced).
  uint32_t line_number() const { return line_number_; }

 private:
  struct Frame {
    String text;
    size_t pos = 0;
  };
  bool take_line(Frame& frame, String& line);
  TextDecoder decode_;
  std::vector<Frame> frames_;
  uint32_t line_number_ = 0;
};

}  // namespace orv
