// Structure definitions: the text a script writes in the notation of
// Windows headers ("DWORD cbSize; RECT rc; union { BYTE b[5]; DWORD d; }")
// read into a layout with the offsets, sizes and kinds of its members, by
// the x64 rules. Portable, so that layouts are computed and tested alike
// on every host.
//
// Alignment: a pointer takes 8 bytes aligned to 8; any other member is
// aligned to the size of its type (one element of an array), a nested
// structure to the largest alignment inside it. Blocks (struct or union,
// named or not) are sized up to a multiple of their alignment, so a union
// of five bytes and a DWORD is 8 bytes long. Bit fields of one type share a
// storage unit of that type while their bits fit; any other member, or a bit
// field of another size, starts a new unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/text.h"
#include "objects/struct_types.h"

namespace orv {

struct StructLayout;
using LayoutRef = std::shared_ptr<const StructLayout>;

struct StructField {
  String name;
  size_t offset = 0;
  size_t size = 0;   // of one element: 8 for every pointer
  size_t count = 0;  // from "[n]"; 0 when the member is no array
  int pointer_depth = 0;
  StructType type;  // size 0 for a structure type
  uint8_t bit_position = 0;
  uint8_t bit_width = 0;  // 0 when no bit field
  LayoutRef nested;       // an embedded structure
  // The type name of a pointer to a structure, looked up only when the
  // pointer is followed: a structure may point at its own kind.
  String target;

  size_t elements() const { return count ? count : 1; }
  size_t total_size() const { return size * elements(); }
  // Text through a pointer: LPTSTR, or a character type with one star.
  bool is_text_pointer() const {
    return type.encoding != kNoEncoding &&
           (pointer_depth == 1 ? !type.is_text_pointer : pointer_depth == 0 && type.is_text_pointer);
  }
  // Characters stored in the structure itself.
  bool is_char_array() const { return count && pointer_depth == 0 && !type.is_text_pointer && type.encoding != kNoEncoding; }
};

struct StructLayout {
  std::vector<StructField> fields;
  size_t size = 0;       // of the whole, every element of an array included
  size_t alignment = 1;
  size_t count = 0;      // an array of structures ("RECT[4]"): its elements
  String definition;

  size_t elements() const { return count ? count : 1; }
  size_t element_size() const { return size / elements(); }
  const StructField* find(StringView name) const;
};

enum class LayoutError : uint8_t { None, Invalid, BitFieldPointer, NotFound, Duplicate };

// Where names of nested definitions are looked up (script variables). A
// name gives either the text of a definition or a finished layout.
class DefinitionSource {
 public:
  virtual bool find(StringView name, String& text, LayoutRef& layout) = 0;

 protected:
  ~DefinitionSource() = default;
};

struct LayoutResult {
  LayoutRef layout;
  LayoutError error = LayoutError::None;
  String culprit;  // the member or name at fault
};

// Members longer than this are no member of any real structure.
inline constexpr size_t kMaxMemberText = 16384;

// `source` may be null: then every name outside the type table is unknown.
LayoutResult parse_struct_definition(StringView text, DefinitionSource* source);

// "Name" or "Name[n]" alone: a definition to look up rather than a member.
bool split_definition_name(StringView text, StringView& name, size_t& count);

}  // namespace orv
