// Fuzz target: the packed-data reader and Base64, the two decoders that see
// bytes from outside before anything checks them. The first input byte picks
// what the rest is:
//   0  a packed blob as stored (header checks, sizes, the check value)
//   1  a raw deflate payload behind a header made to fit it, so that the
//      fuzzer reaches the inflater past the check value; the first four
//      bytes give the unpacked size it claims
//   2  Base64 text (8-bit), the first byte a limit on the decoded size
//   3  Base64 text (16-bit units)
//   4  any bytes, which must survive packing and Base64 unchanged
//   5  script text whose lines may hold Base64 of packed data, read as the
//      script reader reads its source; the first byte says which lines get
//      the rest packed into them
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/base64.h"
#include "base/hash_data.h"
#include "base/packed_data.h"
#include "base/text_source.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "packed_fuzz: %s\n", what);
    abort();
  }
}

void put_u32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

// A header with the right signature and check value around `payload`.
std::vector<uint8_t> with_header(const uint8_t* payload, size_t size, uint32_t unpacked) {
  std::vector<uint8_t> blob(orv::kPackedHeaderSize + size);
  put_u32(blob, 0, orv::kPackedSignature);
  auto digest = orv::hash_data4(payload, size);
  std::memcpy(blob.data() + 4, digest.data(), 4);
  put_u32(blob, 8, uint32_t(size));
  put_u32(blob, 12, unpacked);
  put_u32(blob, 16, 0);
  if (size) std::memcpy(blob.data() + orv::kPackedHeaderSize, payload, size);
  return blob;
}

void unpack_checked(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out{1, 2, 3};
  bool ok = orv::unpack_data(data, size, out);
  check(ok || out.empty(), "a refused blob left output behind");
  if (ok && size >= orv::kPackedHeaderSize) {
    uint32_t unpacked;
    std::memcpy(&unpacked, data + 12, 4);
    check(out.size() == unpacked, "unpacked size differs from the header");
  }
}

void round_trip(const uint8_t* data, size_t size) {
  std::vector<uint8_t> packed = orv::pack_data(data, size);
  std::vector<uint8_t> back;
  check(orv::unpack_data(packed.data(), packed.size(), back), "packed data does not unpack");
  check(back.size() == size && (size == 0 || std::memcmp(back.data(), data, size) == 0), "packing changed the data");
  std::string text = orv::base64_encode(data, size);
  check(orv::base64_decode(text, back), "Base64 of the data does not decode");
  check(back.size() == size && (size == 0 || std::memcmp(back.data(), data, size) == 0), "Base64 changed the data");
  std::u16string wide(text.begin(), text.end());
  check(orv::base64_decode(wide, back) && back.size() == size, "16-bit Base64 differs");
}

void read_lines(const uint8_t* data, size_t size) {
  if (size == 0) return;
  // Lines picked by the first byte's bits hold the rest of the input as a
  // packed line; the rest also stays the text around them.
  uint8_t pick = data[0];
  ++data, --size;
  std::vector<uint8_t> stored = with_header(data, size, uint32_t(size));
  std::string packed_line = orv::base64_encode(stored.data(), stored.size());
  std::string text;
  size_t start = 0;
  int line = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != '\n') continue;
    text.append(reinterpret_cast<const char*>(data + start), i - start);
    text += '\n';
    if (line < 8 && (pick >> line) & 1) text += packed_line + "\n";
    ++line;
    start = i + 1;
  }
  orv::TextSource source;
  if (!source.open(reinterpret_cast<const uint8_t*>(text.data()), text.size())) return;
  orv::String l;
  size_t guard = 0;
  while (source.next_line(l)) {
    check(l.size() <= orv::kMaxPhysicalLine, "a physical line longer than the reader's buffer");
    check(++guard < 100000000, "the reader does not come to an end");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t mode = data[0] % 6;
  ++data, --size;
  switch (mode) {
    case 0:
      unpack_checked(data, size);
      break;
    case 1: {
      if (size < 4) return 0;
      uint32_t unpacked;
      std::memcpy(&unpacked, data, 4);
      // Claims up to 16 MB, so that a run stays quick.
      unpacked &= 0xFFFFFF;
      std::vector<uint8_t> blob = with_header(data + 4, size - 4, unpacked);
      unpack_checked(blob.data(), blob.size());
      break;
    }
    case 2: {
      if (size < 1) return 0;
      size_t limit = size_t(data[0]) * 64;
      std::vector<uint8_t> out{7};
      std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
      bool ok = orv::base64_decode(text, out, limit);
      check(ok ? out.size() <= limit : out.empty(), "Base64 broke its limit or left output behind");
      if (ok) {
        // What decodes must decode again, the same, from its canonical form.
        std::vector<uint8_t> again;
        std::string canonical = orv::base64_encode(out.data(), out.size());
        check(orv::base64_decode(canonical, again) && again == out, "canonical Base64 differs");
      }
      break;
    }
    case 3: {
      std::u16string text;
      for (size_t i = 0; i + 1 < size; i += 2) text.push_back(char16_t(data[i] | data[i + 1] << 8));
      std::vector<uint8_t> out;
      bool ok = orv::base64_decode(text, out);
      check(ok || out.empty(), "16-bit Base64 left output behind");
      break;
    }
    case 4:
      round_trip(data, size);
      break;
    default:
      read_lines(data, size);
      break;
  }
  return 0;
}
