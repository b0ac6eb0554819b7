// The library build's own exports: a host starts a script from text or a
// file on a thread of the library's, which becomes the script's main thread
// with its own message loop, asks whether it is ready, and ends it.
#include <cstdint>
#include <vector>

#include "events/host_calls.h"
#include "platform/files.h"
#include "platform/hosted_script.h"
#include "startup/startup.h"

namespace {

int run_hosted() { return orv::run_program({}); }

}  // namespace

extern "C" {

// 1 when the script's thread started (it loads the script on its own; poll
// OrvReady), 0 when a script was already started or the thread could not be.
int OrvStartScript(const char16_t* text) {
  if (!text) return 0;
  // UTF-16 with its byte-order mark, as the reader knows it.
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  for (const char16_t* p = text; *p; ++p) {
    bytes.push_back(uint8_t(*p & 0xFF));
    bytes.push_back(uint8_t(*p >> 8));
  }
  return orv::platform::start_hosted_script(std::move(bytes), run_hosted) ? 1 : 0;
}

// The file's bytes as the program would carry them: any text encoding the
// reader knows, or packed data.
int OrvStartScriptFile(const char16_t* path) {
  using namespace orv::platform;
  if (!path) return 0;
  FileHandle f = open_file(path, AccessRead, FileCreation::OpenExisting, ShareRead, true);
  if (f == kNoFile) return 0;
  int64_t size = file_size(f);
  std::vector<uint8_t> bytes;
  bool ok = size >= 0 && size < (int64_t(1) << 30);
  if (ok && size > 0) {
    bytes.resize(size_t(size));
    uint32_t done = 0;
    ok = read_file_bytes(f, bytes.data(), uint32_t(size), done) && done == uint32_t(size);
  }
  close_file(f);
  return ok && start_hosted_script(std::move(bytes), run_hosted) ? 1 : 0;
}

int OrvReady() { return orv::host::ready() ? 1 : 0; }

// Closes the script as its user would (its OnExit callbacks run) and waits
// up to `timeout_ms` for it to end: its exit code, or -1 when none was
// started or it is still running.
int OrvEndScript(uint32_t timeout_ms) { return orv::platform::end_hosted_script(timeout_ms); }

}  // extern "C"
