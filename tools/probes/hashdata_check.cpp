// Compares orv::hash_data with the real HashData over pseudo-random inputs of
// many lengths and digest sizes, and prints a few four-byte digests of fixed
// strings for the unit tests. Run under Windows or Wine; exits 1 on mismatch.
// Build (from the repo root):
//   x86_64-w64-mingw32-g++-posix -std=c++20 -static -O2 -Isrc \
//     tools/probes/hashdata_check.cpp src/base/hash_data.cpp -lshlwapi
#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/hash_data.h"

int main() {
  unsigned seed = 12345;
  auto next = [&seed] { seed = seed * 1103515245u + 12345u; return static_cast<BYTE>(seed >> 16); };

  int mismatches = 0, cases = 0;
  for (size_t len = 0; len <= 300; len += (len < 40 ? 1 : 37)) {
    for (size_t dlen = 1; dlen <= 12; ++dlen) {
      std::vector<BYTE> in(len);
      for (auto& b : in) b = next();
      BYTE want[16] = {}, got[16] = {};
      // HashData rejects a zero-length source; the portable one just returns
      // the initial digest, which is what callers get for empty payloads.
      if (len > 0 && FAILED(HashData(in.data(), static_cast<DWORD>(len), want, static_cast<DWORD>(dlen)))) {
        std::printf("HashData failed: len=%zu dlen=%zu\n", len, dlen);
        return 1;
      }
      if (len == 0) continue;
      orv::hash_data(in.data(), len, got, dlen);
      ++cases;
      if (std::memcmp(want, got, dlen) != 0) {
        if (++mismatches <= 5) std::printf("mismatch: len=%zu dlen=%zu\n", len, dlen);
      }
    }
  }
  std::printf("%d cases, %d mismatches\n", cases, mismatches);

  const char* samples[] = {"a", "ab", "abc", "Hello, world!", "MsgBox \"hi\"\r\n",
                           "The quick brown fox jumps over the lazy dog"};
  for (const char* s : samples) {
    BYTE d[4];
    HashData(reinterpret_cast<BYTE*>(const_cast<char*>(s)), static_cast<DWORD>(std::strlen(s)), d, 4);
    std::printf("{\"%s\", {0x%02X, 0x%02X, 0x%02X, 0x%02X}},\n", s, d[0], d[1], d[2], d[3]);
  }
  return mismatches == 0 ? 0 : 1;
}
