// The built-in methods of Object, and the built-in functions that make
// objects (Object, Array) or reach the methods directly (ObjInsert ...).
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "objects/object_fields.h"
#include "objects/object_model.h"
#include "platform/platform.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"

namespace orv {

using namespace object_detail;

namespace {

struct MethodName {
  StringView name;
  ObjectMethod method;
  bool underscore;  // "_Name" is accepted too
};

constexpr MethodName kMethods[] = {
    {u"Insert", ObjectMethod::Insert, true},           {u"InsertAt", ObjectMethod::InsertAt, false},
    {u"Push", ObjectMethod::Push, false},              {u"Pop", ObjectMethod::Pop, false},
    {u"Delete", ObjectMethod::Delete, false},          {u"Remove", ObjectMethod::Remove, true},
    {u"RemoveAt", ObjectMethod::RemoveAt, false},      {u"Length", ObjectMethod::Length, false},
    {u"Count", ObjectMethod::Count, true},             {u"MinIndex", ObjectMethod::MinIndex, true},
    {u"MaxIndex", ObjectMethod::MaxIndex, true},       {u"HasKey", ObjectMethod::HasKey, true},
    {u"GetCapacity", ObjectMethod::GetCapacity, true}, {u"SetCapacity", ObjectMethod::SetCapacity, true},
    {u"GetAddress", ObjectMethod::GetAddress, true},   {u"NewEnum", ObjectMethod::NewEnum, true},
    {u"Clone", ObjectMethod::Clone, true},
};

}  // namespace

ObjectMethod find_object_method(StringView name) {
  bool underscored = name.size() > 1 && name[0] == u'_';
  for (const MethodName& m : kMethods) {
    if (equals_ignore_case(name, m.name)) return m.method;
    if (m.underscore && underscored && equals_ignore_case(name.substr(1), m.name)) return m.method;
  }
  return ObjectMethod::None;
}

Result Object::call_method(ObjectMethod method, ExprToken& result, ExprToken** params, int count) {
  switch (method) {
    case ObjectMethod::Insert: return method_insert(result, params, count);
    case ObjectMethod::InsertAt: return method_insert_at(result, params, count);
    case ObjectMethod::Push: return method_push(result, params, count);
    case ObjectMethod::Pop: return method_pop(result);
    case ObjectMethod::Delete: return method_delete(result, params, count, false);
    case ObjectMethod::Remove: return method_delete(result, params, count, true);
    case ObjectMethod::RemoveAt: return method_remove_at(result, params, count);
    case ObjectMethod::Length: {
      int64_t top = object_offset_ ? fields_[object_offset_ - 1].int_key : 0;
      result = int_token(top > 0 ? top : 0);
      return ResultDone;
    }
    case ObjectMethod::Count:
      if (count == 0) result = int_token(count_);
      return ResultDone;
    case ObjectMethod::MinIndex:
    case ObjectMethod::MaxIndex:
      if (count == 0 && object_offset_)
        result = int_token(fields_[method == ObjectMethod::MinIndex ? 0 : object_offset_ - 1].int_key);
      return ResultDone;
    case ObjectMethod::HasKey: {
      if (count != 1) return ResultDone;
      ObjectKey key;
      result = int_token(decide_key(*params[0], key) && find(key) ? 1 : 0);
      return ResultDone;
    }
    case ObjectMethod::GetCapacity: return method_get_capacity(result, params, count);
    case ObjectMethod::SetCapacity: return method_set_capacity(result, params, count);
    case ObjectMethod::GetAddress: return method_get_address(result, params, count);
    case ObjectMethod::NewEnum: {
      if (count) return ResultDone;
      Enumerator* e = Enumerator::create(*this);
      if (!e) return report_runtime_error(message(Msg::OutOfMemory));
      result = object_token(e);
      return ResultDone;
    }
    case ObjectMethod::Clone: {
      if (count) return ResultDone;
      if (Object* copy = clone()) result = object_token(copy);
      return ResultDone;
    }
    default: return ResultNotHandled;
  }
}

// The values take the keys first_key, first_key + 1, ...; a missing value
// leaves its key absent. The keys must be free and the integer keys above
// them already moved up.
Result Object::insert_values(int64_t first_key, ExprToken** values, int n) {
  int64_t present = 0;
  for (int i = 0; i < n; ++i) present += values[i]->symbol != SymMissing;
  if (!present) return ResultDone;
  int64_t index = int_lower_bound(first_key);
  if (!make_int_room(index, present)) return report_runtime_error(message(Msg::OutOfMemory));
  bool stored = true;
  for (int i = 0; i < n; ++i) {
    if (values[i]->symbol == SymMissing) continue;
    ObjectField& f = fields_[index++];
    f.int_key = first_key + i;
    clear_value(f);
    stored &= assign_value(f, *values[i]);
  }
  return stored ? ResultDone : report_runtime_error(message(Msg::OutOfMemory));
}

Result Object::method_insert_at(ExprToken& result, ExprToken** params, int count) {
  if (count < 2) return report_runtime_error(message(Msg::TooFewParamsPassed));
  ObjectKey key;
  bool decided = decide_key(*params[0], key);
  if (!decided || key.kind != KeyKind::Integer)
    return report_runtime_error(message(Msg::ParamInvalid1),
                                decided && key.kind == KeyKind::String ? key.text : StringView());
  shift_int_keys(int_lower_bound(key.integer), count - 1);
  return insert_values(key.integer, params + 1, count - 1);
}

Result Object::method_push(ExprToken& result, ExprToken** params, int count) {
  int64_t first = object_offset_ ? fields_[object_offset_ - 1].int_key + 1 : 1;
  Result r = insert_values(first, params, count);
  if (r) result = int_token(first + count - 1);
  return r;
}

Result Object::method_pop(ExprToken& result) {
  if (!object_offset_) return ResultDone;
  return take_field(object_offset_ - 1, result);
}

// Delete never renumbers; Remove moves the integer keys above what it
// removed down, and is silent about a range it cannot use.
Result Object::method_delete(ExprToken& result, ExprToken** params, int count, bool renumber) {
  settle();  // ranges and removal work on positions
  if (count == 0) return renumber ? method_pop(result) : report_runtime_error(message(Msg::TooFewParamsPassed));
  ObjectKey first;
  bool has_first = decide_key(*params[0], first);
  if (count >= 2 && params[1]->symbol != SymMissing) {
    // Remove(IntKey, ""): the key alone, without renumbering.
    bool single = renumber && has_first && first.kind == KeyKind::Integer && is_empty_text(*params[1]);
    if (!single) {
      ObjectKey last;
      bool valid = has_first && decide_key(*params[1], last) && first.kind == last.kind;
      if (valid && first.kind == KeyKind::Integer) valid = first.integer <= last.integer;
      else if (valid && first.kind == KeyKind::String) valid = compare_ignore_case(first.text, last.text) <= 0;
      else valid = false;
      if (!valid) return renumber ? ResultDone : report_runtime_error(message(Msg::ParamInvalid2));
      int64_t from, to, shift = 0;
      if (first.kind == KeyKind::Integer) {
        from = int_lower_bound(first.integer);
        to = last.integer == INT64_MAX ? object_offset_ : int_lower_bound(last.integer + 1);
        if (renumber) shift = -int64_t(uint64_t(last.integer) - uint64_t(first.integer) + 1);
      } else {
        from = string_lower_bound(first.text);
        to = string_upper_bound(last.text);
      }
      remove_range(from, to, shift);
      result = int_token(to - from);
      return ResultDone;
    }
    renumber = false;
  }
  if (!has_first) return ResultDone;
  int64_t pos = 0;
  ObjectField* f = find(first, &pos);
  int64_t shift = renumber && first.kind == KeyKind::Integer ? -1 : 0;
  if (f) return take_field(f - fields_, result, shift);
  if (shift) shift_int_keys(pos, shift);
  return ResultDone;
}

Result Object::method_remove_at(ExprToken& result, ExprToken** params, int count) {
  if (count == 0) return report_runtime_error(message(Msg::TooFewParamsPassed));
  ObjectKey key;
  if (!decide_key(*params[0], key) || key.kind != KeyKind::Integer)
    return report_runtime_error(message(Msg::ParamInvalid1));
  if (count >= 2 && params[1]->symbol != SymMissing) {
    if (token_numeric_type(*params[1]) == NumType::NotNumeric) return report_runtime_error(message(Msg::ParamInvalid2));
    int64_t length = token_to_int(*params[1]);
    if (length < 0) return report_runtime_error(message(Msg::ParamInvalid2));
    int64_t from = int_lower_bound(key.integer);
    int64_t end_key = int64_t(uint64_t(key.integer) + uint64_t(length));
    int64_t to = end_key < key.integer ? object_offset_ : int_lower_bound(end_key);
    remove_range(from, to, -length);
    result = int_token(to - from);
    return ResultDone;
  }
  int64_t pos = 0;
  ObjectField* f = find(key, &pos);
  if (f) return take_field(f - fields_, result, -1);
  shift_int_keys(pos, -1);
  return ResultDone;
}

Result Object::method_insert(ExprToken& result, ExprToken** params, int count) {
  if (count == 0) return ResultDone;
  Result r;
  if (count == 1) {
    r = method_push(result, params, 1);
  } else {
    ObjectKey key;
    if (!decide_key(*params[0], key)) return ResultDone;
    if (key.kind == KeyKind::Integer) {
      r = method_insert_at(result, params, count);
    } else {
      r = set_raw(key, *params[1]) ? ResultDone : report_runtime_error(message(Msg::OutOfMemory));
    }
  }
  if (r) result = int_token(1);
  return r;
}

Result Object::method_get_capacity(ExprToken& result, ExprToken** params, int count) {
  if (count == 0) {
    result = int_token(capacity_);
    return ResultDone;
  }
  ObjectKey key;
  if (count != 1 || !decide_key(*params[0], key)) return ResultDone;
  ObjectField* f = find(key);
  if (f && f->kind == kFieldText) result = int_token(f->capacity ? int64_t(f->capacity) * 2 - 2 : 0);
  return ResultDone;
}

Result Object::method_set_capacity(ExprToken& result, ExprToken** params, int count) {
  if (count == 1) {
    if (token_numeric_type(*params[0]) == NumType::NotNumeric) return ResultDone;
    int64_t wanted = token_to_int(*params[0]);
    if (wanted < count_) wanted = count_;
    if (wanted == 0) {
      std::free(fields_);
      fields_ = nullptr;
    } else {
      auto* resized = static_cast<ObjectField*>(std::realloc(fields_, size_t(wanted) * sizeof(ObjectField)));
      if (!resized) return ResultDone;
      fields_ = resized;
    }
    capacity_ = wanted;
    result = int_token(wanted);
    return ResultDone;
  }
  if (count != 2 || token_numeric_type(*params[1]) == NumType::NotNumeric) return ResultDone;
  int64_t bytes = token_to_int(*params[1]);
  ObjectKey key;
  if (bytes < 0 || !decide_key(*params[0], key)) return ResultDone;
  int64_t pos = 0;
  ObjectField* f = find(key, &pos);
  if (!f && !(f = insert(key, pos))) return report_runtime_error(message(Msg::OutOfMemory));
  if (f->kind != kFieldText) return ResultDone;
  if (bytes == 0) {
    release_value(*f);
    clear_value(*f);
    result = int_token(0);
    return ResultDone;
  }
  size_t chars = size_t(bytes / 2 + (bytes & 1) + 1);
  char16_t* owned = f->capacity ? f->text : nullptr;
  auto* buffer = static_cast<char16_t*>(std::realloc(owned, chars * sizeof(char16_t)));
  if (!buffer) return ResultDone;
  if (!owned) buffer[0] = 0;
  buffer[chars - 1] = 0;
  f->text = buffer;
  f->capacity = chars;
  result = int_token(int64_t(chars - 1) * 2);
  return ResultDone;
}

Result Object::method_get_address(ExprToken& result, ExprToken** params, int count) {
  ObjectKey key;
  if (count != 1 || !decide_key(*params[0], key)) return ResultDone;
  ObjectField* f = find(key);
  if (f && f->kind == kFieldText && f->capacity) result = int_token(int64_t(reinterpret_cast<uintptr_t>(f->text)));
  return ResultDone;
}

// --- built-in functions ------------------------------------------------------------

Result builtin_object(Func& func, ExprToken& result, ExprToken* args, int argc) {
  if (argc == 1) {
    IObject* object = token_object(args[0]);
    if (!object) {
      // An address, as ObjAddRef and & give out; low values are no object.
      int64_t address = token_to_int(args[0]);
      if (address < 1024 || !platform::foreign_memory_allowed()) return ResultDone;
      object = reinterpret_cast<IObject*>(uintptr_t(address));
    }
    result = object_token(ObjectRef(object).detach());
    return ResultDone;
  }
  if (argc % 2) return ResultDone;
  Ref<Object> object = Ref<Object>::adopt(Object::create());
  if (!object) return ResultDone;
  ExprToken this_token = object_token(object.get());
  for (int i = 0; i < argc; i += 2) {
    if (args[i].symbol == SymMissing || args[i + 1].symbol == SymMissing) continue;
    ExprToken* pair[2] = {&args[i], &args[i + 1]};
    OwnedToken ignored;
    Result r = object->invoke(ignored.out(), this_token, InvokeSet, pair, 2);
    ignored.reset();
    if (r == ResultFailed || r == ResultExitThread) return r;
  }
  result = object_token(object.detach());
  return ResultDone;
}

Result builtin_array(Func& func, ExprToken& result, ExprToken* args, int argc) {
  Ref<Object> array = Ref<Object>::adopt(Object::create());
  if (!array || !array->reserve(argc)) return ResultDone;
  for (int i = 0; i < argc; ++i) {
    if (args[i].symbol == SymMissing) continue;
    if (!array->set_raw(int64_t(i) + 1, args[i])) return ResultDone;
  }
  result = object_token(array.detach());
  return ResultDone;
}

Result builtin_is_object(Func& func, ExprToken& result, ExprToken* args, int argc) {
  int64_t all = 1;
  for (int i = 0; i < argc && all; ++i) all = token_object(args[i]) != nullptr;
  result = int_token(all);
  return ResultDone;
}

// ObjInsert, ObjPush, ObjCount ...: the method named after "Obj", on an
// Object only.
Result builtin_obj_method(Func& func, ExprToken& result, ExprToken* args, int argc) {
  auto* object = argc ? dynamic_cast<Object*>(token_object(args[0])) : nullptr;
  if (!object) return ResultDone;
  ObjectMethod method = find_object_method(func.name.size() > 3 ? func.name.substr(3) : StringView());
  ParamList list(argc - 1);
  for (int i = 1; i < argc; ++i) list[i - 1] = &args[i];
  Result r = object->call_method(method, result, list.data(), argc - 1);
  return r == ResultNotHandled ? ResultDone : r;
}

Result builtin_obj_add_ref(Func& func, ExprToken& result, ExprToken* args, int argc) {
  int64_t address = token_to_int(args[0]);
  if (address <= 4095 || !platform::foreign_memory_allowed()) return ResultDone;
  auto* object = reinterpret_cast<IObject*>(uintptr_t(address));
  auto* counted = dynamic_cast<ObjectBase*>(object);
  // Objects the script owns (functions) are not counted and report 1.
  uint32_t refs = 1;
  if (func.name.size() > 3 && func.name[3] == u'A') {
    object->add_ref();
    if (counted) refs = counted->ref_count();
  } else {
    if (counted) refs = counted->ref_count() - 1;
    object->release();
  }
  result = int_token(refs);
  return ResultDone;
}

Result builtin_obj_raw_set(Func& func, ExprToken& result, ExprToken* args, int argc) {
  auto* object = dynamic_cast<Object*>(token_object(args[0]));
  if (!object) return report_runtime_error(message(Msg::ParamInvalid1));
  ObjectKey key;
  if (!decide_key(args[1], key)) return report_runtime_error(message(Msg::ParamInvalid2));
  if (!object->set_raw(key, args[2])) return report_runtime_error(message(Msg::OutOfMemory));
  return ResultDone;
}

}  // namespace orv
