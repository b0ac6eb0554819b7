// orvpack: puts a script into a copy of the interpreter as the resource it
// runs at startup.
//
//   orvpack SCRIPT -o OUT.exe [--base BASE.exe] [--packed]
//
// The script bytes are stored as they are (the interpreter reads UTF-8, with
// or without BOM, and UTF-16LE with BOM), or wrapped in the packed-data format
// with --packed.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "base/packed_data.h"
#include "pe/pe_resources.h"

namespace fs = std::filesystem;

namespace {

constexpr char16_t kScriptResourceName[] = u"E4847ED08866458F8DD35F94B37001C0";

#ifdef _WIN32
using ArgChar = wchar_t;
#else
using ArgChar = char;
#endif

std::string display(const fs::path& p) {
  auto s = p.u8string();
  return std::string(s.begin(), s.end());
}

int fail(const std::string& message) {
  std::fprintf(stderr, "orvpack: %s\n", message.c_str());
  return 1;
}

std::FILE* open_file(const fs::path& path, bool write) {
#ifdef _WIN32
  return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
  return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

bool read_file(const fs::path& path, std::vector<uint8_t>& out, std::string& error) {
  errno = 0;
  std::FILE* f = open_file(path, false);
  if (f == nullptr) {
    error = "cannot read '" + display(path) + "': " + std::strerror(errno);
    return false;
  }
  out.clear();
  uint8_t buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + n);
  const bool ok = !std::ferror(f);
  const int saved = errno;
  std::fclose(f);
  if (!ok) {
    error = "cannot read '" + display(path) + "': " + std::strerror(saved);
    return false;
  }
  return true;
}

// Writes beside the target and renames over it, so a failed or interrupted
// run never leaves a half-written program where a good one was.
bool write_file_atomically(const fs::path& path, const std::vector<uint8_t>& data, const fs::path& mode_from,
                           std::string& error) {
  fs::path tmp = path;
  tmp += ".tmp";
  errno = 0;
  std::FILE* f = open_file(tmp, true);
  if (f == nullptr) {
    error = "cannot write '" + display(tmp) + "': " + std::strerror(errno);
    return false;
  }
  bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  int saved = errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  std::error_code ec;
  if (!ok) {
    fs::remove(tmp, ec);
    error = "cannot write '" + display(tmp) + "': " + std::strerror(saved);
    return false;
  }
  // Keep the base's permission bits so the output is as runnable as it was.
  auto perms = fs::status(mode_from, ec).permissions();
  if (!ec) fs::permissions(tmp, perms, ec);
  fs::rename(tmp, path, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(tmp, ignored);
    error = "cannot write '" + display(path) + "': " + ec.message();
    return false;
  }
  return true;
}

fs::path own_executable(const ArgChar* argv0) {
  std::error_code ec;
#ifdef _WIN32
  // The C runtime records the full path of the running program for wide
  // startup, which is what -municode gives us.
  if (_wpgmptr != nullptr && *_wpgmptr != 0) return fs::path(_wpgmptr);
#else
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return self;
#endif
  return fs::absolute(fs::path(argv0), ec);
}

fs::path default_base(const ArgChar* argv0) {
  if (const char* env = std::getenv("ORV_BASE_EXE"); env != nullptr && *env != 0) return fs::u8path(env);
  const fs::path dir = own_executable(argv0).parent_path();
  std::error_code ec;
  fs::path beside = dir / "Orvanta.exe";
  if (fs::is_regular_file(beside, ec)) return beside;
  // The repository's build layout: build/native/orvpack next to build/win.
  return (dir / ".." / "win" / "Orvanta.exe").lexically_normal();
}

void usage() { std::fprintf(stderr, "usage: orvpack SCRIPT -o OUT.exe [--base BASE.exe] [--packed]\n"); }

int run(int argc, ArgChar** argv) {
  fs::path script, out, base;
  bool have_script = false, have_out = false, have_base = false, packed = false;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    const std::string a = display(arg);
    if (a == "-o" || a == "--base") {
      if (i + 1 >= argc) {
        usage();
        return fail("option '" + a + "' needs a value");
      }
      (a == "-o" ? out : base) = fs::path(argv[++i]);
      (a == "-o" ? have_out : have_base) = true;
    } else if (a == "--packed") {
      packed = true;
    } else if (a == "-h" || a == "--help") {
      usage();
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      usage();
      return fail("unknown option '" + a + "'");
    } else if (have_script) {
      usage();
      return fail("more than one script given");
    } else {
      script = arg;
      have_script = true;
    }
  }
  if (!have_script || !have_out) {
    usage();
    return fail(!have_script ? "no script given" : "no output given (-o OUT.exe)");
  }
  if (!have_base) base = default_base(argv[0]);

  std::string error;
  std::vector<uint8_t> text, image, result;
  if (!read_file(script, text, error)) return fail(error);
  if (!read_file(base, image, error)) return fail(error);
  if (packed) {
    text = orv::pack_data(text.data(), text.size());
    if (text.empty()) return fail("'" + display(script) + "' is too large to pack");
  }
  using orv::pe::ResourceKey;
  if (!orv::pe::replace_resource(image, ResourceKey::from_id(orv::pe::kTypeRcdata),
                                 ResourceKey::from_name(kScriptResourceName), std::move(text), result, error))
    return fail("'" + display(base) + "': " + error);
  if (!write_file_atomically(out, result, base, error)) return fail(error);
  return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return run(argc, argv); }
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
