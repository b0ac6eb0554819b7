// The packed-data format: a script (or any blob) compressed with raw deflate
// behind a small header carrying a check value, so that a damaged or foreign
// blob is refused instead of being run.
//
// Layout, all fields little-endian 32-bit:
//   0   signature "PK\3\4"
//   4   check value: hash_data4 over the payload
//   8   packed size
//   12  unpacked size
//   16  encoded size (0 for a plain payload)
//   20  payload
// A plain payload is packed-size bytes of raw deflate, or the data itself when
// packed size equals unpacked size. Enciphered payloads (encoded size non-zero)
// are reserved for a future cipher and are refused by unpack_data for now.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

inline constexpr size_t kPackedHeaderSize = 20;
inline constexpr uint32_t kPackedSignature = 0x04034B50;
// Anything claiming more than this is refused before any allocation.
inline constexpr uint32_t kMaxUnpackedSize = 512u * 1024 * 1024;

// True when data starts with the packed-data signature (and is long enough to
// hold a header); says nothing about whether it will unpack.
bool is_packed_data(const uint8_t* data, size_t size);

// Unpacks into out (replacing its contents). Bytes after the payload are
// ignored. Returns false, leaving out empty, on any inconsistency.
bool unpack_data(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// Packs with raw deflate at the best level, or stores the data unchanged when
// deflate does not make it smaller. Returns an empty vector when size exceeds
// kMaxUnpackedSize (an empty input still yields a 20-byte header).
std::vector<uint8_t> pack_data(const uint8_t* data, size_t size);

}  // namespace orv
