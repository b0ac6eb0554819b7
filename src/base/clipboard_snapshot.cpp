#include "base/clipboard_snapshot.h"

#include <cstring>

namespace orv {

void append_clipboard_record(std::string& snapshot, uint32_t format, const void* data, size_t size) {
  uint64_t count = size;
  snapshot.append(reinterpret_cast<const char*>(&format), 4);
  snapshot.append(reinterpret_cast<const char*>(&count), 8);
  snapshot.append(static_cast<const char*>(data), size);
}

void finish_clipboard_snapshot(std::string& snapshot) {
  uint32_t end = 0;
  snapshot.append(reinterpret_cast<const char*>(&end), 4);
  if (snapshot.size() % 2) snapshot.push_back('\0');
}

bool read_clipboard_snapshot(const void* data, size_t size, std::vector<ClipboardRecord>& records) {
  records.clear();
  const auto* p = static_cast<const uint8_t*>(data);
  size_t at = 0;
  for (;;) {
    uint32_t format;
    if (size - at < 4) break;
    std::memcpy(&format, p + at, 4);
    at += 4;
    if (format == 0) return true;
    uint64_t count;
    if (size - at < 8) break;
    std::memcpy(&count, p + at, 8);
    at += 8;
    // Only the low 32 bits count, as they always have.
    count &= 0xFFFFFFFFull;
    if (count > size - at) break;
    records.push_back(ClipboardRecord{format, p + at, size_t(count)});
    at += size_t(count);
  }
  records.clear();
  return false;
}

}  // namespace orv
