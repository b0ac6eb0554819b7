// Descriptor and path chores the headless host's file calls share: whole
// reads and writes that ride out interruptions, and temporary files beside
// the file they will replace.
#pragma once

#include <string>
#include <string_view>

namespace orv::platform {

// The last name of a host path (trailing slashes ignored), and the folder
// it is in ("." for a bare name).
std::string_view last_name(std::string_view path);
std::string folder_of(const std::string& path);

// Every byte, or false with errno set.
bool write_all(int fd, std::string_view bytes);
// Everything from the descriptor's position to its end, appended to
// `bytes`, or written to `to`; false with errno set.
bool read_all(int fd, std::string& bytes);
bool copy_all(int from, int to);

// Creates a new, empty file beside `dest` under a name nobody else uses,
// for writing; -1 with errno set when it cannot.
int create_temporary_beside(const std::string& dest, std::string& name);

}  // namespace orv::platform
