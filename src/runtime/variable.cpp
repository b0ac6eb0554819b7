#include "runtime/variable.h"

#include "base/messages.h"
#include "runtime/warnings.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/pool.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace orv {

VariableSettings g_var_settings;
char16_t g_empty_text[kEmptyTextRoom] = {0};

Result report_memory_limit() { return report_runtime_error(message(Msg::MemoryLimitReached)); }

namespace {
// Never destroyed by the program: what it holds is used until the process
// ends.
Pool* g_permanent_pool = nullptr;
}  // namespace

Pool& permanent_pool() {
  if (!g_permanent_pool) g_permanent_pool = new Pool;
  return *g_permanent_pool;
}

void discard_permanent_pool() {
  delete g_permanent_pool;
  g_permanent_pool = nullptr;
}

namespace {

// A heap buffer this large is returned when its variable is emptied; a
// smaller one is kept, since the variable will likely be filled again.
constexpr size_t kReleaseIfLargerThan = 4096;
constexpr size_t kLargestPoolBlock = 128;
constexpr size_t kMaxChars = SIZE_MAX / sizeof(char16_t) / 2;

// Growth margins: generous for small texts, so that a loop appending to a
// variable reallocates rarely, and shrinking relative to the size for large
// ones, so that a big text does not reserve megabytes it will not use.
size_t heap_block_size(size_t need) {
  if (need < 32) return 32;
  if (need < 520) return 520;
  if (need < 0x50000) return need + need / 10;
  if (need < 3276800) return need + 32768;
  if (need < 13107200) return need + need / 100;
  return need + 131072;
}

// The heap block under a capacity of `size` bytes. A block that is
// outgrown (`old_block` bytes) grows by half, up to `most` (the memory
// limit): the text of a long loop of appends is then copied a logarithmic
// number of times in all, where the steps above would copy all of it every
// 128 KB on a heap whose growing realloc copies (the Windows heap does).
size_t block_size_for(size_t size, size_t old_block, uint64_t most) {
  size_t grown = old_block + old_block / 2;
  if (grown <= size) return size;
  return grown > most ? (size > most ? size : size_t(most)) : grown;
}

// malloc (`old` null) or realloc of `wanted` bytes; when the system cannot
// give that much, `least` (what the capacity needs) is tried before failing.
void* allocate_block(void* old, size_t& wanted, size_t least) {
  void* block = old ? std::realloc(old, wanted) : std::malloc(wanted);
  if (!block && wanted > least) {
    wanted = least;
    block = old ? std::realloc(old, least) : std::malloc(least);
  }
  return block;
}

bool keeps_spelling(StringView text) {
  if (text.empty()) return false;
  char16_t first = text.front(), last = text.back();
  return first == u' ' || first == u'\t' || first == u'0' || first == u'+' || last == u' ' || last == u'\t';
}

size_t copy_out(char16_t* dest, const char16_t* source, size_t chars) {
  if (dest) {
    if (chars) std::memcpy(dest, source, chars * sizeof(char16_t));
    dest[chars] = 0;
  }
  return chars;
}

// Callers read a variable in two steps: the length, then the copy into a
// buffer of that size. For texts from outside the program (the clipboard,
// the environment) the length query keeps what it found, so that the copy
// that follows neither asks again nor gets a longer text than it made room
// for.
struct PendingRead {
  Variable* var = nullptr;
  bool found = false;
  String text;
};
PendingRead g_pending;

bool take_pending(Variable& v, String& text, bool& found) {
  bool hit = g_pending.var == &v;
  if (hit) {
    text.swap(g_pending.text);
    found = g_pending.found;
  }
  g_pending.var = nullptr;
  g_pending.text.clear();
  return hit;
}

void keep_pending(Variable& v, String&& text, bool found) {
  g_pending.var = &v;
  g_pending.found = found;
  g_pending.text = std::move(text);
}

// The text of a variable of any type.
String text_of(Variable& v) {
  size_t n = v.read_text(nullptr);
  String s(n, u'\0');
  size_t got = v.read_text(s.data());
  if (got < n) s.resize(got);
  return s;
}

Result write_clipboard(StringView text) {
  if (!platform::set_clipboard_text(text)) return report_runtime_error(message(Msg::ClipboardNotWritable));
  return ResultDone;
}

}  // namespace

Variable::Variable() : text(g_empty_text), length_bytes(0), capacity_bytes(0) {}

ObjectRef Variable::take_object() {
  if (!(attributes & AttrObject)) return ObjectRef();
  IObject* object = contents.object;
  contents.integer = 0;
  attributes &= uint8_t(~(AttrObject | AttrNotNumeric));
  return ObjectRef::adopt(object);
}

void Variable::free_buffer(FreeMode mode, bool mark_uninitialized) {
  Variable& v = target();
  if (v.type == VarType::Builtin) return;
  ObjectRef object = v.take_object();
  uint8_t keep = v.attributes & AttrNoCache;
  bool release = v.alloc == AllocKind::Heap &&
                 (mode == FreeMode::Release || (mode == FreeMode::ReleaseIfLarge && v.capacity_bytes > kReleaseIfLargerThan));
  if (release) {
    std::free(v.text);
    v.text = g_empty_text;
    v.capacity_bytes = 0;
    v.block_bytes = 0;
    v.alloc = AllocKind::None;
    keep = 0;  // the address the script took is gone
  } else if (v.capacity_bytes) {
    v.text[0] = 0;
  }
  v.length_bytes = 0;
  v.attributes = keep | (mark_uninitialized ? AttrUninitialized : 0);
  // `object` goes last, on the way out: releasing may run script code that
  // looks at the variable.
}

Result Variable::store_text(const char16_t* source, size_t chars, bool exact_size, bool check_limit, bool reserving) {
  if (chars > kMaxChars) return report_runtime_error(message(check_limit ? Msg::MemoryLimitReached : Msg::OutOfMemory));
  const size_t need = (chars + 1) * sizeof(char16_t);
  const uint64_t limit = g_var_settings.memory_limit;
  if (check_limit && need > limit && need > capacity_bytes)
    return report_runtime_error(message(Msg::MemoryLimitReached));
  if (chars == 0 && !reserving) {
    free_buffer(FreeMode::ReleaseIfLarge);
    return ResultDone;
  }
  // The text being stored may belong to the object held now, so the object
  // is released only after the copy, on the way out.
  ObjectRef object = take_object();
  attributes &= AttrNoCache;

  char16_t* old_heap_block = nullptr;
  if (capacity_bytes < need) {
    if (alloc != AllocKind::Heap && need <= kLargestPoolBlock) {
      size_t size = exact_size ? need : need <= 8 ? 8 : need <= 16 ? 16 : kLargestPoolBlock;
      text = static_cast<char16_t*>(permanent_pool().allocate(size, alignof(char16_t)));
      capacity_bytes = block_bytes = size;
      alloc = AllocKind::Pool;  // an older pool block is simply left behind
    } else {
      size_t size = exact_size ? need : heap_block_size(need);
      if (check_limit && size > limit) size = size_t(limit);  // still >= need: checked above
      if (alloc == AllocKind::Heap && block_bytes >= size) {
        capacity_bytes = size;  // the block had the room: only the capacity the script sees grows
      } else {
        size_t block_size = size;
        if (!exact_size && alloc == AllocKind::Heap)
          block_size = block_size_for(size, block_bytes, check_limit ? limit : UINT64_MAX);
        if (alloc == AllocKind::Heap) {
          auto at = reinterpret_cast<uintptr_t>(source), begin = reinterpret_cast<uintptr_t>(text);
          bool source_inside = source && at >= begin && at < begin + block_bytes;
          // Freeing first lets the allocator reuse the space; only a source
          // inside the old block has to outlive the new allocation.
          if (source_inside) {
            old_heap_block = text;
          } else {
            std::free(text);
          }
          text = g_empty_text;
          capacity_bytes = block_bytes = 0;
          alloc = AllocKind::None;
        }
        auto* block = static_cast<char16_t*>(allocate_block(nullptr, block_size, size));
        if (!block) {
          std::free(old_heap_block);
          if (alloc == AllocKind::Pool) text[0] = 0;
          else attributes = 0;
          length_bytes = 0;
          object.reset();
          return report_runtime_error(message(Msg::OutOfMemory));
        }
        text = block;
        capacity_bytes = size;
        block_bytes = block_size;
        alloc = AllocKind::Heap;
      }
    }
    // Whether or not the text moved, as on every growth: an address the
    // script took before is no longer trusted to be the text's.
    attributes = 0;
  }
  if (reserving) {
    text[0] = 0;
    text[chars] = 0;
    length_bytes = 0;
  } else {
    if (source != text) std::memmove(text, source, chars * sizeof(char16_t));
    text[chars] = 0;
    length_bytes = chars * sizeof(char16_t);
  }
  std::free(old_heap_block);
  return ResultDone;
}

Result Variable::store_text_with_number(StringView value, uint8_t cache_attr, int64_t bits) {
  if (!store_text(value.data(), value.size(), false, true, false)) return ResultFailed;
  if (!(attributes & AttrNoCache) && !value.empty()) {
    contents.integer = bits;
    attributes |= cache_attr;
  }
  return ResultDone;
}

Result Variable::assign(StringView value, bool exact_size, bool check_limit) {
  Variable& v = target();
  if (v.type == VarType::Clipboard) return write_clipboard(value);
  if (v.is_read_only()) return report_runtime_error(message(Msg::NotOutputVar), v.name_view());
  return v.store_text(value.data(), value.size(), exact_size, check_limit, false);
}

Result Variable::reserve(size_t chars, bool exact_size) {
  Variable& v = target();
  if (v.is_read_only()) return report_runtime_error(message(Msg::NotOutputVar), v.name_view());
  return v.store_text(nullptr, chars, exact_size, true, true);
}

Result Variable::assign_int(int64_t value) {
  Variable& v = target();
  if (v.type != VarType::Normal) return v.assign(int_to_text(value));
  if ((v.attributes & AttrNoCache) || g_var_settings.format_int_on_assign) {
    char16_t buf[32];
    size_t len = format_int(value, g_thread->integer_format, buf);
    return v.store_text_with_number(StringView(buf, len), AttrHasInt, value);
  }
  ObjectRef old = v.take_object();
  v.contents.integer = value;
  v.attributes = AttrHasInt | AttrTextStale;
  return ResultDone;
}

Result Variable::assign_double(double value) {
  Variable& v = target();
  if (v.type != VarType::Normal) return v.assign(double_to_text(value));
  if ((v.attributes & AttrNoCache) || g_var_settings.format_float_on_assign) {
    // The text, rounded by the format, is the value from now on: arithmetic
    // on the variable sees what a reader of it sees.
    return v.assign(double_to_text(value));
  }
  ObjectRef old = v.take_object();
  v.contents.number = value;
  v.attributes = AttrHasDouble | AttrTextStale;
  return ResultDone;
}

Result Variable::update_text_from_cache() {
  Variable& v = target();
  if (!(v.attributes & AttrTextStale)) return ResultDone;
  char16_t buf[260];
  size_t len;
  uint8_t keep;
  if (v.attributes & AttrHasInt) {
    len = format_int(v.contents.integer, g_thread->integer_format, buf);
    keep = AttrHasInt;
  } else {
    len = format_double(v.contents.number, g_thread->float_format, buf, sizeof buf / sizeof buf[0]);
    keep = g_var_settings.format_float_on_assign ? 0 : AttrHasDouble;
  }
  // store_text leaves `contents` alone; only the flags need putting back.
  if (!v.store_text(buf, len, false, true, false)) return ResultFailed;
  v.attributes |= keep;
  return ResultDone;
}

Result Variable::assign_object(ObjectRef object) {
  Variable& v = target();
  if (v.type != VarType::Normal) {
    object.reset();
    return report_runtime_error(message(Msg::InvalidValue), message(Msg::AnObject));
  }
  // Whatever the variable held goes first; when it held this same object,
  // the caller's reference keeps it alive.
  v.free_buffer(FreeMode::Release);
  v.contents.object = object.detach();
  v.attributes |= AttrObject | AttrNotNumeric;
  return ResultDone;
}

// Out of line, so that the stores of plain values need no room for a Ref.
[[gnu::noinline]] Result Variable::share_object(IObject* object) { return assign_object(ObjectRef(object)); }

Result Variable::assign_clipboard_snapshot(const std::string& bytes) {
  String units((bytes.size() + 1) / 2, u'\0');
  if (!bytes.empty()) std::memcpy(units.data(), bytes.data(), bytes.size());
  Variable& v = target();
  if (!v.assign(units)) return ResultFailed;
  if (!units.empty()) v.attributes |= AttrBinaryClip;
  return ResultDone;
}

Result Variable::assign_var(Variable& source) {
  Variable& dest = target();
  Variable& src = source.target();
  if (&dest == &src) return ResultDone;
  if (dest.is_read_only()) return report_runtime_error(message(Msg::NotOutputVar), dest.name_view());
  // A snapshot of the whole clipboard, and one put back.
  if (src.type == VarType::ClipboardAll) {
    std::string snapshot;
    if (!platform::clipboard_snapshot(snapshot)) return report_runtime_error(message(Msg::ClipboardNotReadable));
    if (dest.type == VarType::Clipboard) return ResultDone;  // already there
    return dest.assign_clipboard_snapshot(snapshot);
  }
  if (dest.type == VarType::Clipboard && (src.attributes & AttrBinaryClip)) {
    if (!platform::restore_clipboard_snapshot(src.text, src.length_bytes))
      return report_runtime_error(message(Msg::ClipboardNotWritable));
    return ResultDone;
  }
  if (src.type != VarType::Normal) return dest.assign(text_of(src));
  if ((src.attributes & AttrUninitialized) && src.length_bytes == 0) warn_unset_variable(src);
  if (dest.type != VarType::Normal) return dest.assign(src.view());

  const uint8_t a = src.attributes;
  if (a & AttrObject) return dest.share_object(src.contents.object);
  StringView text(src.text, src.length_bytes / sizeof(char16_t));
  if (a & AttrHasInt) {
    // A spelling such as "007", "0x10" or " 5" is what the script wrote;
    // it survives the copy, with the number still at hand beside it.
    if (!(a & AttrTextStale) && keeps_spelling(text))
      return dest.store_text_with_number(text, AttrHasInt, src.contents.integer);
    return dest.assign_int(src.contents.integer);
  }
  if (a & AttrHasDouble) {
    if (a & AttrTextStale) return dest.assign_double(src.contents.number);
    int64_t bits;
    std::memcpy(&bits, &src.contents.number, sizeof bits);
    return dest.store_text_with_number(text, AttrHasDouble, bits);
  }
  if (!dest.store_text(text.data(), text.size(), false, true, false)) return ResultFailed;
  if ((a & AttrBinaryClip) && !text.empty()) dest.attributes |= AttrBinaryClip;
  return ResultDone;
}

Result Variable::assign_token(const ExprToken& token) {
  switch (token.symbol) {
    case SymInteger:
      return assign_int(token.integer);
    case SymFloat:
      return assign_double(token.number);
    case SymVar:
      return assign_var(*token.var);
    case SymObject:
      return share_object(token.object);
    case SymOperand:
      if (token.preparsed) {
        // A literal such as 0x1F or 007 keeps its spelling as written.
        StringView literal = token.view();
        Variable& v = target();
        if (!literal.empty() && literal[0] == u'0' && v.type == VarType::Normal)
          return v.store_text_with_number(literal, AttrHasInt, *token.preparsed);
        return assign_int(*token.preparsed);
      }
      return assign(token.view());
    case SymString:
      return assign(token.view());
    default:
      return assign_empty();
  }
}

bool Variable::append_in_place(StringView more) {
  Variable& v = target();
  if (v.type != VarType::Normal || (v.attributes & (AttrObject | AttrBinaryClip))) return false;
  if (more.empty()) return true;
  if (!v.update_text_from_cache()) return false;
  size_t length = v.length_bytes / sizeof(char16_t);
  if (more.size() > kMaxChars) return false;
  if (v.capacity_bytes / sizeof(char16_t) < length + more.size() + 1 && !v.grow_keeping_text(length + more.size(), more))
    return false;
  // memmove: the appended text may be this variable's own.
  std::memmove(v.text + length, more.data(), more.size() * sizeof(char16_t));
  length += more.size();
  v.text[length] = 0;
  v.length_bytes = length * sizeof(char16_t);
  v.attributes &= AttrNoCache;
  return true;
}

// The capacity grows by the same steps as any other store; the block under
// it by realloc, which keeps the text where the system can, and by half its
// size (block_size_for), so that it is rarely outgrown at all.
bool Variable::grow_keeping_text(size_t chars, StringView more) {
  const size_t need = (chars + 1) * sizeof(char16_t);
  const uint64_t limit = g_var_settings.memory_limit;
  if (chars > kMaxChars || need > limit) return false;  // the caller reports it
  if (alloc != AllocKind::Heap && need <= kLargestPoolBlock) return false;
  size_t size = heap_block_size(need);
  if (size > limit) size = size_t(limit);
  if (alloc == AllocKind::Heap && block_bytes >= size) {
    capacity_bytes = size;
    attributes = 0;  // as on every growth (see store_text)
    return true;
  }
  auto at = reinterpret_cast<uintptr_t>(more.data()), begin = reinterpret_cast<uintptr_t>(text);
  if (at >= begin && at < begin + block_bytes) return false;  // appending its own text, which is about to move
  size_t block_size = alloc == AllocKind::Heap ? block_size_for(size, block_bytes, limit) : size;
  char16_t* block;
  if (alloc == AllocKind::Heap) {
    block = static_cast<char16_t*>(allocate_block(text, block_size, size));
  } else {
    block = static_cast<char16_t*>(allocate_block(nullptr, block_size, size));
    if (block) std::memcpy(block, text, length_bytes + sizeof(char16_t));
  }
  if (!block) return false;
  text = block;
  capacity_bytes = size;
  block_bytes = block_size;
  alloc = AllocKind::Heap;
  attributes = 0;  // a new address: the one the script took no longer applies
  return true;
}

void Variable::accept_buffer(char16_t* block, size_t length_chars, size_t capacity_bytes) {
  Variable& v = target();
  if (v.type != VarType::Normal) {
    std::free(block);
    return;
  }
  ObjectRef old = v.take_object();
  if (v.alloc == AllocKind::Heap) std::free(v.text);
  v.text = block;
  v.capacity_bytes = v.block_bytes = capacity_bytes;
  v.alloc = AllocKind::Heap;
  v.length_bytes = length_chars * sizeof(char16_t);
  if ((length_chars + 1) * sizeof(char16_t) <= capacity_bytes) block[length_chars] = 0;
  v.attributes = 0;
}

void Variable::set_length_after_write() {
  Variable& v = target();
  if (v.type == VarType::Builtin) return;
  ObjectRef old = v.take_object();
  size_t max = v.capacity_bytes / sizeof(char16_t);
  size_t n = 0;
  if (max) {
    while (n < max && v.text[n]) ++n;
    if (n == max) v.text[--n] = 0;
  }
  v.length_bytes = n * sizeof(char16_t);
  v.attributes &= AttrNoCache;
}

void Variable::disable_caching() {
  Variable& v = target();
  // From now on the text is the value, so it has to be current first.
  if (!v.update_text_from_cache()) return;
  if (!(v.attributes & AttrObject)) v.attributes &= uint8_t(~kNumberAttrs);
  v.attributes |= AttrNoCache;
}

StringView Variable::view() {
  Variable& v = target();
  if (!v.update_text_from_cache()) return StringView();
  return StringView(v.text, v.length_bytes / sizeof(char16_t));
}

size_t Variable::length_chars() {
  Variable& v = target();
  if (v.type != VarType::Normal) return v.read_text(nullptr);
  if (!v.update_text_from_cache()) return 0;
  return v.length_bytes / sizeof(char16_t);
}

size_t Variable::read_text(char16_t* dest) {
  Variable& v = target();
  String pending;
  bool found = false;
  bool had_pending = take_pending(v, pending, found);
  switch (v.type) {
    case VarType::Normal: {
      if (!v.update_text_from_cache()) return copy_out(dest, g_empty_text, 0);
      if (v.length_bytes || g_var_settings.no_env) return copy_out(dest, v.text, v.length_bytes / sizeof(char16_t));
      if (!had_pending) found = platform::get_environment_variable(v.name_view(), pending);
      if (!found) pending.clear();
      if (!dest) {
        size_t n = pending.size();
        keep_pending(v, std::move(pending), found);
        return n;
      }
      return copy_out(dest, pending.data(), pending.size());
    }
    case VarType::Clipboard:
      if (!had_pending) platform::clipboard_text(pending);
      if (!dest) {
        size_t n = pending.size();
        keep_pending(v, std::move(pending), true);
        return n;
      }
      return copy_out(dest, pending.data(), pending.size());
    case VarType::Builtin:
      if (v.producer) return v.producer(dest, v);
      return copy_out(dest, g_empty_text, 0);
    default:  // ClipboardAll: no text of its own
      return copy_out(dest, g_empty_text, 0);
  }
}

NumType Variable::numeric_type() {
  Variable& v = target();
  if (v.type != VarType::Normal) return numeric_type_of(text_of(v));
  const uint8_t a = v.attributes;
  if (a & AttrHasInt) return NumType::Integer;
  if (a & AttrHasDouble) return NumType::Float;
  if (a & (AttrNotNumeric | AttrObject | AttrBinaryClip)) return NumType::NotNumeric;
  NumType type = numeric_type_of(StringView(v.text, v.length_bytes / sizeof(char16_t)));
  if (type == NumType::NotNumeric && !(a & AttrNoCache)) v.attributes |= AttrNotNumeric;
  return type;
}

int64_t Variable::to_int(bool cache) {
  Variable& v = target();
  if (v.type != VarType::Normal) return text_to_int(text_of(v));
  const uint8_t a = v.attributes;
  if (a & AttrHasInt) return v.contents.integer;
  if (a & AttrHasDouble) return double_to_int(v.contents.number);
  if (a & AttrObject) return 0;
  StringView text(v.text, v.length_bytes / sizeof(char16_t));
  int64_t value = text_to_int(text);
  // Only a text that is an integer through and through may have the number
  // cached beside it: "12abc" reads as 12 but must stay non-numeric.
  if (cache && !(a & (AttrNoCache | AttrNotNumeric | AttrBinaryClip))) {
    NumType type = numeric_type_of(text);
    if (type == NumType::Integer) {
      v.contents.integer = value;
      v.attributes |= AttrHasInt;
    } else if (type == NumType::NotNumeric) {
      v.attributes |= AttrNotNumeric;
    }
  }
  return value;
}

double Variable::to_double(bool cache) {
  Variable& v = target();
  if (v.type != VarType::Normal) return text_to_double(text_of(v));
  const uint8_t a = v.attributes;
  if (a & AttrHasDouble) return v.contents.number;
  if (a & AttrHasInt) return double(v.contents.integer);
  if (a & AttrObject) return 0.0;
  StringView text(v.text, v.length_bytes / sizeof(char16_t));
  double value = text_to_double(text);
  // An integer text is not cached as a double: the variable would then
  // count as a float in arithmetic.
  if (cache && !(a & (AttrNoCache | AttrNotNumeric | AttrBinaryClip))) {
    NumType type = numeric_type_of(text);
    if (type == NumType::Float) {
      v.contents.number = value;
      v.attributes |= AttrHasDouble;
    } else if (type == NumType::NotNumeric) {
      v.attributes |= AttrNotNumeric;
    }
  }
  return value;
}

}  // namespace orv
