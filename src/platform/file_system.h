// Files and folders by name: what scripts ask of the file system besides a
// file's bytes (platform/files.h) and a folder's listing (list_directory in
// platform.h). Every call leaves last_error() set to the system's reason
// when it fails. Paths are as scripts write them: the headless host takes
// either separator and finds existing names without regard to case, as
// Windows does; where it is confined it touches nothing outside its scratch
// folder and fails with access denied instead.
#pragma once

#include <cstdint>

#include "base/calendar.h"
#include "base/text.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace orv::platform {

// The Windows attribute bits, which scripts see as letters.
enum FileAttribute : uint32_t {
  AttrReadOnly = 0x1, AttrHidden = 0x2, AttrSystem = 0x4, AttrDirectory = 0x10, AttrArchive = 0x20,
  AttrNormal = 0x80, AttrTemporary = 0x100, AttrReparsePoint = 0x400, AttrCompressed = 0x800, AttrOffline = 0x1000,
};

// What a path (no wildcards) names; false when nothing is there. `name` is
// left empty: the caller has it.
bool path_entry(StringView path, DirEntry& out);

// A file, never a folder. A read-only file stays, as on Windows.
bool delete_file(StringView path);
// Copies or moves a file. Without `replace` an existing destination stays
// and the call fails; with it, a read-only destination or a folder still
// fails. A copy that fails leaves whatever was at the destination before.
bool copy_file(StringView from, StringView to, bool replace);
bool move_file(StringView from, StringView to, bool replace);
// Renames a file or folder within its volume, never replacing anything.
bool rename_path(StringView from, StringView to);
// One folder; its parent must exist.
bool create_directory(StringView path);
// An empty folder, or a link to one (the link goes, not what it names).
bool remove_directory(StringView path);
bool set_file_attributes(StringView path, uint32_t attributes);
// Times in file-time units; a null time stays as it is.
bool set_file_times(StringView path, const int64_t* created, const int64_t* modified, const int64_t* accessed);
// A local date and time in file-time units (UTC), converted as
// file_time_text converts back.
bool local_time_to_file_time(const CalendarTime& local, int64_t& out);

// The absolute path, with existing names as the file system spells them
// and long names for short ones; empty when it cannot be made.
String long_path(StringView path);
// The short (8.3) form of an existing path, relative when the path is;
// the path itself where the system keeps no short names.
String short_path(StringView path);

// Into the recycle bin (the headless host: the user's trash folder).
bool recycle(StringView path);
// Empties the recycle bin of one drive ("C:\"), or of all of them.
bool empty_recycle_bin(StringView drive);

// "major.minor.build.revision" from the file's version resource.
bool file_version(StringView path, String& out);

// A shell link's fields. The icon number counts from 1 (0: none); the show
// state is 1 normal, 3 maximised or 7 minimised; the hotkey is the
// system's (a virtual key in the low byte, modifiers in the high one).
struct Shortcut {
  String target, working_dir, arguments, description, icon_file;
  int icon_number = 0;
  uint16_t hotkey = 0;
  int show_state = 1;
};
bool create_shortcut(StringView link, const Shortcut& shortcut);
bool read_shortcut(StringView link, Shortcut& out);

}  // namespace orv::platform
