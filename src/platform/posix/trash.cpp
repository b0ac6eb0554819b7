// The recycle bin of the headless host: the user's trash folder as desktops
// on free systems share it ($XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash), with the item in files/ and a note of where it came
// from and when in info/NAME.trashinfo, so that any file manager can put it
// back. Only a file on the trash folder's own file system can go there: one
// elsewhere stays where it is and the call fails, rather than being copied
// across and perhaps lost half-way. A confined run has no trash.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/posix/error_codes.h"
#include "platform/posix/host_io.h"
#include "platform/posix/headless.h"
#include "platform/posix/host_path.h"

namespace orv::platform {

namespace {

std::string trash_folder() {
  const char* data = getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = getenv("HOME");
  if (!home || !home[0]) return std::string();
  return std::string(home) + "/.local/share/Trash";
}

bool make_folder(const std::string& path) { return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST; }

// The path as the note gives it: bytes other than letters, digits, "/" and
// "-._~" are escaped as in a URL.
std::string escaped(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Claims a name in the trash by creating its note, which nobody else can
// then create: NAME, else NAME.2, NAME.3 ...
int claim_note(const std::string& trash, const std::string& name, std::string& claimed) {
  for (int n = 1; n < 10000; ++n) {
    claimed = n == 1 ? name : name + "." + std::to_string(n);
    std::string note = trash + "/info/" + claimed + ".trashinfo";
    int fd = ::open(note.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Everything below and including `path`, links as links; folders the user
// may not change are opened up first, since they are going anyway.
bool remove_tree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return unlink(path.c_str()) == 0;
  chmod(path.c_str(), (st.st_mode & 07777) | S_IRWXU);
  bool ok = true;
  if (DIR* d = opendir(path.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      if (!remove_tree(path + "/" + name)) ok = false;
    }
    closedir(d);
  }
  return rmdir(path.c_str()) == 0 && ok;
}

}  // namespace

bool recycle(StringView path) {
  if (confined()) {
    set_last_error(ErrorAccessDenied);
    return false;
  }
  std::string source = host_path(path);
  struct stat st;
  if (lstat(source.c_str(), &st) != 0) return fail_with_errno();
  std::string trash = trash_folder();
  if (trash.empty()) {
    set_last_error(ErrorAccessDenied);
    return false;
  }
  size_t slash = trash.rfind('/');
  // The folders above the trash may be missing on a fresh account.
  for (size_t at = 1; at < slash; ++at)
    if (trash[at] == '/') make_folder(trash.substr(0, at));
  if (!make_folder(trash.substr(0, slash)) || !make_folder(trash) || !make_folder(trash + "/files") ||
      !make_folder(trash + "/info"))
    return fail_with_errno();

  std::string original = utf16_to_utf8(long_path(path));
  std::string name = original.substr(original.rfind('/') + 1);
  if (name.empty()) {
    set_last_error(ErrorAccessDenied);
    return false;
  }
  std::string claimed;
  int fd = claim_note(trash, name, claimed);
  if (fd < 0) return fail_with_errno();
  std::string note_path = trash + "/info/" + claimed + ".trashinfo";
  time_t now = time(nullptr);
  struct tm tm;
  localtime_r(&now, &tm);
  char when[32];
  strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &tm);
  std::string note = "[Trash Info]\nPath=" + escaped(original) + "\nDeletionDate=" + when + "\n";
  bool ok = write_all(fd, note);
  ok = ::close(fd) == 0 && ok;
  ok = ok && rename(source.c_str(), (trash + "/files/" + claimed).c_str()) == 0;
  if (!ok) {
    int error = errno;
    unlink(note_path.c_str());
    errno = error;
    return fail_with_errno();
  }
  return succeed();
}

bool empty_recycle_bin(StringView drive) {
  if (confined()) {
    set_last_error(ErrorAccessDenied);
    return false;
  }
  // There are no drives here, only the one trash folder.
  if (!drive.empty()) {
    set_last_error(ErrorInvalidDrive);
    return false;
  }
  std::string trash = trash_folder();
  if (trash.empty()) return true;
  bool ok = true;
  for (const char* part : {"/files", "/info"}) {
    std::string folder = trash + part;
    DIR* d = opendir(folder.c_str());
    if (!d) continue;
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != ".." && !remove_tree(folder + "/" + name)) ok = false;
    }
    closedir(d);
  }
  // A cache of the folders' sizes, which no longer holds.
  unlink((trash + "/directorysizes").c_str());
  if (!ok) return fail_with_errno();
  return succeed();
}

}  // namespace orv::platform
