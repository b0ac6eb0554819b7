// Reading and rewriting the resource tree of a PE image held in memory, so the
// packer can put a script into a copy of the interpreter on any host.
//
// The new tree is written whole into a section appended after the last one
// (the old resource section stays behind, unreferenced), because growing the
// existing section in place would mean moving whatever follows it. Re-packing
// an image whose last section is that appended one replaces it, so repeated
// packing does not grow the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::pe {

// A resource type or name: an integer ID or a string.
struct ResourceKey {
  bool is_string = false;
  uint16_t id = 0;
  std::u16string name;

  static ResourceKey from_id(uint16_t id) { return {false, id, {}}; }
  static ResourceKey from_name(std::u16string name) { return {true, 0, std::move(name)}; }
  bool operator==(const ResourceKey&) const = default;
};

struct Resource {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  uint32_t code_page = 0;
  std::vector<uint8_t> data;
};

inline constexpr uint16_t kTypeRcdata = 10;
// New resources are language-neutral: FindResource tries the neutral language
// first, so the entry is found whatever the user's UI language.
inline constexpr uint16_t kNeutralLanguage = 0;
// Name of the section this writer appends; exactly eight characters, so the
// header field holds it with no terminator.
inline constexpr char kSectionName[] = ".orvrsrc";

// Reads every resource of a PE32 or PE32+ image, in tree order. An image with
// no resource directory yields an empty list.
bool read_resources(const std::vector<uint8_t>& image, std::vector<Resource>& out, std::string& error);

// Sets the data of (type, name), matching string names case-insensitively as
// FindResource does. An existing entry keeps its language and code page (if
// the name exists in several languages, the first is kept and the others are
// dropped so that only the new data can be found); a new one gets
// kNeutralLanguage.
void set_resource(std::vector<Resource>& resources, const ResourceKey& type, const ResourceKey& name,
                  std::vector<uint8_t> data);

// Writes a copy of image whose resource directory is exactly resources. Fails
// for images carrying a certificate table, images without room for another
// section header, and duplicate (type, name, language) entries.
bool write_resources(const std::vector<uint8_t>& image, const std::vector<Resource>& resources,
                     std::vector<uint8_t>& out, std::string& error);

// read_resources + set_resource + write_resources.
bool replace_resource(const std::vector<uint8_t>& image, const ResourceKey& type, const ResourceKey& name,
                      std::vector<uint8_t> data, std::vector<uint8_t>& out, std::string& error);

}  // namespace orv::pe
