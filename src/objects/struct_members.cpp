// The members of Struct objects: fields read and written by name, elements
// by index, and the built-in members (NewEnum, SetCapacity, GetAddress ...).
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/messages.h"
#include "base/small_array.h"
#include "objects/object_model.h"
#include "objects/struct_object.h"
#include "objects/struct_values.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"

namespace orv {

namespace {

bool is_integer_key(const ExprToken& key) {
  if (key.symbol == SymObject || key.symbol == SymMissing) return false;
  if (key.symbol == SymVar && key.var->holds_object()) return false;
  return token_numeric_type(key) == NumType::Integer;
}

// A 1-based index within `count` elements as a 0-based one.
bool element_index(const ExprToken& key, size_t count, size_t& index) {
  int64_t i = token_to_int(key);
  if (i < 1 || uint64_t(i) > count) return false;
  index = size_t(i - 1);
  return true;
}

uintptr_t address_of(const void* p) { return reinterpret_cast<uintptr_t>(p); }

enum class Member : uint8_t {
  None, NewEnum, SetCapacity, GetCapacity, Offset, IsPointer, Encoding, GetPointer, Fill, GetAddress, Size, CountOf,
  Clone, New,
};

Member find_member(StringView name) {
  // "__New" is what `new` calls; one leading underscore is ignored elsewhere.
  if (equals_ignore_case(name, u"_New") || equals_ignore_case(name, u"__New")) return Member::New;
  if (!name.empty() && name[0] == u'_') name.remove_prefix(1);
  static const struct {
    const char16_t* name;
    Member member;
  } kMembers[] = {
      {u"NewEnum", Member::NewEnum},     {u"SetCapacity", Member::SetCapacity}, {u"GetCapacity", Member::GetCapacity},
      {u"Offset", Member::Offset},       {u"IsPointer", Member::IsPointer},     {u"Encoding", Member::Encoding},
      {u"GetPointer", Member::GetPointer}, {u"Fill", Member::Fill},           {u"GetAddress", Member::GetAddress},
      {u"Size", Member::Size},           {u"CountOf", Member::CountOf},         {u"Clone", Member::Clone},
  };
  for (const auto& m : kMembers)
    if (equals_ignore_case(name, m.name)) return m.member;
  return Member::None;
}

}  // namespace

// Walks the members of one structure: key the name, value what reading it gives.
class StructEnumerator final : public EnumBase {
 public:
  explicit StructEnumerator(StructObject& s) : struct_(&s) {}
  Result next(Variable* key, Variable* value, bool& more) override {
    const auto& fields = struct_->layout()->fields;
    if (++position_ >= fields.size()) {
      more = false;
      return ResultDone;
    }
    more = true;
    TempArena::Scope scope;
    const StructField& f = fields[position_];
    OwnedToken read;
    if (value) {
      Result r = struct_->read_field(f, 0, false, read.out());
      if (r != ResultDone) return r;
    }
    Result r = ResultDone;
    if (key) r = key->assign(f.name);
    if (r && value) r = value->assign_token(*read);
    return r;
  }
  StringView type_name() const override { return u"Enumerator"; }

 private:
  Ref<StructObject> struct_;
  size_t position_ = size_t(-1);
};

Result StructObject::invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) {
  uint32_t type = flags & InvokeTypeMask;
  if (type == InvokeCall) {
    if (count < 1) return ResultNotHandled;
    char16_t buf[256];
    StringView name = token_to_text(*params[0], buf);
    return call(name, result, this_token, flags, params + 1, count - 1);
  }
  if (type == InvokeSet) {
    if (count < 2) return ResultNotHandled;
    return set(result, params, count - 1, *params[count - 1]);
  }
  return get(result, params, count);
}

const StructField* StructObject::field_argument(ExprToken** args, int argc) {
  if (argc < 1 || args[0]->symbol == SymMissing || is_integer_key(*args[0])) return nullptr;
  char16_t buf[256];
  return layout_->find(token_to_text(*args[0], buf));
}

Result StructObject::get(ExprToken& result, ExprToken** keys, int count) {
  if (count == 0) {
    // s[]: the address native code is given.
    result = int_token(int64_t(address_of(memory_)));
    return ResultDone;
  }
  ExprToken& first = *keys[0];
  OwnedToken sub;
  if (is_integer_key(first)) {
    if (Result r = element(token_to_int(first), sub.out()); r != ResultDone) return r;
  } else {
    char16_t buf[256];
    StringView name = token_to_text(first, buf);
    const StructField* f = layout_->find(name);
    if (!f) {
      Member m = find_member(name);
      if (m == Member::None) return ResultNotHandled;
      ExprToken this_token = object_token(this);
      return call(name, result, this_token, InvokeGet, keys + 1, count - 1);
    }
    size_t index = 0;
    bool indexed = count > 1 && is_integer_key(*keys[1]);
    if (indexed && !element_index(*keys[1], f->elements(), index)) return ResultDone;
    int used = indexed ? 2 : 1;
    if (used == count) return read_field(*f, index, indexed, result);
    if (Result r = read_field(*f, index, indexed, sub.out()); r != ResultDone) return r;
    keys += used - 1;
    count -= used - 1;
  }
  if (count == 1) {
    result = sub.detach();
    return ResultDone;
  }
  // s.inner.x written s["inner", "x"]: the rest of the keys go to the sub-structure.
  IObject* inner = token_object(*sub);
  if (!inner) return ResultDone;
  ExprToken inner_this = object_token(inner);
  return inner->invoke(result, inner_this, InvokeGet, keys + 1, count - 1);
}

Result StructObject::set(ExprToken& result, ExprToken** keys, int count, const ExprToken& value) {
  if (count == 0) return ResultNotHandled;
  ExprToken& first = *keys[0];
  OwnedToken sub;
  if (is_integer_key(first)) {
    if (Result r = element(token_to_int(first), sub.out()); r != ResultDone) return r;
    auto* view = static_cast<StructObject*>(token_object(*sub));
    if (!view) return ResultDone;
    if (count == 1) {
      if (!view->memory_) return report_runtime_error(message(Msg::EmptyStructPointer));
      IObject* object = token_object(value);
      if (auto* other = dynamic_cast<StructObject*>(object)) {
        if (other->memory_) std::memmove(view->memory_, other->memory_, std::min(view->layout_->size, other->layout_->size));
      } else if (object) {
        if (Result r = view->initialise(*object); r != ResultDone) return r;
      }
      result = value.symbol == SymObject ? object_token(ObjectRef(value.object)) : value;
      return ResultDone;
    }
  } else {
    char16_t buf[256];
    const StructField* f = layout_->find(token_to_text(first, buf));
    if (!f) return ResultNotHandled;
    size_t index = 0;
    bool indexed = count > 1 && is_integer_key(*keys[1]);
    if (indexed && !element_index(*keys[1], f->elements(), index)) return ResultDone;
    int used = indexed ? 2 : 1;
    if (used == count) {
      if (Result r = write_field(*f, index, indexed, value); r != ResultDone) return r;
      return read_field(*f, index, indexed, result);
    }
    if (Result r = read_field(*f, index, indexed, sub.out()); r != ResultDone) return r;
    keys += used - 1;
    count -= used - 1;
  }
  IObject* inner = token_object(*sub);
  if (!inner) return ResultDone;
  ExprToken inner_this = object_token(inner);
  SmallArray<ExprToken*, 16> rest(count);
  for (int i = 1; i < count; ++i) rest[i - 1] = keys[i];
  rest[count - 1] = const_cast<ExprToken*>(&value);
  return inner->invoke(result, inner_this, InvokeSet, rest.data(), count);
}

Result StructObject::call(StringView name, ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** args,
                          int argc) {
  Member m = find_member(name);
  if (m == Member::None) return ResultNotHandled;
  const StructField* f = field_argument(args, argc);
  bool by_index = argc > 0 && is_integer_key(*args[0]);
  switch (m) {
    case Member::NewEnum: {
      auto* e = new (std::nothrow) StructEnumerator(*this);
      if (!e) return report_runtime_error(message(Msg::OutOfMemory));
      result = object_token(e);
      return ResultDone;
    }
    case Member::SetCapacity: {
      const ExprToken* bytes = f ? (argc > 1 ? args[1] : nullptr) : (argc > 0 ? args[0] : nullptr);
      return set_capacity(f, bytes, result);
    }
    case Member::GetCapacity: {
      if (!f) {
        result = int_token(int64_t(root_ ? 0 : owned_));
      } else if (memory_) {
        Buffer* b = buffer_at(address_of(memory_ + f->offset));
        uintptr_t target;
        std::memcpy(&target, memory_ + f->offset, 8);
        result = int_token(b && address_of(b->data) == target ? int64_t(b->size) : 0);
      } else {
        result = int_token(0);
      }
      return ResultDone;
    }
    case Member::Offset:
      if (f) result = int_token(int64_t(f->offset));
      else if (by_index) result = int_token(int64_t(layout_->element_size()) * (token_to_int(*args[0]) - 1));
      else result = int_token(0);
      return ResultDone;
    case Member::IsPointer:
      result = int_token(f ? f->pointer_depth + (f->type.is_text_pointer ? 1 : 0) : 0);
      return ResultDone;
    case Member::Encoding:
      result = int_token(f ? f->type.encoding : kNoEncoding);
      return ResultDone;
    case Member::GetPointer: {
      size_t offset = f ? f->offset : 0, index = 0;
      if (!f && by_index) {
        if (!element_index(*args[0], layout_->elements(), index)) return ResultDone;
        offset = index * layout_->element_size();
      }
      if (!memory_ || layout_->size < 8 || offset > layout_->size - 8) return ResultDone;
      uintptr_t pointer;
      std::memcpy(&pointer, memory_ + offset, 8);
      result = int_token(int64_t(pointer));
      return ResultDone;
    }
    case Member::Fill: {
      if (!memory_) return report_runtime_error(message(Msg::EmptyStructPointer));
      int byte = 0;
      if (argc > 0 && args[0]->symbol != SymMissing) {
        if (token_numeric_type(*args[0]) == NumType::NotNumeric) {
          char16_t buf[256];
          StringView text = token_to_text(*args[0], buf);
          byte = text.empty() ? 0 : int(text[0] & 0xFF);
        } else {
          byte = int(token_to_int(*args[0]) & 0xFF);
        }
      }
      std::memset(memory_, byte, layout_->size);
      return ResultDone;
    }
    case Member::GetAddress: {
      uintptr_t base = address_of(memory_);
      if (!memory_) base = 0;
      else if (f) base += f->offset;
      else if (by_index) {
        size_t index;
        if (!element_index(*args[0], layout_->elements(), index)) return ResultDone;
        base += index * layout_->element_size();
      }
      result = int_token(int64_t(base));
      return ResultDone;
    }
    case Member::Size:
      result = int_token(int64_t(f ? f->total_size() : by_index ? layout_->element_size() : layout_->size));
      return ResultDone;
    case Member::CountOf:
      result = int_token(int64_t(f ? f->count : layout_->count));
      return ResultDone;
    case Member::Clone:
      return clone(result, args, argc);
    case Member::New: {
      if (Result r = clone(result, args, argc); r != ResultDone) return r;
      // As the constructor `new` runs, the copy takes the place of the instance.
      return flags & InvokeAsBase ? ResultReturned : ResultDone;
    }
    case Member::None: break;
  }
  return ResultNotHandled;
}

Result StructObject::clone(ExprToken& result, ExprToken** args, int argc) {
  IObject* values = nullptr;
  Ref<StructObject> copy;
  if (argc > 0 && args[0]->symbol != SymMissing && !token_object(*args[0]) &&
      token_numeric_type(*args[0]) == NumType::Integer) {
    copy = Ref<StructObject>::adopt(create_view(layout_, uintptr_t(token_to_int(*args[0]))));
    if (argc > 1) values = token_object(*args[1]);
  } else {
    if (argc > 0) values = token_object(*args[0]);
    if (layout_->size > g_var_settings.memory_limit) return report_runtime_error(message(Msg::OutOfMemory));
    copy = Ref<StructObject>::adopt(create_owned(layout_));
  }
  if (!copy) return report_runtime_error(message(Msg::OutOfMemory));
  if (values && copy->memory_) {
    if (Result r = copy->initialise(*values); r != ResultDone) return r;
  }
  result = object_token(copy.detach());
  return ResultDone;
}

Result StructObject::set_capacity(const StructField* f, const ExprToken* bytes_token, ExprToken& result) {
  int64_t requested = bytes_token && bytes_token->symbol != SymMissing ? token_to_int(*bytes_token) : 0;
  if (requested < 0) requested = 0;
  size_t bytes = size_t(requested);
  if (uint64_t(bytes) > g_var_settings.memory_limit) return report_runtime_error(message(Msg::OutOfMemory));
  if (f) {
    if (!f->pointer_depth && !f->type.is_text_pointer) return ResultDone;
    if (!memory_) return report_runtime_error(message(Msg::EmptyStructPointer));
    uint8_t* slot = memory_ + f->offset;
    if (!bytes) {
      // The buffer is given up but kept until the root goes: a native copy
      // of the pointer may still be in use.
      uintptr_t target;
      std::memcpy(&target, slot, 8);
      Buffer* b = buffer_at(address_of(slot));
      if (b && address_of(b->data) == target) std::memset(slot, 0, 8);
      result = int_token(0);
      return ResultDone;
    }
    if (!allocate_buffer(address_of(slot), bytes)) return report_runtime_error(message(Msg::OutOfMemory));
    result = int_token(int64_t(bytes));
    return ResultDone;
  }
  // Only a root's own memory can be replaced; views look at their parent's.
  if (root_) return ResultDone;
  // Never less than the layout: its members are read where it puts them.
  if (bytes && bytes < layout_->size) bytes = layout_->size;
  uint8_t* fresh = bytes ? zeroed_block(bytes) : nullptr;
  if (bytes && !fresh) return report_runtime_error(message(Msg::OutOfMemory));
  if (owned_) retire(memory_);
  memory_ = fresh;
  owned_ = bytes;
  result = int_token(int64_t(bytes));
  return ResultDone;
}

}  // namespace orv
