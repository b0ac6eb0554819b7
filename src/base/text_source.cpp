#include "base/text_source.h"

#include "base/base64.h"
#include "base/packed_data.h"

namespace orv {

size_t byte_order_mark_length(const uint8_t* bytes, size_t size) {
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return 2;
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return 3;
  return 0;
}

String decode_script_bytes(const uint8_t* bytes, size_t size) {
  const size_t mark = byte_order_mark_length(bytes, size);
  if (mark == 2) {
    // An odd last byte is no character.
    String text((size - 2) / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = char16_t(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
    return text;
  }
  return utf8_to_utf16(std::string_view(reinterpret_cast<const char*>(bytes + mark), size - mark));
}

bool TextSource::open(const uint8_t* bytes, size_t size) {
  if (is_packed_data(bytes, size)) {
    std::vector<uint8_t> plain;
    if (!unpack_data(bytes, size, plain)) return false;
    return open_text(decode_(plain.data(), plain.size()));
  }
  return open_text(decode_(bytes, size));
}

bool TextSource::open_text(String text) {
  frames_.clear();
  frames_.push_back(Frame{std::move(text), 0});
  line_number_ = 0;
  return true;
}

bool TextSource::take_line(Frame& frame, String& line) {
  if (frame.pos >= frame.text.size()) return false;
  size_t start = frame.pos;
  size_t lf = frame.text.find(u'\n', start);
  size_t end = lf == String::npos ? frame.text.size() : lf;
  size_t next = lf == String::npos ? end : lf + 1;
  // The CR of a CRLF is part of the line end, not of the line, also when
  // the line fills the reader's buffer exactly.
  if (end > start && frame.text[end - 1] == u'\r') --end;
  // A line longer than the reader's buffer is handed out in pieces.
  if (end - start > kMaxPhysicalLine) {
    end = start + kMaxPhysicalLine;
    next = end;
  }
  frame.pos = next;
  line.assign(frame.text, start, end - start);
  return true;
}

namespace {

// Cheap test before decoding: Base64 of "PK\3\4" always begins "UEsDB".
bool may_be_packed_line(const String& line) {
  return line.size() >= 28 && line.compare(0, 5, u"UEsDB") == 0 && line.size() % 4 == 0;
}

}  // namespace

bool TextSource::next_line(String& line) {
  while (!frames_.empty()) {
    Frame& top = frames_.back();
    if (!take_line(top, line)) {
      frames_.pop_back();
      continue;
    }
    if (frames_.size() == 1) ++line_number_;
    if (!may_be_packed_line(line)) return true;
    std::vector<uint8_t> bytes;
    if (!base64_decode(line, bytes, kMaxPackedLineBytes) || !is_packed_data(bytes.data(), bytes.size()))
      return true;
    std::vector<uint8_t> plain;
    if (!unpack_data(bytes.data(), bytes.size(), plain)) {
      // Damaged packed data ends the text rather than running half a script.
      frames_.clear();
      return false;
    }
    // Unpacked text is decoded like the stored text, byte-order mark and all.
    frames_.push_back(Frame{decode_(plain.data(), plain.size()), 0});
  }
  return false;
}

}  // namespace orv
