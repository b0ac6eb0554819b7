// Standard Base64 (RFC 4648 alphabet, '=' padding), shared by the packer and
// the interpreter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Encodes with padding and without line breaks.
std::string base64_encode(const uint8_t* data, size_t size);

// Decodes text into out (replacing its contents). Spaces, tabs, CR and LF are
// skipped anywhere; padding is optional but, when present, must complete the
// last quantum and be followed by nothing but skipped whitespace. Returns
// false, leaving out empty, when the text is not valid Base64 or would decode
// to more than max_size bytes; the limit is checked before any allocation.
bool base64_decode(std::string_view text, std::vector<uint8_t>& out,
                   size_t max_size = std::numeric_limits<size_t>::max());
bool base64_decode(std::u16string_view text, std::vector<uint8_t>& out,
                   size_t max_size = std::numeric_limits<size_t>::max());

}  // namespace orv
