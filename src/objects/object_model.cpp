#include "objects/object_model.h"

#include <algorithm>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/messages.h"
#include "objects/bound_func.h"
#include "objects/object_fields.h"
#include "objects/string_tail.h"
#include "runtime/calls.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/object_audit.h"
#include "runtime/stack_guard.h"
#include "runtime/variable.h"
#include "runtime/warnings.h"

namespace orv {

using namespace object_detail;

ObjectHooks g_object_hooks;

namespace object_detail {

char16_t g_empty_field_text[1] = {0};

void release_value(ObjectField& field) {
  if (field.kind == SymObject) field.object->release();
  else if (field.kind == kFieldText && field.capacity) std::free(field.text);
}

void clear_value(ObjectField& field) {
  field.kind = kFieldText;
  field.text = g_empty_field_text;
  field.capacity = 0;
}

namespace {

// Buffers grow in steps so that repeated appends do not reallocate every
// time, with a proportionate margin for large texts.
size_t text_capacity_for(size_t length) {
  size_t n = length + 1;
  if (n < 16) return 16;
  if (n < 260) return 260;
  if (n < 163840) return size_t(double(n) * 1.1);
  if (n < 1638400) return n + 16384;
  if (n < 6553600) return n + n / 100;
  return n + 65536;
}

bool assign_text(ObjectField& field, StringView text) {
  if (text.empty()) {
    ObjectField old = field;
    clear_value(field);
    release_value(old);
    return true;
  }
  if (field.kind == kFieldText && field.capacity > text.size()) {
    std::memmove(field.text, text.data(), text.size() * sizeof(char16_t));
    field.text[text.size()] = 0;
    return true;
  }
  size_t capacity = text_capacity_for(text.size());
  auto* buffer = static_cast<char16_t*>(std::malloc(capacity * sizeof(char16_t)));
  ObjectField old = field;
  if (!buffer) {
    clear_value(field);
    release_value(old);
    return false;
  }
  // Copied before the old value goes: the text may be the field's own.
  std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
  buffer[text.size()] = 0;
  field.kind = kFieldText;
  field.text = buffer;
  field.capacity = capacity;
  release_value(old);
  return true;
}

void assign_number(ObjectField& field, uint32_t kind, int64_t integer, double number) {
  ObjectField old = field;
  field.kind = kind;
  if (kind == SymInteger) field.integer = integer;
  else field.number = number;
  field.capacity = 0;
  release_value(old);
}

void assign_object(ObjectField& field, IObject* object) {
  object->add_ref();
  ObjectField old = field;
  field.kind = SymObject;
  field.object = object;
  field.capacity = 0;
  release_value(old);
}

// Text placed in temporary memory; left empty when there is none to have.
void copy_text_result(StringView text, ExprToken& result) {
  result = empty_token();
  result.symbol = kFieldText;
  if (text.empty()) return;
  char16_t* p = temp_arena().allocate(text.size() + 1);
  if (!p) return;
  std::memcpy(p, text.data(), text.size() * sizeof(char16_t));
  p[text.size()] = 0;
  result.text = p;
  result.length = uint32_t(text.size());
}

}  // namespace

bool assign_value(ObjectField& field, const ExprToken& value) {
  switch (value.symbol) {
    case SymInteger: assign_number(field, SymInteger, value.integer, 0); return true;
    case SymFloat: assign_number(field, SymFloat, 0, value.number); return true;
    case SymObject: assign_object(field, value.object); return true;
    case SymMissing: return assign_text(field, StringView());
    case SymVar: {
      Variable& v = value.var->target();
      if (v.attributes & AttrObject) {
        assign_object(field, v.contents.object);
        return true;
      }
      // Only a number assigned as a number is kept binary; text that merely
      // reads as a number keeps its spelling.
      if (v.type == VarType::Normal && (v.attributes & AttrTextStale)) {
        if (v.attributes & AttrHasInt) {
          assign_number(field, SymInteger, v.contents.integer, 0);
          return true;
        }
        if (v.attributes & AttrHasDouble) {
          assign_number(field, SymFloat, 0, v.contents.number);
          return true;
        }
      }
      break;
    }
    case SymOperand:
      if (value.preparsed) {
        assign_number(field, SymInteger, *value.preparsed, 0);
        return true;
      }
      break;
    default: break;
  }
  char16_t buf[256];
  return assign_text(field, token_to_text(value, buf));
}

void value_to_result(const ObjectField& field, ExprToken& result) {
  switch (field.kind) {
    case SymInteger: result = int_token(field.integer); return;
    case SymFloat:
      result = empty_token();
      result.symbol = SymFloat;
      result.number = field.number;
      return;
    case SymObject:
      result = object_token(ObjectRef(field.object));
      return;
    default: copy_text_result(field.text_view(), result);
  }
}

ExprToken borrowed_value(const ObjectField& field) {
  ExprToken value{};
  value.symbol = field.kind;
  if (field.kind == SymObject) value.object = field.object;
  else if (field.kind == SymInteger) value.integer = field.integer;
  else if (field.kind == SymFloat) value.number = field.number;
  else {
    StringView t = field.text_view();
    value.text = t.data();
    value.length = uint32_t(t.size());
  }
  return value;
}

void move_value_to_result(ObjectField& field, ExprToken& result) {
  if (field.kind == SymObject) {
    result = object_token(field.object);
  } else {
    value_to_result(field, result);
    release_value(field);
  }
  clear_value(field);
}

void assigned_result(const ExprToken& value, ExprToken& result) {
  switch (value.symbol) {
    case SymInteger:
    case SymFloat: result = value; break;
    case SymObject:
      result = object_token(ObjectRef(value.object));
      return;
    case SymString:
    case SymOperand:
      // The parameter lives as long as the evaluation that uses the result.
      result = text_token(value.view(), value.symbol);
      result.preparsed = value.symbol == SymOperand ? value.preparsed : nullptr;
      return;
    case SymVar: {
      ObjectField f;
      clear_value(f);
      assign_value(f, value);
      move_value_to_result(f, result);
      return;
    }
    default: result = empty_token(); return;
  }
  result.link = nullptr;
}

bool is_empty_text(const ExprToken& token) {
  switch (token.symbol) {
    case SymString:
    case SymOperand: return token.length == 0;
    case SymVar: {
      Variable& v = token.var->target();
      return !(v.attributes & AttrObject) && v.length_chars() == 0;
    }
    default: return false;
  }
}

}  // namespace object_detail

StringView ObjectField::text_view() const { return StringView(text); }

// --- keys --------------------------------------------------------------------------

bool decide_key(const ExprToken& token, ObjectKey& key) {
  switch (token.symbol) {
    case SymMissing: return false;
    case SymInteger:
      key.kind = KeyKind::Integer;
      key.integer = token.integer;
      return true;
    case SymObject:
      key.kind = KeyKind::Object;
      key.object = token.object;
      return true;
    case SymVar: {
      Variable& v = token.var->target();
      if (v.attributes & AttrObject) {
        key.kind = KeyKind::Object;
        key.object = v.contents.object;
        return true;
      }
      if (v.numeric_type() == NumType::Integer) {
        key.kind = KeyKind::Integer;
        key.integer = v.to_int();
        return true;
      }
      break;
    }
    case SymOperand:
      if (token.preparsed || numeric_type_of(token.view()) == NumType::Integer) {
        key.kind = KeyKind::Integer;
        key.integer = token_to_int(token);
        return true;
      }
      break;
    default: break;
  }
  key.kind = KeyKind::String;
  key.text = token_to_text(token, key.buf);
  return true;
}

// --- storage -----------------------------------------------------------------------

Object* Object::create() { return new (std::nothrow) Object(); }

Object::~Object() {
  base_.reset();
  for (int64_t i = count_ - 1; i >= 0; --i) {
    if (i >= string_offset_) std::free(fields_[i].string_key);
    else if (i >= object_offset_) fields_[i].object_key->release();
  }
  for (int64_t i = count_ - 1; i >= 0; --i) release_value(fields_[i]);
  std::free(fields_);
  delete tail_;
}

void Object::set_base(IObject* base) { base_ = ObjectRef(base); }

bool Object::reserve(int64_t needed) {
  if (needed <= capacity_) return true;
  int64_t capacity = capacity_ ? capacity_ * 2 : 4;
  while (capacity < needed) capacity *= 2;
  auto* grown = static_cast<ObjectField*>(std::realloc(fields_, size_t(capacity) * sizeof(ObjectField)));
  if (!grown) return false;
  fields_ = grown;
  capacity_ = capacity;
  return true;
}

ObjectField* Object::find(const ObjectKey& key, int64_t* insert_pos) {
  int64_t low, high;
  switch (key.kind) {
    case KeyKind::Integer: {
      // Arrays are mostly dense: try the place the key would have then.
      if (object_offset_) {
        uint64_t guess = uint64_t(key.integer) - uint64_t(fields_[0].int_key);
        if (guess < uint64_t(object_offset_) && fields_[guess].int_key == key.integer) return &fields_[guess];
      }
      low = 0;
      high = object_offset_ - 1;
      while (low <= high) {
        int64_t mid = (low + high) / 2;
        int64_t k = fields_[mid].int_key;
        if (key.integer < k) high = mid - 1;
        else if (key.integer > k) low = mid + 1;
        else return &fields_[mid];
      }
      break;
    }
    case KeyKind::Object: {
      low = object_offset_;
      high = string_offset_ - 1;
      auto wanted = reinterpret_cast<uintptr_t>(key.object);
      while (low <= high) {
        int64_t mid = (low + high) / 2;
        auto k = reinterpret_cast<uintptr_t>(fields_[mid].object_key);
        if (wanted < k) high = mid - 1;
        else if (wanted > k) low = mid + 1;
        else return &fields_[mid];
      }
      break;
    }
    default: return find_string(key.text, insert_pos);
  }
  if (insert_pos) *insert_pos = low;
  return nullptr;
}

ObjectField* Object::find_string(StringView key, int64_t* insert_pos) {
  const int64_t sorted_end = count_ - tail_count();
  int64_t low = string_offset_, high = sorted_end - 1;
  while (low <= high) {
    int64_t mid = (low + high) / 2;
    int c = compare_ignore_case(key, fields_[mid].string_key);
    if (c < 0) high = mid - 1;
    else if (c > 0) low = mid + 1;
    else return &fields_[mid];
  }
  if (tail_) {
    if (ObjectField* f = tail_->find(fields_ + sorted_end, key)) return f;
  }
  if (insert_pos) *insert_pos = low;
  return nullptr;
}

// --- the string tail -----------------------------------------------------------------

namespace {

// Below this many string keys an ordered insert moves little; the tail
// pays only for objects used as large dictionaries.
constexpr int64_t kTailFrom = 64;

bool key_less(const ObjectField& a, const ObjectField& b) {
  return compare_ignore_case(a.string_key, b.string_key) < 0;
}

}  // namespace

int64_t Object::tail_count() const { return tail_ ? tail_->count() : 0; }

ObjectField* Object::append_to_tail(char16_t* key_copy) {
  if (!reserve(count_ + 1)) return nullptr;
  if (!tail_ && !(tail_ = StringTail::create())) return nullptr;
  ObjectField& f = fields_[count_];
  f.string_key = key_copy;
  if (!tail_->add(fields_ + count_ - tail_->count())) {
    merge_tail();
    return nullptr;
  }
  ++count_;
  clear_value(f);
  return &f;
}

void Object::merge_tail() {
  StringTail* tail = tail_;
  tail_ = nullptr;
  ObjectField* start = fields_ + count_ - tail->count();
  delete tail;
  std::sort(start, fields_ + count_, key_less);
  std::inplace_merge(fields_ + string_offset_, start, fields_ + count_, key_less);
}

ObjectField* Object::insert(const ObjectKey& key, int64_t pos) {
  char16_t* key_copy = nullptr;
  if (key.kind == KeyKind::String) {
    key_copy = static_cast<char16_t*>(std::malloc((key.text.size() + 1) * sizeof(char16_t)));
    if (!key_copy) return nullptr;
    if (!key.text.empty()) std::memcpy(key_copy, key.text.data(), key.text.size() * sizeof(char16_t));
    key_copy[key.text.size()] = 0;
    if (key.text.size() >= 5 && key.text[0] == u'_' && key.text[1] == u'_' &&
        (equals_ignore_case(key.text, u"__Get") || equals_ignore_case(key.text, u"__Set") ||
         equals_ignore_case(key.text, u"__Call")))
      may_have_meta_ = true;
    if (tail_ || (pos < count_ && count_ - string_offset_ >= kTailFrom)) {
      if (ObjectField* f = append_to_tail(key_copy)) return f;
      // No room for the index: the key goes where it belongs.
      settle();
      pos = string_lower_bound(key.text);
    }
  }
  if (!reserve(count_ + 1)) {
    std::free(key_copy);
    return nullptr;
  }
  std::memmove(fields_ + pos + 1, fields_ + pos, size_t(count_ - pos) * sizeof(ObjectField));
  ++count_;
  ObjectField& f = fields_[pos];
  switch (key.kind) {
    case KeyKind::Integer:
      f.int_key = key.integer;
      ++object_offset_;
      ++string_offset_;
      break;
    case KeyKind::Object:
      f.object_key = key.object;
      key.object->add_ref();
      ++string_offset_;
      break;
    default: f.string_key = key_copy; break;
  }
  clear_value(f);
  return &f;
}

bool Object::make_int_room(int64_t index, int64_t n) {
  if (!reserve(count_ + n)) return false;
  std::memmove(fields_ + index + n, fields_ + index, size_t(count_ - index) * sizeof(ObjectField));
  count_ += n;
  object_offset_ += n;
  string_offset_ += n;
  return true;
}

int64_t Object::int_lower_bound(int64_t key) const {
  // Push and appends ask for the end.
  if (!object_offset_ || key > fields_[object_offset_ - 1].int_key) return object_offset_;
  int64_t low = 0, high = object_offset_;
  while (low < high) {
    int64_t mid = (low + high) / 2;
    if (fields_[mid].int_key < key) low = mid + 1;
    else high = mid;
  }
  return low;
}

int64_t Object::string_lower_bound(StringView key) const {
  int64_t low = string_offset_, high = count_;
  while (low < high) {
    int64_t mid = (low + high) / 2;
    if (compare_ignore_case(key, fields_[mid].string_key) > 0) low = mid + 1;
    else high = mid;
  }
  return low;
}

int64_t Object::string_upper_bound(StringView key) const {
  int64_t low = string_offset_, high = count_;
  while (low < high) {
    int64_t mid = (low + high) / 2;
    if (compare_ignore_case(key, fields_[mid].string_key) >= 0) low = mid + 1;
    else high = mid;
  }
  return low;
}

void Object::shift_int_keys(int64_t from_index, int64_t delta) {
  for (int64_t i = from_index; i < object_offset_; ++i)
    fields_[i].int_key = int64_t(uint64_t(fields_[i].int_key) + uint64_t(delta));
}

namespace {

void release_key(ObjectField& field, KeyKind kind) {
  if (kind == KeyKind::String) std::free(field.string_key);
  else if (kind == KeyKind::Object) field.object_key->release();
}

}  // namespace

void Object::remove_range(int64_t from, int64_t to, int64_t shift) {
  int64_t n = to - from;
  if (n <= 0) {
    if (shift) shift_int_keys(from, shift);
    return;
  }
  auto section_count = [&](int64_t lo, int64_t hi) {
    int64_t a = from > lo ? from : lo, b = to < hi ? to : hi;
    return b > a ? b - a : 0;
  };
  int64_t ints = section_count(0, object_offset_);
  int64_t objects = section_count(object_offset_, string_offset_);
  auto* taken = static_cast<ObjectField*>(std::malloc(size_t(n) * sizeof(ObjectField)));
  if (taken) {
    std::memcpy(taken, fields_ + from, size_t(n) * sizeof(ObjectField));
  } else {
    // No room to set them aside: release in place, before the move.
    for (int64_t i = from; i < to; ++i) {
      release_key(fields_[i], key_kind_at(i));
      release_value(fields_[i]);
    }
  }
  KeyKind first_kind = key_kind_at(from);
  std::memmove(fields_ + from, fields_ + to, size_t(count_ - to) * sizeof(ObjectField));
  count_ -= n;
  object_offset_ -= ints;
  string_offset_ -= ints + objects;
  if (shift) shift_int_keys(from, shift);
  if (!taken) return;
  for (int64_t i = 0; i < n; ++i) {
    KeyKind kind = first_kind;
    if (kind == KeyKind::Integer && i >= ints) kind = KeyKind::Object;
    if (kind == KeyKind::Object && i >= ints + objects) kind = KeyKind::String;
    release_key(taken[i], kind);
    release_value(taken[i]);
  }
  std::free(taken);
}

Result Object::take_field(int64_t index, ExprToken& result, int64_t shift) {
  ObjectField f = fields_[index];
  KeyKind kind = key_kind_at(index);
  std::memmove(fields_ + index, fields_ + index + 1, size_t(count_ - index - 1) * sizeof(ObjectField));
  --count_;
  if (kind == KeyKind::Integer) {
    --object_offset_;
    --string_offset_;
  } else if (kind == KeyKind::Object) {
    --string_offset_;
  }
  if (shift) shift_int_keys(index, shift);
  move_value_to_result(f, result);
  release_key(f, kind);
  return ResultDone;
}

bool Object::set_raw(const ObjectKey& key, const ExprToken& value) {
  int64_t pos = 0;
  ObjectField* f = find(key, &pos);
  if (!f && !(f = insert(key, pos))) return false;
  return assign_value(*f, value);
}

bool Object::set_raw(StringView key, const ExprToken& value) {
  ObjectKey k;
  k.kind = KeyKind::String;
  k.text = key;
  return set_raw(k, value);
}

bool Object::set_raw(int64_t key, const ExprToken& value) {
  ObjectKey k;
  k.kind = KeyKind::Integer;
  k.integer = key;
  return set_raw(k, value);
}

bool Object::get_raw(const ObjectKey& key, ExprToken& result) {
  ObjectField* f = find(key);
  if (!f) return false;
  value_to_result(*f, result);
  return true;
}

Object* Object::clone(bool with_integer_keys) {
  settle();
  Ref<Object> copy = Ref<Object>::adopt(create());
  if (!copy) return nullptr;
  copy->may_have_meta_ = may_have_meta_;
  int64_t from = with_integer_keys ? 0 : object_offset_;
  int64_t n = count_ - from;
  if (n > 0) {
    copy->fields_ = static_cast<ObjectField*>(std::malloc(size_t(n) * sizeof(ObjectField)));
    if (!copy->fields_) return nullptr;
    copy->capacity_ = n;
  }
  for (int64_t i = from; i < count_; ++i) {
    const ObjectField& src = fields_[i];
    ObjectField& dst = copy->fields_[copy->count_];
    KeyKind kind = key_kind_at(i);
    dst = src;
    if (kind == KeyKind::String) {
      size_t bytes = (std::char_traits<char16_t>::length(src.string_key) + 1) * sizeof(char16_t);
      dst.string_key = static_cast<char16_t*>(std::malloc(bytes));
      if (!dst.string_key) return nullptr;
      std::memcpy(dst.string_key, src.string_key, bytes);
    } else if (kind == KeyKind::Object) {
      dst.object_key->add_ref();
    }
    if (src.kind == kFieldText && src.capacity) {
      // The whole buffer: it may hold binary data past the text.
      dst.text = static_cast<char16_t*>(std::malloc(src.capacity * sizeof(char16_t)));
      if (!dst.text) {
        release_key(dst, kind);
        return nullptr;
      }
      std::memcpy(dst.text, src.text, src.capacity * sizeof(char16_t));
    } else if (src.kind == SymObject) {
      dst.object->add_ref();
    }
    ++copy->count_;
    if (kind == KeyKind::Integer) ++copy->object_offset_;
    if (kind != KeyKind::String) ++copy->string_offset_;
  }
  // Last, so that releasing a half-built copy never runs __Delete.
  copy->set_base(base_.get());
  return copy.detach();
}

void Object::report_references(ReferenceAudit& audit) const {
  for (int64_t i = 0; i < count_; ++i) {
    const ObjectField& f = fields_[i];
    if (i >= object_offset_ && i < string_offset_) audit.held(f.object_key);
    if (f.kind == SymObject) audit.held(f.object);
  }
}

// --- invoke ------------------------------------------------------------------------

namespace {

// Asked of every member found, so by the type name rather than a
// dynamic_cast through the class hierarchy; only Property answers so.
Property* as_property(const ObjectField& field) {
  if (field.kind != SymObject || field.object->type_name() != StringView(u"Property")) return nullptr;
  return static_cast<Property*>(field.object);
}

bool holds_function(const ObjectField& field) {
  return field.kind == SymObject && field.object->type_name() == StringView(u"Func");
}

// Calls the value of a field as a method. The list's first entry is the
// method name (or an empty slot) and is replaced by `this` for the call.
Result call_stored_member(const ObjectField& field, ExprToken& result, ExprToken& this_token, bool found_in_base,
                          ExprToken** params, int count) {
  if (field.kind == SymObject) {
    ObjectRef target(field.object);  // the call may overwrite the field
    ExprToken* saved = params[0];
    params[0] = &this_token;
    Result r = target->invoke(result, this_token, InvokeCall | InvokeAsFunctionObject, params, count);
    params[0] = saved;
    return r;
  }
  if (field.kind != kFieldText || !g_object_hooks.find_function) return ResultNotHandled;
  IObject* function = g_object_hooks.find_function(field.text_view());
  if (!function) return ResultNotHandled;
  ExprToken function_token = object_token(function);
  if (!found_in_base)
    return function->invoke(result, function_token, InvokeCall | InvokeAsFunctionObject, params + 1, count - 1);
  ExprToken* saved = params[0];
  params[0] = &this_token;
  Result r = function->invoke(result, function_token, InvokeCall | InvokeAsFunctionObject, params, count);
  params[0] = saved;
  return r;
}

// A property's accessor sees this, then the extra keys; a setter sees this,
// the value, then the extra keys.
Result invoke_property(Property& prop, ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params,
                       int count) {
  bool rotate = (flags & InvokeTypeMask) == InvokeSet && count > 2;
  if (rotate) {
    ExprToken* value = params[count - 1];
    for (int i = count - 1; i > 1; --i) params[i] = params[i - 1];
    params[1] = value;
  }
  ExprToken* saved = params[0];
  params[0] = &this_token;
  // Held for the call, which may overwrite the member.
  Result r = Ref<Property>(&prop)->invoke(result, this_token, flags | InvokeAsFunctionObject, params, count);
  params[0] = saved;
  if (rotate) {
    ExprToken* value = params[1];
    for (int i = 1; i < count - 1; ++i) params[i] = params[i + 1];
    params[count - 1] = value;
  }
  return r == ResultReturned ? ResultDone : r;
}

}  // namespace

Result Object::invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) {
  uint32_t type = flags & InvokeTypeMask;
  const int key_count = type == InvokeSet ? count - 1 : count;
  const bool as_base = (flags & InvokeAsBase) != 0;

  if ((flags & InvokeMetaFunctions) && may_have_meta_) {
    Result r = call_meta_function(type, result, this_token, as_base, params, count);
    if (r != ResultDone) return r;
  }

  MemberSearch s;
  s.has_key = key_count > 0 && decide_key(*params[0], s.key);
  if (s.has_key) {
    s.field = find(s.key, &s.pos);
    if (s.field) {
      if (Property* prop = as_property(*s.field)) {
        if (type == InvokeSet ? prop->setter : prop->getter)
          return invoke_property(*prop, result, this_token, flags, params, count);
        s.shadowed = s.field;
        s.field = nullptr;
      }
    }
    // A base's own fields are never assigned through a derived object.
    if (type == InvokeSet && key_count == 1 && as_base) {
      s.has_key = false;
      s.field = nullptr;
    }
  }

  if (!s.field) {
    bool handled = true;
    Result r = invoke_without_field(s, type, key_count, flags, result, this_token, params, count, handled);
    if (handled) return r;
  }

  if (type == InvokeCall) {
    if (!s.field) return ResultNotHandled;
    if (!(flags & InvokeCallIfFunction) || holds_function(*s.field))
      return call_stored_member(*s.field, result, this_token, as_base, params, count);
    flags &= ~uint32_t(InvokeCall | InvokeCallIfFunction);
    type = InvokeGet;
  }

  if (key_count < 2) return get_or_set_field(s, type, as_base, result, params, count);
  return invoke_sub_object(s, type, flags, as_base, result, params, count);
}

Result Object::call_meta_function(uint32_t type, ExprToken& result, ExprToken& this_token, bool as_base,
                                  ExprToken** params, int count) {
  StringView meta = type == InvokeGet ? u"__Get" : type == InvokeSet ? u"__Set" : u"__Call";
  ObjectField* f = find_string(meta);
  if (!f) return ResultDone;
  ParamList list(count + 1);
  ExprToken slot = empty_token();
  list[0] = &slot;
  for (int i = 0; i < count; ++i) list[i + 1] = params[i];
  return call_stored_member(*f, result, this_token, as_base, list.data(), count + 1);
}

Result Object::invoke_without_field(MemberSearch& s, uint32_t type, int key_count, uint32_t flags,
                                    ExprToken& result, ExprToken& this_token, ExprToken** params, int count,
                                    bool& handled) {
  const bool as_base = (flags & InvokeAsBase) != 0;
  if (base_) {
    // Nothing stops a chain of bases from looping back on itself.
    if (stack_exhausted()) return report_runtime_error(message(Msg::BaseChainTooDeep));
    uint32_t base_flags = as_base ? flags : flags | InvokeAsBase | InvokeMetaFunctions;
    // Held for the call, which may change the base.
    Result r = ObjectRef(base_)->invoke(result, this_token, base_flags, params, count);
    if (r != ResultNotHandled) return r;
    if (!s.has_key) return ResultNotHandled;
    // The base may have run a meta-function that changed this object.
    s.shadowed = nullptr;
    s.field = find(s.key, &s.pos);
    if (s.field && as_property(*s.field)) {
      s.shadowed = s.field;
      s.field = nullptr;
    }
  } else if (!s.has_key) {
    return ResultNotHandled;
  }

  if (!s.field && !as_base && s.key.kind == KeyKind::String) {
    if (type == InvokeCall) {
      ObjectMethod method = find_object_method(s.key.text);
      if (method == ObjectMethod::None) return ResultNotHandled;
      return call_method(method, result, params + 1, count - 1);
    }
    if (key_count == 1 && equals_ignore_case(s.key.text, u"base")) {
      if (type == InvokeGet) {
        if (base_) result = object_token(base_);
        return ResultDone;
      }
      IObject* new_base = token_object(*params[1]);
      set_base(new_base);
      if (new_base) result = object_token(ObjectRef(new_base));
      return ResultDone;
    }
  }
  handled = false;
  return ResultDone;
}

Result Object::get_or_set_field(MemberSearch& s, uint32_t type, bool as_base, ExprToken& result,
                                ExprToken** params, int count) {
  if (type == InvokeSet) {
    if (as_base || !s.has_key) return ResultNotHandled;
    if (!s.field) s.field = s.shadowed;
    if (!s.field && !(s.field = insert(s.key, s.pos))) return ResultDone;
    const ExprToken& value = *params[count - 1];
    // Out of memory in plain member syntax skips the store silently.
    if (assign_value(*s.field, value)) assigned_result(value, result);
    return ResultDone;
  }
  if (!s.field) return ResultNotHandled;
  value_to_result(*s.field, result);
  return ResultDone;
}

Result Object::invoke_sub_object(MemberSearch& s, uint32_t type, uint32_t flags, bool as_base, ExprToken& result,
                                 ExprToken** params, int count) {
  IObject* sub = nullptr;
  if (s.field) {
    if (s.field->kind != SymObject) return ResultNotHandled;
    sub = s.field->object;
  } else if (as_base) {
    return ResultNotHandled;
  } else if (s.key.kind == KeyKind::String && equals_ignore_case(s.key.text, u"base")) {
    if (!base_ && type == InvokeSet) {
      base_ = ObjectRef::adopt(Object::create());
      if (!base_) return ResultDone;
    }
    if (!base_) return ResultNotHandled;
    sub = base_.get();
  } else if (type == InvokeSet) {
    Ref<Object> fresh = Ref<Object>::adopt(Object::create());
    if (!fresh) return ResultDone;
    ObjectField* field = s.shadowed;
    if (!field && !(field = insert(s.key, s.pos))) return ResultDone;
    ObjectField old = *field;
    field->kind = SymObject;
    field->object = fresh.get();
    field->capacity = 0;
    sub = fresh.detach();  // the creation reference passes to the field
    release_value(old);
  } else {
    return ResultNotHandled;
  }
  ObjectRef held(sub);  // the call may overwrite where it came from
  ExprToken sub_this = object_token(sub);
  return sub->invoke(result, sub_this, flags & ~uint32_t(InvokeAsBase | InvokeMetaFunctions), params + 1, count - 1);
}

// --- release -----------------------------------------------------------------------

namespace {

// Destroying an object releases what it holds, which may destroy the next
// object, and so on: a chain of a million objects (a linked list a script
// built) would nest a million destructors on the native stack. Past this
// depth an object due for destruction waits in a list that the outermost
// destruction empties, so that the stack never holds more than this many.
constexpr int kMaxNestedDestructions = 1000;
int g_destruction_depth = 0;
std::vector<Object*>* g_waiting_destruction = nullptr;

}  // namespace

bool Object::on_last_release() {
  if (base_ && !find_string(u"__Class")) {
    void* saved = g_object_hooks.before_finalizer ? g_object_hooks.before_finalizer() : nullptr;
    ExprToken this_token = object_token(this);
    (void)orv::call_method(*ObjectRef(base_), u"__Delete", this_token, InvokeAsBase, nullptr, 0);
    if (g_object_hooks.after_finalizer) g_object_hooks.after_finalizer(saved);
    // __Delete stored `this` somewhere: the object lives on.
    if (ref_count() != 1) return false;
  }
  if (g_destruction_depth >= kMaxNestedDestructions) {
    if (!g_waiting_destruction) g_waiting_destruction = new std::vector<Object*>();
    g_waiting_destruction->push_back(this);
    return true;
  }
  ++g_destruction_depth;
  delete this;
  if (g_destruction_depth == 1 && g_waiting_destruction) {
    // Each of these may add more before the list is empty.
    while (!g_waiting_destruction->empty()) {
      Object* next = g_waiting_destruction->back();
      g_waiting_destruction->pop_back();
      delete next;
    }
  }
  --g_destruction_depth;
  return true;
}

// --- enumerators -------------------------------------------------------------------

Result EnumBase::invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) {
  uint32_t type = flags & InvokeTypeMask;
  int first = 0;
  if (!(flags & InvokeAsFunctionObject)) {
    if (type != InvokeCall || count < 1) return ResultNotHandled;
    // e.(k, v) and %e%(k, v) call it with the empty name, as a function.
    char16_t buf[256];
    StringView name = token_to_text(*params[0], buf);
    if (!name.empty() && !equals_ignore_case(name, u"Next")) return ResultNotHandled;
    first = 1;
  } else if (type == InvokeSet) {
    return ResultNotHandled;
  }
  auto var_at = [&](int i) { return i < count && params[i]->symbol == SymVar ? params[i]->var : nullptr; };
  bool more = false;
  Result r = next(var_at(first), var_at(first + 1), more);
  if (!r) return r;
  result = int_token(more ? 1 : 0);
  return ResultDone;
}

Enumerator* Enumerator::create(Object& object) { return new (std::nothrow) Enumerator(object); }

Result Enumerator::next(Variable* key, Variable* value, bool& more) {
  // Keys added since the last step take their sorted places first, as
  // they would have had on insertion.
  object_->settle();
  ++position_;
  if (position_ >= object_->count_) {
    more = false;
    return ResultDone;
  }
  more = true;
  // Both are taken out first: storing into a variable may release an
  // object whose __Delete changes the enumerated one.
  TempArena::Scope scope;
  const ObjectField& f = object_->fields_[position_];
  OwnedToken value_token;  // declared first, so let go of after the key
  OwnedToken key_token;
  switch (object_->key_kind_at(position_)) {
    case KeyKind::Integer: key_token = OwnedToken::adopt(int_token(f.int_key)); break;
    case KeyKind::Object: key_token = OwnedToken::holding(ObjectRef(f.object_key)); break;
    default: key_token = OwnedToken::adopt(text_token(StringView(f.string_key))); break;
  }
  if (value) value_to_result(f, value_token.out());
  if (key_token->symbol == SymString && key) {
    StringView text = key_token->view();
    if (temp_text_token(text, SymString, key_token.out()) != ResultDone) return ResultFailed;
  }
  Result r = ResultDone;
  if (key) r = key->assign_token(*key_token);
  if (r && value) r = value->assign_token(*value_token);
  return r;
}

// --- properties --------------------------------------------------------------------

Property* Property::create() { return new (std::nothrow) Property(); }

Result Property::invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) {
  uint32_t type = flags & InvokeTypeMask;
  if (flags & InvokeAsFunctionObject) {
    IObject* accessor = type == InvokeSet ? setter : getter;
    if (!accessor) return ResultNotHandled;
    return accessor->invoke(result, this_token, InvokeCall | InvokeAsFunctionObject, params, count);
  }
  if (count < 1) return ResultNotHandled;
  char16_t buf[256];
  StringView name = token_to_text(*params[0], buf);
  IObject** accessor = equals_ignore_case(name, u"Get") ? &getter : equals_ignore_case(name, u"Set") ? &setter : nullptr;
  if (!accessor) return ResultNotHandled;
  switch (type) {
    case InvokeCall:
      if (!*accessor) return ResultNotHandled;
      return (*accessor)->invoke(result, this_token, InvokeCall | InvokeAsFunctionObject, params + 1, count - 1);
    case InvokeSet: {
      if (count != 2) return ResultNotHandled;
      IObject* function = token_object(*params[1]);
      if (!function && g_object_hooks.find_function)
        function = g_object_hooks.find_function(token_to_text(*params[1], buf));
      *accessor = function;
      if (function) result = object_token(ObjectRef(function));
      return ResultDone;
    }
    default:
      if (count != 1) return ResultNotHandled;
      if (*accessor) result = object_token(ObjectRef(*accessor));
      return ResultDone;
  }
}

// --- the base of strings and numbers -----------------------------------------------

MetaObject& default_base() {
  // Never freed: it outlives every object that may still reach it.
  static MetaObject* instance = new MetaObject();
  return *instance;
}

Result MetaObject::invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) {
  // base.Method() inside a method: "base" is then an empty local, and the
  // search starts above the class that defines the running method.
  if (this_token.symbol == SymVar && g_object_hooks.running_method) {
    Variable& v = *this_token.var;
    if (v.type == VarType::Normal && equals_ignore_case(v.name_view(), u"base") && !(v.attributes & AttrObject) &&
        v.length_chars() == 0) {
      IObject* defining_class = nullptr;
      ExprToken method_this = empty_token();
      if (g_object_hooks.running_method(defining_class, method_this)) {
        auto* cls = dynamic_cast<Object*>(defining_class);
        ObjectRef b(cls ? cls->base() : nullptr);  // held for the call, which may change the class
        if (!b) return ResultDone;
        Result r = b->invoke(result, method_this, (flags | InvokeAsBase) & ~uint32_t(InvokeMetaFunctions), params, count);
        return r == ResultNotHandled ? ResultDone : r;
      }
    }
  }
  // A string or number is searched as a derived value would search its
  // base; only the MetaObject itself (reached through "".base) is plain.
  if (token_object(this_token) != this) flags |= InvokeAsBase | InvokeMetaFunctions;
  Result r = Object::invoke(result, this_token, flags, params, count);
  if (r == ResultNotHandled && (flags & InvokeTypeMask) == InvokeCall && count > 0 && is_empty_text(*params[0]) &&
      g_object_hooks.find_function) {
    // value.(): the value's text names the function to call.
    char16_t buf[256];
    IObject* function = g_object_hooks.find_function(token_to_text(this_token, buf));
    if (!function) return ResultNotHandled;
    ExprToken function_token = object_token(function);
    return function->invoke(result, function_token, InvokeCall | InvokeAsFunctionObject, params + 1, count - 1);
  }
  return r;
}

// --- operations --------------------------------------------------------------------

Result invoke_member(ExprToken& result, uint32_t type, ExprToken** params, int count) {
  ExprToken& target = *params[0];
  // Held for the call, which may overwrite the variable it came from.
  if (ObjectRef object{token_object(target)}) {
    ExprToken this_token = object_token(object.get());
    Result r = object->invoke(result, this_token, type, params + 1, count - 1);
    return r == ResultNotHandled ? ResultDone : r;
  }
  if (target.symbol == SymVar) {
    Variable& v = target.var->target();
    if ((v.attributes & AttrUninitialized) && !equals_ignore_case(v.name_view(), u"base")) warn_unset_variable(v);
  }
  MetaObject& meta = default_base();
  Result r = meta.invoke(result, target, type | InvokeAsBase | InvokeMetaFunctions, params + 1, count - 1);
  if (r == ResultNotHandled && type != InvokeCall) {
    int keys = count - 1 - (type == InvokeSet ? 1 : 0);
    ObjectKey first;
    if (keys >= 1 && decide_key(*params[1], first) && first.kind == KeyKind::String &&
        equals_ignore_case(first.text, u"base")) {
      // "".base.x: the default base itself takes members.
      ExprToken meta_this = object_token(&meta);
      if (keys >= 2) {
        r = meta.invoke(result, meta_this, type, params + 2, count - 2);
      } else if (type == InvokeGet) {
        result = meta_this;
        r = ResultDone;
      }
    }
  }
  return r == ResultNotHandled ? ResultDone : r;
}

Result new_object(ExprToken* args, size_t argc, ExprToken& result) {
  IObject* cls = argc ? token_object(args[0]) : nullptr;
  if (!cls) {
    if (argc && args[0].symbol == SymVar && (args[0].var->target().attributes & AttrUninitialized))
      warn_unset_variable(args[0].var->target());
    return ResultDone;
  }
  Ref<Object> instance = Ref<Object>::adopt(Object::create());
  if (!instance) return report_runtime_error(message(Msg::OutOfMemory));
  instance->set_base(cls);
  ExprToken this_token = object_token(instance.get());

  ExprToken init_name = text_token(u"__Init");
  ExprToken* init_params[1] = {&init_name};
  // What __Init gives back is of no interest.
  Result r = cls->invoke(OwnedToken().out(), this_token, InvokeCall | InvokeAsBase, init_params, 1);
  if (r == ResultFailed || r == ResultExitThread) return r;

  ParamList list(static_cast<int>(argc));
  ExprToken new_name = text_token(u"__New");
  list[0] = &new_name;
  for (size_t i = 1; i < argc; ++i) list[int(i)] = &args[i];
  OwnedToken returned;
  r = cls->invoke(returned.out(), this_token, InvokeCall | InvokeAsBase, list.data(), int(argc));
  if (r == ResultReturned) {
    // The constructor's own value replaces the instance.
    instance.reset();
    result = returned.detach();
    return ResultDone;
  }
  if (r == ResultFailed || r == ResultExitThread) return r;
  returned.reset();
  result = object_token(instance.detach());  // the creation reference passes to the caller
  return ResultDone;
}

Result call_method(IObject& object, StringView name, ExprToken& this_token, uint32_t extra_flags, ExprToken** args,
                   int argc, int64_t* returned) {
  ParamList list(argc + 1);
  ExprToken name_token = text_token(name);
  list[0] = &name_token;
  for (int i = 0; i < argc; ++i) list[i + 1] = args[i];
  TempArena::Scope scope;
  OwnedToken result;
  Result r = object.invoke(result.out(), this_token, InvokeCall | extra_flags, list.data(), argc + 1);
  if (r != ResultFailed && r != ResultExitThread) {
    bool non_empty = true;
    int64_t value = 0;
    switch (result->symbol) {
      case SymInteger: value = result->integer; break;
      case SymFloat: value = double_to_int(result->number); break;
      case SymObject: break;
      default: {
        char16_t buf[256];
        StringView text = token_to_text(*result, buf);
        non_empty = !text.empty();
        if (numeric_type_of(text) != NumType::NotNumeric) value = text_to_int(text);
      }
    }
    if (returned) *returned = value;
    r = non_empty ? ResultReturned : ResultDone;
  }
  return r;
}

Result enumerate_begin(IObject& target, ExprToken& this_token, ExprToken& enumerator) {
  ExprToken name = text_token(u"_NewEnum");
  ExprToken* params[1] = {&name};
  enumerator = empty_token();
  Result r = target.invoke(enumerator, this_token, InvokeCall, params, 1);
  return r == ResultNotHandled ? ResultDone : r;
}

Result enumerate_next(IObject& enumerator, Variable* key, Variable* value, bool& more) {
  if (auto* e = dynamic_cast<EnumBase*>(&enumerator)) return e->next(key, value, more);
  ExprToken key_token{}, value_token{};
  key_token.symbol = value_token.symbol = SymMissing;
  if (key) {
    key_token.symbol = SymVar;
    key_token.var = key;
  }
  if (value) {
    value_token.symbol = SymVar;
    value_token.var = value;
  }
  ExprToken* args[2] = {&key_token, &value_token};
  ExprToken this_token = object_token(&enumerator);
  int64_t got = 0;
  Result r = call_method(enumerator, u"Next", this_token, 0, args, 2, &got);
  more = r == ResultReturned && got != 0;
  return r == ResultFailed || r == ResultExitThread ? r : ResultDone;
}

namespace {

// Variadic calls see arrays as plain Objects; anything else is no array.
bool array_items(IObject& object, std::vector<ExprToken>& out) {
  auto* array = dynamic_cast<Object*>(&object);
  if (!array) return false;
  int64_t top = 0;
  for (int64_t i = 0; i < array->integer_key_count(); ++i) top = array->field_at(i).int_key;
  for (int64_t key = 1; key <= top; ++key) {
    ExprToken item{};
    item.symbol = SymMissing;
    ObjectKey k;
    k.kind = KeyKind::Integer;
    k.integer = key;
    if (ObjectField* field = array->find(k)) item = borrowed_value(*field);
    out.push_back(item);
  }
  return true;
}

bool named_item(IObject& object, StringView name, ExprToken& out) {
  auto* array = dynamic_cast<Object*>(&object);
  ObjectField* field = array ? array->find_string(name) : nullptr;
  if (field) out = borrowed_value(*field);
  return field != nullptr;
}

IObject* new_rest_array(IObject* named) {
  auto* from = named ? dynamic_cast<Object*>(named) : nullptr;
  return from ? from->clone(false) : Object::create();
}

bool set_item(IObject& array, int64_t key, const ExprToken& value) {
  return static_cast<Object&>(array).set_raw(key, value);
}

}  // namespace

void install_object_model() {
  g_object_model.new_object = new_object;
  g_object_model.invoke_member = invoke_member;
  g_object_model.array_items = array_items;
  g_object_model.named_item = named_item;
  g_object_model.new_rest_array = new_rest_array;
  g_object_model.set_item = set_item;
  g_object_model.bind = bind_function;
  set_exception_maker(make_exception);
  g_object_hooks.running_method = running_method;
  g_object_hooks.find_function = function_object;
  g_object_hooks.before_finalizer = set_aside_throw;
  g_object_hooks.after_finalizer = restore_throw;
}

}  // namespace orv
