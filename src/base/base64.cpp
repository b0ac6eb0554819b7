#include "base/base64.h"

namespace orv {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int kSkip = -2;
constexpr int kPad = -3;
constexpr int kBad = -1;

// Classifies one code unit; anything outside ASCII is invalid, which is why a
// UTF-16 view can share the decoder without converting first.
constexpr int classify(uint32_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<int>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a' + 26);
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '/') return 63;
  if (c == '=') return kPad;
  if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return kSkip;
  return kBad;
}

template <typename Char>
bool decode(std::basic_string_view<Char> text, std::vector<uint8_t>& out, size_t max_size) {
  out.clear();
  // First pass: validate and count, so the size limit is enforced before
  // anything is allocated for a hostile input.
  size_t digits = 0, pads = 0;
  for (Char ch : text) {
    int v = classify(static_cast<uint32_t>(ch));
    if (v == kBad) return false;
    if (v == kSkip) continue;
    if (v == kPad) {
      ++pads;
      continue;
    }
    if (pads != 0) return false;  // data after padding
    ++digits;
  }
  size_t tail = digits % 4;
  if (tail == 1) return false;  // six bits cannot form a byte
  if (pads != 0 && (pads > 2 || (digits + pads) % 4 != 0)) return false;
  size_t size = digits / 4 * 3 + (tail == 0 ? 0 : tail - 1);
  if (size > max_size) return false;

  out.reserve(size);
  uint32_t acc = 0;
  int bits = 0;
  for (Char ch : text) {
    int v = classify(static_cast<uint32_t>(ch));
    if (v < 0) continue;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> bits));
      acc &= (1u << bits) - 1;
    }
  }
  return true;
}

}  // namespace

std::string base64_encode(const uint8_t* data, size_t size) {
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (size - i == 1) {
    uint32_t v = uint32_t{data[i]} << 16;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (size - i == 2) {
    uint32_t v = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

bool base64_decode(std::string_view text, std::vector<uint8_t>& out, size_t max_size) {
  return decode(text, out, max_size);
}

bool base64_decode(std::u16string_view text, std::vector<uint8_t>& out, size_t max_size) {
  return decode(text, out, max_size);
}

}  // namespace orv
