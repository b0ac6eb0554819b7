// Portable equivalent of shlwapi's HashData, used as the check value of packed
// data so that data packed on one side verifies on the other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orv {

// Fills dest[0..dest_len) with the digest of data[0..size). Any size and any
// digest length are accepted; the result equals HashData's for the same input.
void hash_data(const uint8_t* data, size_t size, uint8_t* dest, size_t dest_len);

// The four-byte digest stored in packed data.
std::array<uint8_t, 4> hash_data4(const uint8_t* data, size_t size);

}  // namespace orv
