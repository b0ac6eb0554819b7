// Settings files: sections in square brackets holding key=value lines. On
// Windows the system's profile functions do the work; the headless host
// reads and rewrites the file itself, keeping every line it does not
// change byte for byte.
//
// Every call takes the file name as a script wrote it, relative to the
// working directory. A name whose full path passes the platform's limit
// fails (last_error() 206) rather than reaching a shorter, different file.
// The callers check names and values first: nothing here refuses a line
// break or a bracket, and a write with one would add lines to the file.
#pragma once

#include "base/text.h"

namespace orv::platform {

// The key's value (blanks around it and one pair of enclosing quotes taken
// off), at most 65535 characters; false when the file, the section or the
// key is missing. An empty section name is the part before any header.
bool ini_read_key(StringView file, StringView section, StringView key, String& value);
// The section's key=value lines, each ended by a line feed; empty when the
// section is missing or has none.
String ini_read_section(StringView file, StringView section);
// The names of all sections, each ended by a line feed.
String ini_read_section_names(StringView file);

// The writes create a missing file as UTF-16 text: the byte-order mark and
// "[section]", so that every later write keeps that encoding; a file that
// exists, or that another program creates meanwhile, is never replaced by a
// new one. False on failure, with last_error() telling why.
bool ini_write_key(StringView file, StringView section, StringView key, StringView value);
// Replaces the section's contents with `lines` (key=value lines, each
// ended by a line feed; none empty).
bool ini_write_section(StringView file, StringView section, StringView lines);
// Deleting what is not there succeeds and leaves the file as it was.
bool ini_delete_key(StringView file, StringView section, StringView key);
bool ini_delete_section(StringView file, StringView section);

}  // namespace orv::platform
