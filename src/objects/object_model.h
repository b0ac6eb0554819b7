// The script's one general container, Object: an associative array whose
// keys are integers, objects or strings and whose values are integers,
// floats, text or objects. Classes and instances are Objects linked through
// `base`; MetaObject stands in when a string or number is invoked.
//
// Fields live in one contiguous array in three sorted sections: integer
// keys by value, then object keys by address, then string keys compared
// case-insensitively. Lookups bisect one section; appending at the end of
// the integer section (Push, Array) moves only the fields behind it.
// String keys inserted out of order into a large string section go to an
// unsorted tail at the very end instead (see StringTail), which is sorted
// into place before anything uses positions, so every walk still sees the
// three sorted sections.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "base/text.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace orv {

struct ScriptLine;
struct Variable;
class StringTail;

enum class KeyKind : uint8_t { Integer, Object, String };

// A key decided from a parameter. `text` may point into `buf` (numbers
// formatted for string keys), so a key is not copied around.
struct ObjectKey {
  KeyKind kind = KeyKind::String;
  int64_t integer = 0;
  IObject* object = nullptr;
  StringView text;
  char16_t buf[256];

  ObjectKey() = default;
  ObjectKey(const ObjectKey&) = delete;
  ObjectKey& operator=(const ObjectKey&) = delete;
};

// Integer tokens and unquoted or variable text of integer form are integer
// keys; objects (or variables holding one) are object keys; everything else,
// quoted "1" and floats included, is a string key of the value's text.
// False for a missing parameter, which is never a key.
bool decide_key(const ExprToken& token, ObjectKey& key);

// Stored text is typed on use, as a variable's text is, so field values
// carry the operand kind rather than the never-numeric string kind.
inline constexpr uint32_t kFieldText = SymOperand;

struct ObjectField {
  union {
    int64_t integer;
    double number;
    IObject* object;  // one reference held
    char16_t* text;   // zero-terminated
  };
  // Characters allocated for a text value, terminator included; 0 means the
  // value is the shared empty text and owns nothing.
  size_t capacity;
  union {
    int64_t int_key;
    IObject* object_key;  // one reference held
    char16_t* string_key; // a private copy
  };
  uint32_t kind;  // SymInteger, SymFloat, kFieldText or SymObject

  StringView text_view() const;
};

class EnumBase;

enum class ObjectMethod : uint8_t {
  None, Insert, InsertAt, Push, Pop, Delete, Remove, RemoveAt, Length, Count, MinIndex, MaxIndex, HasKey,
  GetCapacity, SetCapacity, GetAddress, NewEnum, Clone,
};

// Case-insensitive; "_NewEnum" style names with one leading underscore are
// accepted except for Delete, InsertAt, Length, Push, Pop and RemoveAt.
ObjectMethod find_object_method(StringView name);

class Object : public ObjectBase {
 public:
  // Null when out of memory.
  static Object* create();

  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;
  StringView type_name() const override { return u"Object"; }

  IObject* base() const { return base_.get(); }
  // Adds a reference to the new base (null clears it) and drops the old one.
  void set_base(IObject* base);

  // --- the field array -----------------------------------------------------------
  int64_t field_count() const { return count_; }
  int64_t capacity() const { return capacity_; }
  int64_t integer_key_count() const { return object_offset_; }
  KeyKind key_kind_at(int64_t index) const {
    return index < object_offset_ ? KeyKind::Integer : index < string_offset_ ? KeyKind::Object : KeyKind::String;
  }
  // Positions of string keys hold only after settle().
  const ObjectField& field_at(int64_t index) const { return fields_[index]; }
  // Sorts the string tail into place; cheap when there is none.
  void settle() {
    if (tail_) merge_tail();
  }

  // The field of `key`, or null with the position where it would go.
  ObjectField* find(const ObjectKey& key, int64_t* insert_pos = nullptr);
  ObjectField* find_string(StringView key, int64_t* insert_pos = nullptr);
  // A new field holding the empty text at `pos` (from find); null when out
  // of memory, in which case nothing changed.
  ObjectField* insert(const ObjectKey& key, int64_t pos);

  // Grows the array (doubling, 4 at first) to hold at least `needed` fields.
  bool reserve(int64_t needed);

  // Stores `value` under `key`, bypassing meta-functions, properties and the
  // base chain; false when out of memory.
  bool set_raw(const ObjectKey& key, const ExprToken& value);
  bool set_raw(StringView key, const ExprToken& value);
  bool set_raw(int64_t key, const ExprToken& value);
  // The value under `key` as a result token (text in temporary memory,
  // objects with a reference for the caller); false when absent.
  bool get_raw(const ObjectKey& key, ExprToken& result);

  // A built-in method on this object alone: no meta-functions, fields or
  // base chain. `params` exclude the method name.
  Result call_method(ObjectMethod method, ExprToken& result, ExprToken** params, int count);

  // A shallow copy with the same base; without integer keys it holds only
  // the object- and string-keyed fields. Null when out of memory.
  Object* clone(bool with_integer_keys = true);

  void report_references(ReferenceAudit& audit) const override;

 protected:
  Object() = default;
  ~Object() override;
  // Runs __Delete through the base chain unless this is a class object
  // (own "__Class"); a __Delete that keeps a reference keeps the object.
  bool on_last_release() override;

 private:
  friend class Enumerator;

  // invoke, step by step. Where a member's key led in this object: its
  // field, a property lacking the accessor needed (the search goes on past
  // it, but an assignment in this very object may overwrite it), and the
  // position a new field would take.
  struct MemberSearch {
    ObjectKey key;
    bool has_key = false;
    ObjectField* field = nullptr;
    ObjectField* shadowed = nullptr;
    int64_t pos = 0;
  };
  Result call_meta_function(uint32_t type, ExprToken& result, ExprToken& this_token, bool as_base,
                            ExprToken** params, int count);
  // A member this object has no field for: the bases', then the built-in
  // methods and `base`. `handled` false when the search goes on here.
  Result invoke_without_field(MemberSearch& s, uint32_t type, int key_count, uint32_t flags, ExprToken& result,
                              ExprToken& this_token, ExprToken** params, int count, bool& handled);
  Result get_or_set_field(MemberSearch& s, uint32_t type, bool as_base, ExprToken& result, ExprToken** params,
                          int count);
  // x[a, b, ...]: the first key names a sub-object, which takes the rest.
  Result invoke_sub_object(MemberSearch& s, uint32_t type, uint32_t flags, bool as_base, ExprToken& result,
                           ExprToken** params, int count);

  int64_t tail_count() const;
  // Appends a string-keyed field to the tail; null when that cannot be done
  // (the caller then inserts in order).
  ObjectField* append_to_tail(char16_t* key_copy);
  void merge_tail();

  // Opens `n` slots at `index` of the integer section.
  bool make_int_room(int64_t index, int64_t n);
  int64_t int_lower_bound(int64_t key) const;
  int64_t string_lower_bound(StringView key) const;
  int64_t string_upper_bound(StringView key) const;
  // Takes fields [from, to) out, then moves the integer keys that followed
  // by `shift`, and only then releases what was taken, so that a __Delete
  // run by the release sees a consistent object.
  void remove_range(int64_t from, int64_t to, int64_t shift = 0);
  // Takes one field out, its value moving into `result`.
  Result take_field(int64_t index, ExprToken& result, int64_t shift = 0);
  void shift_int_keys(int64_t from_index, int64_t delta);
  Result insert_values(int64_t first_key, ExprToken** values, int n);

  Result method_insert_at(ExprToken& result, ExprToken** params, int count);
  Result method_push(ExprToken& result, ExprToken** params, int count);
  Result method_pop(ExprToken& result);
  Result method_delete(ExprToken& result, ExprToken** params, int count, bool renumber);
  Result method_remove_at(ExprToken& result, ExprToken** params, int count);
  Result method_insert(ExprToken& result, ExprToken** params, int count);
  Result method_get_capacity(ExprToken& result, ExprToken** params, int count);
  Result method_set_capacity(ExprToken& result, ExprToken** params, int count);
  Result method_get_address(ExprToken& result, ExprToken** params, int count);

  ObjectRef base_;
  ObjectField* fields_ = nullptr;
  int64_t count_ = 0;
  int64_t capacity_ = 0;
  int64_t object_offset_ = 0;  // first object-keyed field = number of integer keys
  int64_t string_offset_ = 0;  // first string-keyed field
  StringTail* tail_ = nullptr;  // the last tail_count() fields, when not null
  // A key named __Get, __Set or __Call was ever stored: only then is the
  // meta-function lookup on every invoke worth making.
  bool may_have_meta_ = false;
};

// Base of enumerators: the For loop and "Next" both come here.
class EnumBase : public ObjectBase {
 public:
  // Stores the next key and value into the variables (either may be null);
  // `more` false at the end, the variables then untouched.
  virtual Result next(Variable* key, Variable* value, bool& more) = 0;
  // "Next" (or the enumerator called itself) with variables for key and value.
  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;
};

// Walks one Object in field order. Fields inserted or removed meanwhile
// shift the positions; the walk does not correct for it.
class Enumerator : public EnumBase {
 public:
  static Enumerator* create(Object& object);
  Result next(Variable* key, Variable* value, bool& more) override;
  StringView type_name() const override { return u"Enumerator"; }

 private:
  explicit Enumerator(Object& object) : object_(&object) {}
  Ref<Object> object_;
  int64_t position_ = -1;
};

// The getter and setter of a class property. The functions belong to the
// script and are not counted.
class Property : public ObjectBase {
 public:
  static Property* create();
  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;
  StringView type_name() const override { return u"Property"; }

  IObject* getter = nullptr;
  IObject* setter = nullptr;

 private:
  Property() = default;
};

// The base of every string and number. One instance for the process; it is
// never counted or freed.
class MetaObject : public Object {
 public:
  void add_ref() override {}
  void release() override {}
  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override;

 private:
  friend MetaObject& default_base();
  MetaObject() { exempt_from_audit(); }
};

MetaObject& default_base();

// --- hooks the runtime supplies ------------------------------------------------------

struct ObjectHooks {
  // The function of that name (case-insensitive) as a callable object, or
  // null: fields holding a function name, and value.() on text.
  IObject* (*find_function)(StringView name) = nullptr;
  // When the running function is a method defined in a class: sets the
  // class object and the method's `this` and returns true (base.Method()).
  bool (*running_method)(IObject*& defining_class, ExprToken& this_value) = nullptr;
  // Around __Delete: set aside the thread's pending exception and the
  // evaluator's dereference buffer, and restore them afterwards (an
  // exception raised by __Delete stays pending only if none was before).
  void* (*before_finalizer)() = nullptr;
  void (*after_finalizer)(void* saved) = nullptr;
};
extern ObjectHooks g_object_hooks;

// Connects this model and the core to each other (the core's
// g_object_model, this model's g_object_hooks); once, at start-up.
void install_object_model();
// Exception objects for errors raised inside Try (exception_object.cpp).
Result make_exception(const ScriptLine* line, StringView message, StringView what, StringView extra);

// --- operations for the evaluator and other parts -------------------------------------

// x.y, x[k], x.y := v, x.m(args): params[0] is the target, the rest keys
// (and the value) or the method name and arguments. `type` is InvokeGet,
// InvokeSet or InvokeCall. Non-objects go to the MetaObject; a member
// nobody handles gives the empty result.
Result invoke_member(ExprToken& result, uint32_t type, ExprToken** params, int count);

// new Class(args): args[0] is the class, the rest the constructor's arguments.
Result new_object(ExprToken* args, size_t argc, ExprToken& result);

// Calls method `name` of `object` with `this_token` as this. ResultReturned
// when the method returned a non-empty value, else ResultDone; failures and
// thread exits pass through. `returned`, when given, receives the value as
// an integer (floats truncated, numeric text parsed, anything else 0).
Result call_method(IObject& object, StringView name, ExprToken& this_token, uint32_t extra_flags, ExprToken** args,
                   int argc, int64_t* returned = nullptr);

// For k, v in x: the enumerator of `target` (its _NewEnum, which a class may
// define), with a reference for the caller; null result object when it has
// none. Then enumerate_next until `more` is false.
Result enumerate_begin(IObject& target, ExprToken& this_token, ExprToken& enumerator);
Result enumerate_next(IObject& enumerator, Variable* key, Variable* value, bool& more);

}  // namespace orv
