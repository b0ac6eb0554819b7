// Variables.
//
// A Variable holds text, and beside the text a cached binary number, so that
// a variable that is assigned a number and then used in arithmetic never goes
// through text. The attributes say which of the two is authoritative:
//
//   - with AttrHasInt or AttrHasDouble the cached number equals the value;
//   - with AttrTextStale as well, only the number is valid and the text is
//     produced (by the reading thread's number format) when somebody reads it;
//   - AttrNotNumeric remembers that the text was tested and is no number;
//   - AttrObject means `contents.object` holds a counted reference.
//
// Every store of text clears the three number attributes. Text buffers are
// UTF-16, always zero-terminated; an empty variable points at one shared
// empty string. Lengths and capacities are kept in BYTES, as the record is
// laid out for the host interface; the accessors speak characters.
//
// Small buffers (up to 128 bytes) come from the permanent pool and are never
// returned; larger ones come from the heap. The capacity a script sees grows
// in fixed steps (see variable.cpp); the heap block under it may be larger,
// since it grows by half its size whenever it is outgrown, so that a text
// built by appends is copied only a logarithmic number of times: heaps that
// copy a block on every growing realloc (the Windows heap does) would
// otherwise make a long loop of appends quadratic.
//
// A by-reference parameter is an alias: type Alias, with the target in place
// of the length. Every operation follows aliases first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/result.h"
#include "base/text.h"
#include "runtime/numbers.h"
#include "runtime/object.h"

namespace orv {

class IObject;
class Pool;
struct ExprToken;
struct Variable;

// Names, lines, variable records and small text buffers: allocated once and
// never returned.
Pool& permanent_pool();
// Returns all of it at once, for a host that reads program after program in
// one process (the fuzz target for loading): only once nothing refers to
// any variable any more.
void discard_permanent_pool();

// Produces a built-in variable's value: writes it to `dest` when given and
// returns its length in characters (a length query when `dest` is null).
using BuiltinProducer = size_t (*)(char16_t* dest, const Variable& var);

enum VarAttr : uint8_t {
  AttrBinaryClip = 0x01,  // the buffer holds a clipboard snapshot, not text
  AttrObject = 0x02,
  AttrUninitialized = 0x04,
  AttrTextStale = 0x08,
  AttrHasInt = 0x10,
  AttrHasDouble = 0x20,
  AttrNotNumeric = 0x40,
  AttrNoCache = 0x80,     // the script took the buffer's address: text is always authoritative
};
inline constexpr uint8_t kNumberAttrs = AttrHasInt | AttrHasDouble | AttrNotNumeric;

enum VarScope : uint8_t {
  ScopeGlobal = 0x01,
  ScopeLocal = 0x02,
  ScopeParam = 0x04,
  ScopeStatic = 0x08,
  ScopeDeclared = 0x10,
  ScopeSuperGlobal = 0x20,
};

enum class VarType : uint8_t { Alias = 0, Normal = 1, Clipboard = 2, ClipboardAll = 3, Builtin = 4 };
enum class AllocKind : uint8_t { None = 0, Pool = 1, Heap = 2 };
enum class FreeMode : uint8_t { Release, ReleaseIfLarge, Keep };

// Settings that every variable operation consults; set once after loading.
struct VariableSettings {
  uint64_t memory_limit = 64ull * 1024 * 1024;  // bytes; #MaxMem
  // The script has a SetFormat without "Fast": numbers become text when
  // assigned, by the assigning thread's format.
  bool format_int_on_assign = false;
  bool format_float_on_assign = false;
  bool no_env = true;  // environment variables are not used as variables
};
extern VariableSettings g_var_settings;

// Texts built on the way to a variable (a concatenation, a replacement, a
// command's expanded parameters) are held to the same limit as a variable,
// so that one line cannot take memory without bound before any variable
// refuses it: whether `chars` characters (terminator included) are over
// the limit, and the report when they are.
inline bool over_memory_limit(size_t chars) { return uint64_t(chars) * sizeof(char16_t) > g_var_settings.memory_limit; }
Result report_memory_limit();

struct Variable {
  union {
    int64_t integer;
    double number;
    IObject* object;
  } contents{0};
  char16_t* text;
  union {
    size_t length_bytes;
    Variable* alias_target;
  };
  union {
    size_t capacity_bytes;  // what the script sees: VarSetCapacity, NumPut's bounds
    BuiltinProducer producer;
  };
  // The size of the block `text` lies in, at least capacity_bytes; larger
  // only for a heap block that grew by half.
  size_t block_bytes = 0;
  AllocKind alloc = AllocKind::None;
  uint8_t attributes = AttrUninitialized;
  uint8_t scope = 0;
  VarType type = VarType::Normal;
  const char16_t* name = u"";

  Variable();

  // The variable an alias chain ends at (itself when it is no alias).
  Variable& target() {
    Variable* v = this;
    while (v->type == VarType::Alias) v = v->alias_target;
    return *v;
  }
  StringView name_view() const { return StringView(name); }
  bool is_read_only() const { return type == VarType::ClipboardAll || type == VarType::Builtin; }
  bool holds_object() { return (target().attributes & AttrObject) != 0; }

  // --- stores (all follow aliases; all fail only after reporting) ---
  Result assign(StringView value, bool exact_size = false, bool check_limit = true);
  // The bytes of a clipboard snapshot, kept as binary data (not text).
  Result assign_clipboard_snapshot(const std::string& bytes);
  Result assign_empty() { return assign(StringView()); }
  // Makes room for `chars` characters plus the terminator without writing
  // text; the caller fills the buffer and calls set_length_after_write().
  Result reserve(size_t chars, bool exact_size = false);
  Result assign_int(int64_t value);
  Result assign_double(double value);
  // "Invalid value." for a variable that cannot hold an object.
  Result assign_object(ObjectRef object);
  // Takes over the one reference the caller counted.
  Result assign_object(IObject* object) { return assign_object(ObjectRef::adopt(object)); }
  // Takes a reference of its own.
  Result share_object(IObject* object);
  Result assign_var(Variable& source);
  Result assign_token(const ExprToken& token);
  // Appends in place, growing the buffer when it must; false (nothing
  // changed) when it cannot, and the general path then reports why.
  bool append_in_place(StringView more);
  // Room for `chars` characters with the text kept; `more` is what will be
  // appended, which must not lie in the old buffer.
  bool grow_keeping_text(size_t chars, StringView more);
  // A heap block allocated with malloc becomes the buffer without copying.
  void accept_buffer(char16_t* block, size_t length_chars, size_t capacity_bytes);
  void set_length_after_write();
  void disable_caching();
  void free_buffer(FreeMode mode, bool mark_uninitialized = false);

  // --- reads ---
  // The text, brought up to date from the cached number. Normal variables
  // only; for the others use read_text().
  StringView view();
  // Any type: writes the text to `dest` (room for length()+1 characters) and
  // returns the length; null `dest` asks for the length only.
  size_t read_text(char16_t* dest);
  // The length of the variable's own text (brought up to date first); for
  // the types without text of their own, the length read_text() gives.
  size_t length_chars();
  NumType numeric_type();
  int64_t to_int(bool cache = true);
  double to_double(bool cache = true);
  // Formats the cached number into the buffer (the text was out of date).
  Result update_text_from_cache();

 private:
  Result store_text(const char16_t* source, size_t chars, bool exact_size, bool check_limit, bool reserving);
  // Stores text together with the number it spells, both valid.
  Result store_text_with_number(StringView value, uint8_t cache_attr, int64_t bits);
  // What the variable held, now the caller's to let go of once the
  // variable is consistent again (the release may run script code).
  ObjectRef take_object();
};

// The shared empty text every empty variable points at. Only its first
// character is ever read; the room after it absorbs a short write by native
// code handed an empty variable, which the call then reports, so that the
// report itself does not run on corrupted memory.
inline constexpr size_t kEmptyTextRoom = 64;
extern char16_t g_empty_text[kEmptyTextRoom];

}  // namespace orv
