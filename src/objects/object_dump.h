// Object graphs as bytes: what ObjDump writes and ObjLoad reads.
//
// All numbers are little-endian. An object is an 8-byte length L and then L
// bytes of pairs, each a key item and a value item; a whole dump is one
// object. An item is a tag byte and its data: integers in the smallest of
// eight forms, a double, text (an 8-byte byte count, then UTF-16 with its
// terminator), an object nested in place, or a reference to an object
// written earlier by its number (objects are numbered in the order their
// writing begins, the outermost being 0). Key tags are the value tags
// subtracted from 256. A dump may also be wrapped in the packed-data form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "runtime/object.h"

namespace orv {

enum DumpTag : uint8_t {
  TagInt8 = 1, TagUInt8 = 2, TagInt16 = 3, TagUInt16 = 4, TagInt32 = 5, TagUInt32 = 6,
  TagInt64 = 7,   // a negative number below the 32-bit range
  TagUInt64 = 8,  // 2^32 and above
  TagFloat = 9, TagText = 10, TagObject = 11, TagReference = 12,
};
inline constexpr uint8_t key_tag(uint8_t value_tag) { return uint8_t(256 - value_tag); }

// Writes `root` and everything it reaches into `out` (replaced), the 8-byte
// length first; pairs come from each object's own enumerator. With
// `whole_buffers`, an Object's text values are written with their whole
// buffer rather than their text. Reports its own errors.
Result dump_object(IObject& root, bool whole_buffers, std::vector<uint8_t>& out);

// The enciphered form needs CryptAES, which does not exist yet: a password
// is refused with this report rather than ignored.
Result report_no_cipher();

// Reads a dump made by dump_object, keys stored as data into plain Objects.
// False for anything malformed, with `root` empty; nothing is reported.
bool load_object(const uint8_t* data, size_t size, ObjectRef& root);

}  // namespace orv
