#include "base/packed_data.h"

#include <zlib.h>

#include <cstring>

#include "base/hash_data.h"

namespace orv {
namespace {

uint32_t read_u32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void write_u32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Deflate cannot expand more than 1032:1 (a 258-byte match in two bits), so a
// header claiming more than that is lying, and is refused before the output
// buffer is allocated.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = 64;

bool inflate_raw(const uint8_t* in, uint32_t in_size, uint32_t out_size, std::vector<uint8_t>& out) {
  if (uint64_t{out_size} > uint64_t{in_size} * kMaxInflateRatio + kInflateSlack) return false;
  z_stream zs{};
  if (inflateInit2(&zs, -15) != Z_OK) return false;
  // One spare byte: if inflate fills it, the stream holds more than the header
  // said, which is as wrong as holding less.
  out.resize(size_t{out_size} + 1);
  zs.next_in = const_cast<Bytef*>(in);
  zs.avail_in = in_size;
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&zs, Z_FINISH);
  bool ok = rc == Z_STREAM_END && zs.total_out == out_size;
  inflateEnd(&zs);
  if (!ok) {
    out.clear();
    return false;
  }
  out.resize(out_size);
  return true;
}

}  // namespace

bool is_packed_data(const uint8_t* data, size_t size) {
  return data != nullptr && size >= kPackedHeaderSize && read_u32(data) == kPackedSignature;
}

bool unpack_data(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  out.clear();
  if (!is_packed_data(data, size)) return false;
  const uint32_t packed = read_u32(data + 8);
  const uint32_t unpacked = read_u32(data + 12);
  const uint32_t encoded = read_u32(data + 16);
  const uint32_t payload = encoded != 0 ? encoded : packed;
  if (payload > size - kPackedHeaderSize) return false;
  if (unpacked > kMaxUnpackedSize) return false;
  const uint8_t* body = data + kPackedHeaderSize;
  auto check = hash_data4(body, payload);
  if (std::memcmp(check.data(), data + 4, 4) != 0) return false;
  if (encoded != 0) return false;
  if (packed == unpacked) {
    out.assign(body, body + packed);
    return true;
  }
  return inflate_raw(body, packed, unpacked, out);
}

std::vector<uint8_t> pack_data(const uint8_t* data, size_t size) {
  if (size > kMaxUnpackedSize) return {};
  std::vector<uint8_t> out(kPackedHeaderSize);
  if (size != 0) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    uLong bound = deflateBound(&zs, static_cast<uLong>(size));
    out.resize(kPackedHeaderSize + bound);
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = static_cast<uInt>(size);
    zs.next_out = out.data() + kPackedHeaderSize;
    zs.avail_out = static_cast<uInt>(bound);
    int rc = deflate(&zs, Z_FINISH);
    size_t deflated = zs.total_out;
    deflateEnd(&zs);
    // Equal sizes would read back as a stored payload, so deflate has to win
    // strictly to be kept.
    if (rc == Z_STREAM_END && deflated < size) {
      out.resize(kPackedHeaderSize + deflated);
    } else {
      out.resize(kPackedHeaderSize);
      out.insert(out.end(), data, data + size);
    }
  }
  const uint32_t packed = static_cast<uint32_t>(out.size() - kPackedHeaderSize);
  write_u32(out.data(), kPackedSignature);
  auto check = hash_data4(out.data() + kPackedHeaderSize, packed);
  std::memcpy(out.data() + 4, check.data(), 4);
  write_u32(out.data() + 8, packed);
  write_u32(out.data() + 12, static_cast<uint32_t>(size));
  write_u32(out.data() + 16, 0);
  return out;
}

}  // namespace orv
