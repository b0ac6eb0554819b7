// A clipboard snapshot as scripts keep it in a variable or a file: records
// of a 32-bit format, a 64-bit byte count and the bytes, ended by a 32-bit
// zero and padded to an even length. The bytes may come from any file, so
// reading them back checks every length against what is there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

struct ClipboardRecord {
  uint32_t format = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

void append_clipboard_record(std::string& snapshot, uint32_t format, const void* data, size_t size);
// Ends the records and pads the snapshot to an even length.
void finish_clipboard_snapshot(std::string& snapshot);

// The records of a snapshot, pointing into `data`; false when the data is
// cut short or a count runs past its end (nothing is then returned).
bool read_clipboard_snapshot(const void* data, size_t size, std::vector<ClipboardRecord>& records);

}  // namespace orv
