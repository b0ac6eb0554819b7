// Prints the permutation table behind shlwapi's HashData: hashing one byte
// into a one-byte digest that starts at 0 yields exactly T[byte].
// Build: x86_64-w64-mingw32-g++-posix -static -O2 hashdata_table.cpp -lshlwapi
#include <windows.h>
#include <shlwapi.h>
#include <cstdio>

int main() {
  for (int b = 0; b < 256; ++b) {
    BYTE in = static_cast<BYTE>(b);
    BYTE out = 0;
    if (FAILED(HashData(&in, 1, &out, 1))) {
      std::fprintf(stderr, "HashData failed for %d\n", b);
      return 1;
    }
    std::printf("0x%02X,%s", out, (b % 16 == 15) ? "\n" : " ");
  }
  return 0;
}
