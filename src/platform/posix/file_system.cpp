// Files and folders by name in the headless host. A POSIX file system keeps
// fewer attributes than Windows: a file is read-only when its owner may not
// write it, hidden when its name begins with a dot, and always "archive";
// the other attribute letters are not kept, and setting them changes
// nothing. Creation times cannot be set. Short names, version resources and
// shell links do not exist here.
//
// Copies go to a temporary name beside the destination first and take its
// place in one rename, so a copy that fails half-way leaves the old file
// whole; a copy that must not replace anything takes its place with a
// rename that refuses to.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "base/wildcard.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/posix/error_codes.h"
#include "platform/posix/headless.h"
#include "platform/posix/host_io.h"
#include "platform/posix/host_path.h"

namespace orv::platform {

namespace {

// A confined run touches nothing outside its scratch folder.
bool allowed(StringView path) {
  if (!confined() || path_stays_inside(path)) return true;
  return fail_with(ErrorAccessDenied);
}

int64_t to_file_time(const timespec& t) {
  return (int64_t(t.tv_sec) + 11644473600ll) * 10000000ll + t.tv_nsec / 100;
}

timespec to_timespec(int64_t file_time) {
  int64_t units = file_time - 11644473600ll * 10000000ll;
  int64_t seconds = units / 10000000ll, rest = units % 10000000ll;
  if (rest < 0) rest += 10000000ll, --seconds;
  return timespec{time_t(seconds), long(rest * 100)};
}

bool is_hidden_name(std::string_view name) { return name.size() > 1 && name[0] == '.' && name != ".."; }

// What Windows would report of the entry `link` describes, `target` being
// what it leads to (the same entry unless it is a symbolic link).
void describe(const struct stat& target, const struct stat& link, std::string_view name, DirEntry& e) {
  e.is_directory = S_ISDIR(target.st_mode);
  e.attributes = e.is_directory ? AttrDirectory : AttrArchive;
  // Like a Windows reparse point: whoever removes a tree removes the link,
  // not what it leads to.
  if (S_ISLNK(link.st_mode)) e.attributes |= AttrReparsePoint;
  if (!(target.st_mode & S_IWUSR)) e.attributes |= AttrReadOnly;
  if (is_hidden_name(name)) e.attributes |= AttrHidden;
  e.size = e.is_directory ? 0 : uint64_t(target.st_size);
  e.modified = to_file_time(target.st_mtim);
  e.accessed = to_file_time(target.st_atim);
  e.created = to_file_time(target.st_ctim);
}

// stat, or lstat for a link that leads nowhere.
bool stat_entry(const std::string& path, struct stat& target, struct stat& link) {
  if (lstat(path.c_str(), &link) != 0) return false;
  if (stat(path.c_str(), &target) != 0) target = link;
  return true;
}

// The reason for a failure at `path`: for a name that is not there,
// Windows tells a missing file (its folder exists) from a missing folder.
bool fail_at(const std::string& path) {
  if (errno != ENOENT) return fail_with_errno();
  struct stat st;
  bool folder_exists = stat(folder_of(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  return fail_with(folder_exists ? ErrorFileNotFound : ErrorPathNotFound);
}

// Gives `from` the name `to` unless something has that name already.
bool rename_no_replace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system that cannot refuse in the rename itself: a file can be
  // linked, which refuses just as well; a folder is checked first.
  struct stat st;
  if (lstat(from.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return true;
  }
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

bool is_same(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A move onto the name the source already has, spelled otherwise: Windows
// takes the new spelling, and so does this.
bool respell(const std::string& src, StringView to) {
  std::string named = host_path_as_named(to);
  if (named != src && rename(src.c_str(), named.c_str()) != 0) return fail_with_errno();
  return succeed();
}

// Whether an existing destination may be replaced by a file; sets the
// reason when it may not.
bool may_replace(const struct stat& dest, const struct stat& source) {
  if (S_ISDIR(dest.st_mode)) return fail_with(ErrorAccessDenied);
  if (is_same(dest, source)) return fail_with(ErrorSharingViolation);
  if (!(dest.st_mode & S_IWUSR)) return fail_with(ErrorAccessDenied);
  return true;
}

bool copy_host_file(const std::string& src, const std::string& dst, bool replace) {
  int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail_at(src);
  struct stat from;
  if (fstat(in, &from) != 0 || S_ISDIR(from.st_mode)) {
    ::close(in);
    return fail_with(ErrorAccessDenied);
  }
  struct stat existing;
  bool exists = lstat(dst.c_str(), &existing) == 0;
  if (exists && (!replace ? fail_with(ErrorFileExists) : !may_replace(existing, from))) {
    ::close(in);
    return false;
  }
  std::string temp;
  int out = create_temporary_beside(dst, temp);
  if (out < 0) {
    int error = errno;
    ::close(in);
    errno = error;
    return fail_at(dst);
  }
  // The copy keeps the source's permissions and times, as Windows keeps
  // its attributes and last write time.
  timespec times[2] = {from.st_atim, from.st_mtim};
  bool ok = copy_all(in, out) && fchmod(out, from.st_mode & 07777) == 0 && futimens(out, times) == 0 &&
            (!exists || fsync(out) == 0);
  int error = errno;
  ::close(in);
  if (::close(out) != 0 && ok) ok = false, error = errno;
  if (ok) {
    ok = replace ? rename(temp.c_str(), dst.c_str()) == 0 : rename_no_replace(temp, dst);
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    errno = error;
    if (error == EEXIST) return fail_with(ErrorFileExists);
    return fail_with_errno();
  }
  return succeed();
}

}  // namespace

bool list_directory(StringView directory, StringView pattern, std::vector<DirEntry>& out) {
  if (!directory.empty() && !allowed(directory)) return false;
  std::string dir = directory.empty() ? std::string(".") : host_path(directory);
  DIR* d = opendir(dir.c_str());
  if (!d) return fail_at(dir + "/*");
  while (dirent* e = readdir(d)) {
    String name = utf8_to_utf16(e->d_name);
    if (name == u"." || name == u".." || !wildcard_match(pattern, name)) continue;
    struct stat target, link;
    if (!stat_entry(dir + "/" + e->d_name, target, link)) continue;
    DirEntry entry;
    describe(target, link, e->d_name, entry);
    entry.name = std::move(name);
    out.push_back(std::move(entry));
  }
  closedir(d);
  return true;
}

bool path_entry(StringView path, DirEntry& out) {
  if (path.empty()) return fail_with(ErrorFileNotFound);
  if (!allowed(path)) return false;
  std::string p = host_path(path);
  struct stat target, link;
  if (!stat_entry(p, target, link)) return fail_at(p);
  describe(target, link, last_name(p), out);
  return succeed();
}

bool delete_file(StringView path) {
  if (!allowed(path)) return false;
  std::string p = host_path(path);
  struct stat st;
  if (lstat(p.c_str(), &st) != 0) return fail_at(p);
  if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR))) return fail_with(ErrorAccessDenied);
  if (unlink(p.c_str()) != 0) return fail_with_errno();
  return succeed();
}

bool copy_file(StringView from, StringView to, bool replace) {
  if (!allowed(from) || !allowed(to)) return false;
  return copy_host_file(host_path(from), host_path(to), replace);
}

bool move_file(StringView from, StringView to, bool replace) {
  if (!allowed(from) || !allowed(to)) return false;
  std::string src = host_path(from), dst = host_path(to);
  struct stat source, existing;
  if (lstat(src.c_str(), &source) != 0) return fail_at(src);
  bool exists = lstat(dst.c_str(), &existing) == 0;
  if (exists && is_same(existing, source)) return respell(src, to);
  if (exists && !(replace ? may_replace(existing, source) : fail_with(ErrorAlreadyExists))) return false;
  bool ok = replace ? rename(src.c_str(), dst.c_str()) == 0 : rename_no_replace(src, dst);
  if (!ok && errno == EXDEV && !S_ISDIR(source.st_mode)) {
    // Another file system: copy, then let go of the original.
    if (!copy_host_file(src, dst, replace)) return false;
    ok = unlink(src.c_str()) == 0;
  }
  // The source is there: what is missing is the destination's folder.
  if (!ok) return errno == EEXIST ? fail_with(ErrorAlreadyExists) : fail_at(dst);
  return succeed();
}

bool rename_path(StringView from, StringView to) {
  if (!allowed(from) || !allowed(to)) return false;
  std::string src = host_path(from), dst = host_path(to);
  struct stat source, existing;
  if (lstat(src.c_str(), &source) == 0 && lstat(dst.c_str(), &existing) == 0 && is_same(existing, source))
    return respell(src, to);
  if (!rename_no_replace(src, dst)) {
    if (errno == EEXIST) return fail_with(ErrorAlreadyExists);
    struct stat st;
    return fail_at(lstat(src.c_str(), &st) == 0 ? dst : src);
  }
  return succeed();
}

bool create_directory(StringView path) {
  if (!allowed(path)) return false;
  std::string p = host_path(path);
  if (mkdir(p.c_str(), 0777) != 0) return errno == EEXIST ? fail_with(ErrorAlreadyExists) : fail_at(p);
  return succeed();
}

bool remove_directory(StringView path) {
  if (!allowed(path)) return false;
  std::string p = host_path(path);
  struct stat st;
  if (lstat(p.c_str(), &st) != 0) return fail_at(p);
  if (S_ISLNK(st.st_mode)) {
    struct stat target;
    if (stat(p.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) return fail_with(ErrorDirectory);
    if (unlink(p.c_str()) != 0) return fail_with_errno();
  } else if (!S_ISDIR(st.st_mode)) {
    return fail_with(ErrorDirectory);
  } else if (rmdir(p.c_str()) != 0) {
    return fail_with(errno == EEXIST ? windows_error(ENOTEMPTY) : windows_error(errno));
  }
  return succeed();
}

bool set_file_attributes(StringView path, uint32_t attributes) {
  if (!allowed(path)) return false;
  std::string p = host_path(path);
  struct stat st;
  if (stat(p.c_str(), &st) != 0) return fail_at(p);
  mode_t mode = st.st_mode & 07777;
  mode_t wanted = (attributes & AttrReadOnly) ? mode & ~mode_t(0222) : (mode & S_IWUSR ? mode : mode | S_IWUSR);
  if (wanted != mode && chmod(p.c_str(), wanted) != 0) return fail_with_errno();
  return succeed();
}

bool set_file_times(StringView path, const int64_t* created, const int64_t* modified, const int64_t* accessed) {
  if (!allowed(path)) return false;
  if (created) return fail_with(ErrorNotSupported);
  timespec times[2];
  times[0] = accessed ? to_timespec(*accessed) : timespec{0, UTIME_OMIT};
  times[1] = modified ? to_timespec(*modified) : timespec{0, UTIME_OMIT};
  std::string p = host_path(path);
  if (utimensat(AT_FDCWD, p.c_str(), times, 0) != 0) return fail_at(p);
  return succeed();
}

bool local_time_to_file_time(const CalendarTime& local, int64_t& out) {
  struct tm tm{};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  tm.tm_isdst = -1;
  errno = 0;
  time_t t = mktime(&tm);
  if (t == time_t(-1) && errno != 0) return fail_with(ErrorInvalidParameter);
  out = (int64_t(t) + 11644473600ll) * 10000000ll + int64_t(local.millisecond) * 10000;
  return true;
}

String long_path(StringView path) {
  // Finding the spelling looks into folders, which a confined run may not.
  if (confined() && !path_stays_inside(path)) return String();
  std::string p = host_path(path);
  if (p.empty() || p[0] != '/') {
    char buf[4096];
    if (!getcwd(buf, sizeof buf)) return String();
    p = std::string(buf) + "/" + p;
  }
  // "." and ".." steps go, as GetFullPathName drops them.
  std::vector<std::string_view> names;
  std::string_view rest(p);
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view name = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  std::string out;
  for (std::string_view name : names) out.append("/").append(name);
  return utf8_to_utf16(out.empty() ? std::string("/") : out);
}

String short_path(StringView path) { return String(path); }

bool file_version(StringView path, String&) {
  DirEntry e;
  if (!path_entry(path, e)) return false;
  return fail_with(ErrorResourceTypeNotFound);
}

bool create_shortcut(StringView, const Shortcut&) { return fail_with(ErrorNotSupported); }
bool read_shortcut(StringView, Shortcut&) { return fail_with(ErrorNotSupported); }

}  // namespace orv::platform
