#include "objects/struct_object.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/messages.h"
#include "objects/object_model.h"
#include "objects/struct_definitions.h"
#include "objects/struct_values.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"

namespace orv {

namespace {

// Addresses below this are small numbers, never memory.
constexpr uintptr_t kLowestAddress = 0x10000;

uintptr_t address_of(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// An integer computed or assigned as one (an address such as &buf, or a
// variable holding one) is a pointer for a string member; text, numeric or
// not, is the text to store.
bool is_pure_integer(const ExprToken& value) {
  if (value.symbol == SymInteger) return true;
  if (value.symbol != SymVar) return false;
  const Variable& v = value.var->target();
  return v.type == VarType::Normal && (v.attributes & AttrHasInt) && (v.attributes & AttrTextStale);
}

Result empty_pointer() { return report_runtime_error(message(Msg::EmptyStructPointer)); }

}  // namespace

uint8_t* StructObject::zeroed_block(size_t bytes) { return static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1)); }

StructObject::StructObject(LayoutRef layout, uint8_t* memory, StructObject* root)
    : layout_(std::move(layout)), memory_(memory), root_(root) {}

StructObject::~StructObject() {
  if (owned_) std::free(memory_);
  for (Buffer& b : buffers_) std::free(b.data);
  for (uint8_t* block : retired_) std::free(block);
}

StructObject* StructObject::create_owned(LayoutRef layout) {
  size_t size = layout->size;
  uint8_t* memory = zeroed_block(size);
  if (!memory) return nullptr;
  auto* s = new (std::nothrow) StructObject(std::move(layout), memory, nullptr);
  if (!s) {
    std::free(memory);
    return nullptr;
  }
  s->owned_ = size ? size : 1;
  return s;
}

StructObject* StructObject::create_view(LayoutRef layout, uintptr_t address) {
  bool usable = address >= kLowestAddress && platform::foreign_memory_allowed();
  return new (std::nothrow) StructObject(std::move(layout), usable ? reinterpret_cast<uint8_t*>(address) : nullptr, nullptr);
}

bool StructObject::reachable(uintptr_t at, size_t bytes) {
  if (at < kLowestAddress) return false;
  if (platform::foreign_memory_allowed()) return true;
  StructObject& r = root();
  auto inside = [&](const uint8_t* block, size_t size) {
    uintptr_t start = address_of(block);
    return block && at >= start && at - start <= size && bytes <= size - (at - start);
  };
  if (r.owned_ && inside(r.memory_, r.owned_)) return true;
  for (const Buffer& b : r.buffers_)
    if (inside(b.data, b.size)) return true;
  return false;
}

Result StructObject::make_view(LayoutRef layout, uintptr_t at, ExprToken& result) {
  uint8_t* memory = reachable(at, layout->size) ? reinterpret_cast<uint8_t*>(at) : nullptr;
  auto* view = new (std::nothrow) StructObject(std::move(layout), memory, &root());
  if (!view) return report_runtime_error(message(Msg::OutOfMemory));
  result = object_token(view);
  return ResultDone;
}

void StructObject::retire(uint8_t* block) {
  // Without views nothing of ours can still look at the block; with them,
  // it waits for the end of the root.
  if (ref_count() <= 1) std::free(block);
  else retired_.push_back(block);
}

StructObject::Buffer* StructObject::buffer_at(uintptr_t slot) {
  for (Buffer& b : root().buffers_)
    if (b.slot == slot) return &b;
  return nullptr;
}

uint8_t* StructObject::allocate_buffer(uintptr_t slot, size_t bytes) {
  uint8_t* data = zeroed_block(bytes);
  if (!data) return nullptr;
  StructObject& r = root();
  if (Buffer* old = buffer_at(slot)) {
    r.retire(old->data);
    *old = Buffer{slot, data, bytes};
  } else {
    r.buffers_.push_back(Buffer{slot, data, bytes});
  }
  std::memcpy(reinterpret_cast<void*>(slot), &data, sizeof data);
  return data;
}

// --- members ---------------------------------------------------------------------------

Result StructObject::read_field(const StructField& f, size_t index, bool indexed, ExprToken& result) {
  if (!memory_) return ResultDone;
  uint8_t* at = memory_ + f.offset + index * f.size;
  if (f.nested && !f.pointer_depth) return make_view(f.nested, address_of(at), result);
  if (f.is_char_array() && !indexed) return read_member_text(f.type.encoding, at, f.total_size(), result);
  if (f.pointer_depth == 1 && !f.target.empty()) {
    uintptr_t target;
    std::memcpy(&target, at, 8);
    LayoutResult found = find_named_definition(f.target);
    if (!found.layout) return report_definition_error(found);
    return make_view(found.layout, target, result);
  }
  if (f.is_text_pointer()) {
    uintptr_t target;
    std::memcpy(&target, at, 8);
    if (!reachable(target, 1)) return ResultDone;
    // Foreign text runs to its terminator; text of our own stops at the buffer's end.
    size_t most = SIZE_MAX / 2;
    if (!platform::foreign_memory_allowed()) {
      StructObject& r = root();
      for (const Buffer& b : r.buffers_)
        if (target >= address_of(b.data) && target < address_of(b.data) + b.size) most = address_of(b.data) + b.size - target;
      if (r.owned_ && target >= address_of(r.memory_) && target < address_of(r.memory_) + r.owned_)
        most = address_of(r.memory_) + r.owned_ - target;
    }
    return read_member_text(f.type.encoding, reinterpret_cast<const uint8_t*>(target), most, result);
  }
  result = read_member_number(f, at);
  return ResultDone;
}

Result StructObject::write_text_pointer(uint8_t* slot, const StructField& f, StringView text) {
  std::string bytes = encode_member_text(f.type.encoding, text);
  size_t unit = char_size(f.type.encoding);
  size_t needed = bytes.size() + unit;
  uintptr_t target;
  std::memcpy(&target, slot, 8);
  Buffer* own = target ? buffer_at(address_of(slot)) : nullptr;
  uint8_t* data = own && own->data == reinterpret_cast<uint8_t*>(target) && own->size >= needed ? own->data : nullptr;
  if (!data) data = allocate_buffer(address_of(slot), needed);
  if (!data) return report_runtime_error(message(Msg::OutOfMemory));
  std::memcpy(data, bytes.data(), bytes.size());
  std::memset(data + bytes.size(), 0, unit);
  return ResultDone;
}

Result StructObject::write_field(const StructField& f, size_t index, bool indexed, const ExprToken& value) {
  if (!memory_) return empty_pointer();
  uint8_t* at = memory_ + f.offset + index * f.size;
  IObject* object = token_object(value);
  if (f.nested && !f.pointer_depth) {
    if (auto* other = dynamic_cast<StructObject*>(object)) {
      if (other->memory_) std::memmove(at, other->memory_, std::min(f.size, other->layout_->size));
      return ResultDone;
    }
    if (!object) return ResultDone;
    ExprToken view;
    if (Result r = make_view(f.nested, address_of(at), view); r != ResultDone) return r;
    Ref<StructObject> sub = Ref<StructObject>::adopt(static_cast<StructObject*>(view.object));
    return sub->initialise(*object);
  }
  if (auto* other = dynamic_cast<StructObject*>(object)) {
    // A structure given to a pointer member: its address.
    if (f.pointer_depth || f.type.is_text_pointer) {
      uintptr_t address = address_of(other->memory_);
      std::memcpy(at, &address, 8);
    }
    return ResultDone;
  }
  bool text = value.symbol != SymInteger && value.symbol != SymFloat && !object &&
              token_numeric_type(value) == NumType::NotNumeric;
  char16_t buf[256];
  if (f.is_text_pointer() && !is_pure_integer(value)) return write_text_pointer(at, f, token_to_text(value, buf));
  if (f.is_char_array() && !indexed) {
    std::string bytes = encode_member_text(f.type.encoding, token_to_text(value, buf));
    size_t unit = char_size(f.type.encoding);
    size_t room = f.total_size() - unit;  // the terminator always fits
    size_t n = std::min(bytes.size(), room) / unit * unit;
    std::memcpy(at, bytes.data(), n);
    std::memset(at + n, 0, f.total_size() - n);
    return ResultDone;
  }
  if (text && f.type.encoding != kNoEncoding && !f.pointer_depth) {
    // A single character member takes the first character of a text.
    StringView chars = token_to_text(value, buf);
    std::string bytes = encode_member_text(f.type.encoding, chars.substr(0, 1));
    uint64_t code = 0;
    std::memcpy(&code, bytes.data(), std::min(bytes.size(), f.size));
    write_member_number(f, at, int_token(int64_t(code)));
    return ResultDone;
  }
  write_member_number(f, at, value);
  return ResultDone;
}

Result StructObject::element(int64_t index, ExprToken& result) {
  if (index < 1 || uint64_t(index) > layout_->elements()) return ResultDone;
  if (!element_layout_) {
    if (!layout_->count) {
      element_layout_ = layout_;
    } else {
      auto one = std::make_shared<StructLayout>(*layout_);
      one->count = 0;
      one->size = layout_->element_size();
      element_layout_ = std::move(one);
    }
  }
  if (!memory_) return make_view(element_layout_, 0, result);
  return make_view(element_layout_, address_of(memory_ + size_t(index - 1) * layout_->element_size()), result);
}

Result StructObject::initialise(IObject& values) {
  auto* object = dynamic_cast<Object*>(&values);
  if (!object) return ResultDone;
  object->settle();
  for (int64_t i = object->integer_key_count(); i < object->field_count(); ++i) {
    if (object->key_kind_at(i) != KeyKind::String) continue;
    const ObjectField& field = object->field_at(i);
    const StructField* f = layout_->find(StringView(field.string_key));
    if (!f) continue;
    ExprToken value{};
    value.symbol = field.kind;
    if (field.kind == SymObject) value.object = field.object;
    else if (field.kind == SymInteger) value.integer = field.integer;
    else if (field.kind == SymFloat) value.number = field.number;
    else value = text_token(field.text_view(), SymOperand);
    if (Result r = write_field(*f, 0, false, value); r != ResultDone) return r;
  }
  return ResultDone;
}

}  // namespace orv
