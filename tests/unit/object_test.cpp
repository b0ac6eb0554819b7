// Object seen from outside: which keys are which, the order fields come out
// in, the index shifts of the built-in methods, the base chain with its
// meta-functions and properties, release and __Delete, Clone, capacities,
// the enumerator, the MetaObject and the built-in functions.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/thread_settings.h"
#include "runtime/builtin_functions.h"
#include "objects/object_model.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/object_audit.h"
#include "runtime/variable.h"

namespace orv {
namespace {

std::string u8(StringView s) { return utf16_to_utf8(s); }

ExprToken S(const char16_t* text) {
  ExprToken t{};
  t.symbol = SymString;
  t.text = text;
  t.length = uint32_t(std::char_traits<char16_t>::length(text));
  return t;
}
ExprToken Op(const char16_t* text, const int64_t* preparsed = nullptr) {
  ExprToken t = S(text);
  t.symbol = SymOperand;
  t.preparsed = preparsed;
  return t;
}
ExprToken I(int64_t v) {
  ExprToken t{};
  t.symbol = SymInteger;
  t.integer = v;
  return t;
}
ExprToken F(double v) {
  ExprToken t{};
  t.symbol = SymFloat;
  t.number = v;
  return t;
}
ExprToken M() {
  ExprToken t{};
  t.symbol = SymMissing;
  return t;
}
ExprToken O(IObject* o) {
  ExprToken t{};
  t.symbol = SymObject;
  t.object = o;
  return t;
}
ExprToken V(Variable& v) {
  ExprToken t{};
  t.symbol = SymVar;
  t.var = &v;
  return t;
}

// A variable that gives back its buffer and object when the test ends.
struct TestVar : Variable {
  explicit TestVar(const char16_t* var_name = u"v") { name = var_name; }
  ~TestVar() { free_buffer(FreeMode::Release); }
};

// Owns one reference for the test's length.
template <class T>
struct Held {
  explicit Held(T* object) : p(object) {}
  ~Held() {
    if (p) p->release();
  }
  Held(const Held&) = delete;
  T* operator->() const { return p; }
  T* get() const { return p; }
  T* p;
};

// An object shown by its type, as "<Object>".
std::string type_of(const IObject* o) {
  std::string s(1, '<');
  s += u8(o->type_name());
  s += '>';
  return s;
}

std::string describe(const ExprToken& t) {
  char16_t buf[256];
  switch (t.symbol) {
    case SymObject: return type_of(t.object);
    case SymMissing: return "-";
    default: return u8(token_to_text(t, buf));
  }
}

// Releases what a result token carries once described.
std::string take(ExprToken& t) {
  std::string s = describe(t);
  release_token(t);
  return s;
}

std::string value_text(const ObjectField& f) {
  char buf[64];
  switch (f.kind) {
    case SymInteger: return std::to_string(f.integer);
    case SymFloat: std::snprintf(buf, sizeof buf, "%g", f.number); return buf;
    case SymObject: return type_of(f.object);
    default: return u8(f.text_view());
  }
}

// "key=value" for every field in array order; object keys show as <Type>.
std::string dump(const Object& o) {
  std::string out;
  for (int64_t i = 0; i < o.field_count(); ++i) {
    const ObjectField& f = o.field_at(i);
    if (!out.empty()) out += ' ';
    switch (o.key_kind_at(i)) {
      case KeyKind::Integer: out += std::to_string(f.int_key); break;
      case KeyKind::Object: out += type_of(f.object_key); break;
      default: out += u8(StringView(f.string_key)); break;
    }
    out += '=';
    out += value_text(f);
  }
  return out;
}

struct Outcome {
  Result result;
  std::string value;
};

Outcome invoke(IObject* o, uint32_t flags, std::vector<ExprToken> params) {
  std::vector<ExprToken*> ptrs;
  for (ExprToken& p : params) ptrs.push_back(&p);
  ExprToken this_token = O(o);
  ExprToken result = S(u"");
  Result r = o->invoke(result, this_token, flags, ptrs.data(), int(ptrs.size()));
  return {r, take(result)};
}

std::string get(IObject* o, std::vector<ExprToken> keys) { return invoke(o, InvokeGet, std::move(keys)).value; }
void set(IObject* o, std::vector<ExprToken> keys_and_value) {
  EXPECT_EQ(invoke(o, InvokeSet, std::move(keys_and_value)).result, ResultDone);
}
Outcome method(IObject* o, const char16_t* name, std::vector<ExprToken> args) {
  args.insert(args.begin(), S(name));
  return invoke(o, InvokeCall, std::move(args));
}

// A stand-in for a script function: logs each call's parameters and
// answers with a fixed result code and, if set, an integer.
class Recorder : public ObjectBase {
 public:
  Recorder(std::vector<std::string>& log, std::string label) : log_(log), label_(std::move(label)) {}
  Result invoke(ExprToken& result, ExprToken&, uint32_t flags, ExprToken** params, int count) override {
    std::string entry = label_ + "(";
    for (int i = 0; i < count; ++i) {
      if (i) entry += ',';
      entry += describe(*params[i]);
    }
    log_.push_back(entry + ")");
    last_flags = flags;
    if (resurrect && count > 0 && params[0]->symbol == SymObject) {
      kept = params[0]->object;
      kept->add_ref();
      resurrect = false;
    }
    if (has_value) {
      result.symbol = SymInteger;
      result.integer = value;
    }
    return answer;
  }
  StringView type_name() const override { return u"Recorder"; }

  Result answer = ResultDone;
  bool has_value = false;
  int64_t value = 0;
  bool resurrect = false;  // keep a reference to the first parameter, once
  IObject* kept = nullptr;
  uint32_t last_flags = 0;

 private:
  std::vector<std::string>& log_;
  std::string label_;
};

// Logs its own destruction.
class Probe : public ObjectBase {
 public:
  Probe(std::vector<std::string>& log, std::string label) : log_(log), label_(std::move(label)) {}
  ~Probe() override { log_.push_back(label_); }
  Result invoke(ExprToken&, ExprToken&, uint32_t, ExprToken**, int) override { return ResultNotHandled; }
  StringView type_name() const override { return u"Probe"; }

 private:
  std::vector<std::string>& log_;
  std::string label_;
};

class ObjectTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_thread_ = *g_thread;
    saved_hooks_ = g_object_hooks;
    mark_ = temp_arena().mark();
  }
  void TearDown() override {
    temp_arena().release(mark_);
    g_object_hooks = saved_hooks_;
    *g_thread = saved_thread_;
  }

  // An array of texts under keys 1..n; null leaves a key absent.
  static Object* array(std::vector<const char16_t*> values) {
    Object* o = Object::create();
    for (size_t i = 0; i < values.size(); ++i) {
      if (!values[i]) continue;
      EXPECT_TRUE(o->set_raw(int64_t(i) + 1, S(values[i])));
    }
    return o;
  }

 private:
  ThreadSettings saved_thread_;
  ObjectHooks saved_hooks_;
  TempArena::Mark mark_;
};

// Collects what the error reporter shows meanwhile.
class Errors {
 public:
  Errors() { testing::internal::CaptureStderr(); }
  ~Errors() {
    if (!taken_) text();
  }
  std::string text() {
    taken_ = true;
    return testing::internal::GetCapturedStderr();
  }

 private:
  bool taken_ = false;
};

// --- keys --------------------------------------------------------------------------

std::string key_text(const ExprToken& t) {
  ObjectKey key;
  if (!decide_key(t, key)) return "none";
  switch (key.kind) {
    case KeyKind::Integer: return "int " + std::to_string(key.integer);
    case KeyKind::Object: return "object";
    default: return "string " + u8(key.text);
  }
}

TEST_F(ObjectTest, KeyKindsFollowTheTypeOfTheKeyValue) {
  static const int64_t k31 = 31;
  Held<Object> other(Object::create());
  TestVar int_var, numeric_text_var, text_var, object_var, float_var;
  ASSERT_TRUE(int_var.assign_int(7));
  ASSERT_TRUE(numeric_text_var.assign(u" 12 "));
  ASSERT_TRUE(text_var.assign(u"abc"));
  ASSERT_TRUE(float_var.assign(u"2.5"));
  other->add_ref();
  ASSERT_TRUE(object_var.assign_object(other.get()));
  struct Case {
    ExprToken token;
    const char* expected;
  } cases[] = {
      {S(u"1"), "string 1"},           // quoted text is never a number
      {Op(u"1"), "int 1"},             {Op(u" 0x10 "), "int 16"},     {Op(u"-4"), "int -4"},
      {Op(u"0x1F", &k31), "int 31"},   {Op(u"1.5"), "string 1.5"},    {Op(u"1e5"), "string 1e5"},
      {F(1.5), "string 1.500000"},     // by the thread's float format
      {I(-3), "int -3"},               {Op(u"abc"), "string abc"},    {V(int_var), "int 7"},
      {V(numeric_text_var), "int 12"}, {V(text_var), "string abc"},   {V(float_var), "string 2.5"},
      {V(object_var), "object"},       {O(other.get()), "object"},    {M(), "none"},
  };
  for (const Case& c : cases) EXPECT_EQ(key_text(c.token), c.expected) << describe(c.token);
}

TEST_F(ObjectTest, QuotedAndUnquotedOneAreDifferentFields) {
  Held<Object> o(Object::create());
  set(o.get(), {S(u"1"), S(u"a")});
  set(o.get(), {I(1), S(u"b")});
  EXPECT_EQ(dump(*o.get()), "1=b 1=a");
  EXPECT_EQ(get(o.get(), {Op(u"1")}), "b");
  EXPECT_EQ(get(o.get(), {S(u"1")}), "a");
  set(o.get(), {F(1.5), S(u"c")});
  set(o.get(), {Op(u"1.5"), S(u"d")});
  EXPECT_EQ(get(o.get(), {S(u"1.500000")}), "c");
  EXPECT_EQ(get(o.get(), {S(u"1.5")}), "d");
}

TEST_F(ObjectTest, EnumerationListsIntegersThenObjectsThenStringsIgnoringCase) {
  Held<Object> o(Object::create());
  Held<Object> k1(Object::create()), k2(Object::create());
  set(o.get(), {S(u"b"), I(1)});
  set(o.get(), {I(10), I(2)});
  set(o.get(), {O(k1.get()), I(3)});
  set(o.get(), {S(u"A"), I(4)});
  set(o.get(), {I(-2), I(5)});
  set(o.get(), {O(k2.get()), I(6)});
  set(o.get(), {Op(u"3"), I(7)});
  set(o.get(), {S(u"a"), I(8)});  // the same field as "A"
  set(o.get(), {S(u"_"), I(9)});
  bool k1_first = k1.get() < k2.get();
  std::string objects = k1_first ? "<Object>=3 <Object>=6" : "<Object>=6 <Object>=3";
  EXPECT_EQ(dump(*o.get()), "-2=5 3=7 10=2 " + objects + " _=9 A=8 b=1");
  EXPECT_EQ(get(o.get(), {S(u"KEY")}), "");
  EXPECT_EQ(method(o.get(), u"Count", {}).value, "8");
  EXPECT_EQ(k1->ref_count(), 2u);  // the key holds one
}

// --- values ------------------------------------------------------------------------

TEST_F(ObjectTest, ValuesKeepTheirKind) {
  static const int64_t k31 = 31;
  Held<Object> o(Object::create());
  Held<Object> child(Object::create());
  TestVar pure_int, spelled;
  ASSERT_TRUE(pure_int.assign_int(42));
  ASSERT_TRUE(spelled.assign(u"007"));
  set(o.get(), {S(u"i"), I(5)});
  set(o.get(), {S(u"f"), F(2.5)});
  set(o.get(), {S(u"s"), S(u"x")});
  set(o.get(), {S(u"v"), V(pure_int)});
  set(o.get(), {S(u"t"), V(spelled)});
  set(o.get(), {S(u"l"), Op(u"0x1F", &k31)});
  set(o.get(), {S(u"o"), O(child.get())});
  set(o.get(), {S(u"e"), M()});
  EXPECT_EQ(dump(*o.get()), "e= f=2.5 i=5 l=31 o=<Object> s=x t=007 v=42");
  EXPECT_EQ(child->ref_count(), 2u);
  // Stored text is typed on use, like a variable's.
  ExprToken result = S(u"");
  std::vector<ExprToken> key = {S(u"s")};
  ExprToken* params[] = {&key[0]};
  ExprToken this_token = O(o.get());
  ASSERT_EQ(o->invoke(result, this_token, InvokeGet, params, 1), ResultDone);
  EXPECT_EQ(result.symbol, uint32_t(SymOperand));
  // Replacing the object value drops the field's reference.
  set(o.get(), {S(u"o"), I(0)});
  EXPECT_EQ(child->ref_count(), 1u);
}

TEST_F(ObjectTest, AssignmentGivesBackTheValueAssigned) {
  Held<Object> o(Object::create());
  TestVar v;
  ASSERT_TRUE(v.assign(u"text"));
  EXPECT_EQ(invoke(o.get(), InvokeSet, {S(u"a"), V(v)}).value, "text");
  EXPECT_EQ(invoke(o.get(), InvokeSet, {S(u"b"), I(3)}).value, "3");
  EXPECT_EQ(invoke(o.get(), InvokeSet, {S(u"c"), O(o.get())}).value, "<Object>");
  set(o.get(), {S(u"c"), I(0)});  // breaks the cycle
}

TEST_F(ObjectTest, TextBuffersGrowInStepsAndAreReused) {
  Held<Object> o(Object::create());
  auto store = [&](size_t length) {
    String text(length, u'x');
    ExprToken value = S(u"");
    value.text = text.c_str();
    value.length = uint32_t(text.size());
    set(o.get(), {S(u"k"), value});
    EXPECT_EQ(get(o.get(), {S(u"k")}), u8(text));
    return method(o.get(), u"GetCapacity", {S(u"k")}).value;
  };
  struct Case {
    size_t length;
    const char* capacity_bytes;
  } cases[] = {{1, "30"}, {14, "30"}, {15, "518"}, {258, "518"}, {259, "570"}, {1000, "2200"}};
  for (const Case& c : cases) {
    set(o.get(), {S(u"k"), I(0)});  // a number owns no buffer: every store starts afresh
    EXPECT_EQ(store(c.length), c.capacity_bytes) << c.length;
  }
  // A text that fits reuses the buffer; the empty text owns none.
  EXPECT_EQ(store(3), "2200");
  EXPECT_EQ(store(0), "0");
}

// --- the index-shifting methods ------------------------------------------------------

TEST_F(ObjectTest, MethodsMoveIntegerKeysAsDocumented) {
  struct Case {
    std::vector<const char16_t*> initial;
    const char16_t* method;
    std::vector<ExprToken> args;
    const char* result;
    const char* after;
    const char* error;
  } cases[] = {
      {{u"a", u"b", u"c"}, u"RemoveAt", {I(1)}, "a", "1=b 2=c", ""},
      {{u"a", u"b", u"c"}, u"Delete", {I(1)}, "a", "2=b 3=c", ""},
      {{u"a", u"b", u"c"}, u"RemoveAt", {I(5)}, "", "1=a 2=b 3=c", ""},
      {{u"a", nullptr, u"c"}, u"Remove", {I(2)}, "", "1=a 2=c", ""},
      {{u"a", u"b", u"c", u"d", u"e"}, u"RemoveAt", {I(2), I(2)}, "2", "1=a 2=d 3=e", ""},
      {{u"a", nullptr, u"c"}, u"RemoveAt", {I(1), I(2)}, "1", "1=c", ""},
      {{u"a", u"b"}, u"RemoveAt", {I(1), I(-1)}, "", "1=a 2=b", "Parameter #2 invalid."},
      {{u"a"}, u"RemoveAt", {S(u"x")}, "", "1=a", "Parameter #1 invalid."},
      {{u"a"}, u"RemoveAt", {}, "", "1=a", "Too few parameters passed to function."},
      {{}, u"InsertAt", {I(1), S(u"x"), M(), S(u"z")}, "", "1=x 3=z", ""},
      {{u"a", u"b"}, u"InsertAt", {I(1), S(u"x"), M(), S(u"z")}, "", "1=x 3=z 4=a 5=b", ""},
      {{u"a", u"b", u"c"}, u"InsertAt", {I(2), S(u"x")}, "", "1=a 2=x 3=b 4=c", ""},
      {{u"a"}, u"InsertAt", {S(u"k"), S(u"x")}, "", "1=a", "Parameter #1 invalid."},
      {{u"a"}, u"InsertAt", {I(1)}, "", "1=a", "Too few parameters passed to function."},
      {{}, u"Push", {}, "0", "", ""},
      {{u"a"}, u"Push", {S(u"b"), S(u"c")}, "3", "1=a 2=b 3=c", ""},
      {{nullptr, u"b"}, u"Push", {M(), S(u"d")}, "4", "2=b 4=d", ""},
      {{}, u"Pop", {}, "", "", ""},
      {{u"a", u"b", u"c"}, u"Pop", {}, "c", "1=a 2=b", ""},
      {{u"a", u"b", u"c"}, u"Remove", {}, "c", "1=a 2=b", ""},
      {{u"a", u"b", u"c"}, u"Delete", {I(3), I(1)}, "", "1=a 2=b 3=c", "Parameter #2 invalid."},
      {{u"a", u"b", u"c"}, u"Delete", {I(1), S(u"z")}, "", "1=a 2=b 3=c", "Parameter #2 invalid."},
      {{u"a", u"b", u"c"}, u"Delete", {}, "", "1=a 2=b 3=c", "Too few parameters passed to function."},
      {{u"a", u"b", u"c"}, u"Remove", {I(3), I(1)}, "", "1=a 2=b 3=c", ""},
      {{u"a", u"b", u"c", u"d"}, u"Delete", {I(1), I(2)}, "2", "3=c 4=d", ""},
      {{u"a", u"b", u"c", u"d"}, u"Remove", {I(1), I(2)}, "2", "1=c 2=d", ""},
      {{u"a", nullptr, u"c", u"d"}, u"Remove", {I(1), I(2)}, "1", "1=c 2=d", ""},
      {{u"a", u"b", u"c"}, u"Remove", {I(2), S(u"")}, "b", "1=a 3=c", ""},
      {{u"a", u"b"}, u"Insert", {S(u"x")}, "1", "1=a 2=b 3=x", ""},
      {{u"a", u"b"}, u"Insert", {I(1), S(u"x")}, "1", "1=x 2=a 3=b", ""},
      {{u"a"}, u"Insert", {S(u"k"), S(u"v")}, "1", "1=a k=v", ""},
      {{u"a"}, u"Insert", {}, "", "1=a", ""},
  };
  for (Case& c : cases) {
    Held<Object> o(array(c.initial));
    Errors errors;
    Outcome out = method(o.get(), c.method, c.args);
    std::string shown = errors.text();
    std::string label = u8(c.method) + " " + std::to_string(c.args.size());
    EXPECT_EQ(out.value, c.result) << label;
    EXPECT_EQ(dump(*o.get()), c.after) << label;
    if (*c.error) {
      EXPECT_EQ(out.result, ResultFailed) << label;
      EXPECT_NE(shown.find(c.error), std::string::npos) << label << ": " << shown;
    } else {
      EXPECT_NE(out.result, ResultFailed) << label << ": " << shown;
    }
  }
}

TEST_F(ObjectTest, StringAndObjectKeysAreRemovedWithoutRenumbering) {
  Held<Object> o(array({u"a", u"b"}));
  Held<Object> key(Object::create());
  for (const char16_t* k : {u"p", u"q", u"r", u"s"}) set(o.get(), {S(k), S(k)});
  set(o.get(), {O(key.get()), S(u"obj")});
  EXPECT_EQ(method(o.get(), u"Remove", {S(u"P")}).value, "p");
  EXPECT_EQ(method(o.get(), u"Delete", {S(u"q"), S(u"R")}).value, "2");
  EXPECT_EQ(method(o.get(), u"Delete", {O(key.get())}).value, "obj");
  EXPECT_EQ(key->ref_count(), 1u);
  EXPECT_EQ(dump(*o.get()), "1=a 2=b s=s");
  Errors errors;
  EXPECT_EQ(method(o.get(), u"Delete", {O(key.get()), O(key.get())}).result, ResultFailed);
}

TEST_F(ObjectTest, IndexQueries) {
  struct Case {
    std::vector<ExprToken> keys;
    const char* length;
    const char* min;
    const char* max;
    const char* count;
  } cases[] = {
      {{}, "0", "", "", "0"},
      {{I(-5)}, "0", "-5", "-5", "1"},
      {{I(1), I(2), S(u"a")}, "2", "1", "2", "3"},
      {{I(3), I(7)}, "7", "3", "7", "2"},
      {{S(u"a")}, "0", "", "", "1"},
  };
  for (Case& c : cases) {
    Held<Object> o(Object::create());
    for (ExprToken& k : c.keys) set(o.get(), {k, S(u"v")});
    EXPECT_EQ(method(o.get(), u"Length", {}).value, c.length);
    EXPECT_EQ(method(o.get(), u"MinIndex", {}).value, c.min);
    EXPECT_EQ(method(o.get(), u"_MaxIndex", {}).value, c.max);
    EXPECT_EQ(method(o.get(), u"Count", {}).value, c.count);
    // Parameters make these queries give nothing.
    EXPECT_EQ(method(o.get(), u"MaxIndex", {I(1)}).value, "");
    EXPECT_EQ(method(o.get(), u"Count", {I(1)}).value, "");
  }
}

TEST_F(ObjectTest, MethodNamesAndUnderscores) {
  struct Case {
    const char16_t* name;
    bool known;
  } cases[] = {
      {u"_NewEnum", true}, {u"newenum", true}, {u"_Count", true},   {u"_HasKey", true},
      {u"_Push", false},   {u"_Delete", false}, {u"_Length", false}, {u"__Count", false}, {u"Nope", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(find_object_method(c.name) != ObjectMethod::None, c.known) << u8(c.name);
}

// --- capacity and addresses ----------------------------------------------------------

TEST_F(ObjectTest, FieldArrayCapacity) {
  Held<Object> o(Object::create());
  EXPECT_EQ(method(o.get(), u"GetCapacity", {}).value, "0");
  std::vector<int64_t> seen;
  for (int i = 0; i < 9; ++i) {
    method(o.get(), u"Push", {I(i)});
    seen.push_back(o->capacity());
  }
  EXPECT_EQ(seen, (std::vector<int64_t>{4, 4, 4, 4, 8, 8, 8, 8, 16}));
  EXPECT_EQ(method(o.get(), u"SetCapacity", {I(2)}).value, "9");  // never below the field count
  EXPECT_EQ(method(o.get(), u"SetCapacity", {I(20)}).value, "20");
  EXPECT_EQ(method(o.get(), u"SetCapacity", {S(u"x")}).value, "");
  EXPECT_EQ(o->capacity(), 20);
  Held<Object> empty(Object::create());
  method(empty.get(), u"Push", {I(1)});
  method(empty.get(), u"Pop", {});
  EXPECT_EQ(method(empty.get(), u"SetCapacity", {I(0)}).value, "0");
  EXPECT_EQ(empty->capacity(), 0);
}

TEST_F(ObjectTest, TextCapacityAndAddress) {
  Held<Object> o(Object::create());
  EXPECT_EQ(method(o.get(), u"SetCapacity", {S(u"k"), I(7)}).value, "8");
  EXPECT_EQ(method(o.get(), u"GetCapacity", {S(u"k")}).value, "8");
  EXPECT_EQ(method(o.get(), u"HasKey", {S(u"k")}).value, "1");
  std::string address = method(o.get(), u"GetAddress", {S(u"K")}).value;
  EXPECT_EQ(address, std::to_string(reinterpret_cast<uintptr_t>(o->find_string(u"k")->text)));
  // Shrinking keeps the text that fits.
  set(o.get(), {S(u"k"), S(u"abcdef")});
  EXPECT_EQ(method(o.get(), u"SetCapacity", {S(u"k"), I(4)}).value, "4");
  EXPECT_EQ(get(o.get(), {S(u"k")}), "ab");
  EXPECT_EQ(method(o.get(), u"SetCapacity", {S(u"k"), I(0)}).value, "0");
  EXPECT_EQ(method(o.get(), u"GetAddress", {S(u"k")}).value, "");
  EXPECT_EQ(method(o.get(), u"GetCapacity", {S(u"k")}).value, "0");
  // Numbers have no buffer.
  set(o.get(), {S(u"n"), I(1)});
  EXPECT_EQ(method(o.get(), u"SetCapacity", {S(u"n"), I(10)}).value, "");
  EXPECT_EQ(method(o.get(), u"GetCapacity", {S(u"n")}).value, "");
  EXPECT_EQ(method(o.get(), u"SetCapacity", {S(u"k"), I(-1)}).value, "");
  EXPECT_EQ(method(o.get(), u"HasKey", {S(u"gone")}).value, "0");
  EXPECT_EQ(method(o.get(), u"HasKey", {}).value, "");
}

// --- base chain, meta-functions and properties -----------------------------------------

TEST_F(ObjectTest, BaseIsReadAndReplaced) {
  Held<Object> o(Object::create());
  Held<Object> b(Object::create());
  EXPECT_EQ(invoke(o.get(), InvokeGet, {S(u"base")}).result, ResultDone);
  EXPECT_EQ(get(o.get(), {S(u"base")}), "");
  EXPECT_EQ(invoke(o.get(), InvokeSet, {S(u"BASE"), O(b.get())}).value, "<Object>");
  EXPECT_EQ(o->base(), b.get());
  EXPECT_EQ(b->ref_count(), 2u);
  set(b.get(), {S(u"x"), I(1)});
  EXPECT_EQ(get(o.get(), {S(u"x")}), "1");
  // Assigning through the derived object makes its own field.
  set(o.get(), {S(u"x"), I(2)});
  EXPECT_EQ(get(o.get(), {S(u"x")}), "2");
  EXPECT_EQ(get(b.get(), {S(u"x")}), "1");
  // A base's built-in methods do not apply to a derived object's search.
  EXPECT_EQ(method(o.get(), u"Count", {}).value, "1");
  EXPECT_EQ(invoke(o.get(), InvokeSet, {S(u"base"), I(1)}).value, "");
  EXPECT_EQ(o->base(), nullptr);
  EXPECT_EQ(b->ref_count(), 1u);
}

TEST_F(ObjectTest, SeveralKeysReachSubObjects) {
  Held<Object> o(Object::create());
  set(o.get(), {S(u"a"), S(u"b"), I(5)});
  EXPECT_EQ(get(o.get(), {S(u"a"), S(u"b")}), "5");
  EXPECT_EQ(get(o.get(), {S(u"a")}), "<Object>");
  EXPECT_EQ(invoke(o.get(), InvokeGet, {S(u"x"), S(u"y")}).result, ResultNotHandled);
  set(o.get(), {S(u"n"), I(1)});
  EXPECT_EQ(invoke(o.get(), InvokeSet, {S(u"n"), S(u"y"), I(2)}).result, ResultNotHandled);
  // "base" with further keys makes a base when there is none.
  set(o.get(), {S(u"base"), S(u"k"), I(7)});
  ASSERT_NE(o->base(), nullptr);
  EXPECT_EQ(get(o.get(), {S(u"k")}), "7");
}

TEST_F(ObjectTest, MetaFunctionsRunBeforeTheBaseIsSearched) {
  std::vector<std::string> log;
  Held<Object> cls(Object::create());
  Held<Object> inst(Object::create());
  inst->set_base(cls.get());
  Held<Recorder> getter(new Recorder(log, "get"));
  Held<Recorder> setter(new Recorder(log, "set"));
  Held<Recorder> caller(new Recorder(log, "call"));
  ASSERT_TRUE(cls->set_raw(u"__Get", O(getter.get())));
  ASSERT_TRUE(cls->set_raw(u"__Set", O(setter.get())));
  ASSERT_TRUE(cls->set_raw(u"__Call", O(caller.get())));
  ASSERT_TRUE(cls->set_raw(u"x", I(7)));

  // Ending without a value lets the normal search go on.
  EXPECT_EQ(get(inst.get(), {S(u"x")}), "7");
  EXPECT_EQ(getter->last_flags, uint32_t(InvokeCall | InvokeAsFunctionObject));
  getter->answer = ResultReturned;
  getter->has_value = true;
  getter->value = 42;
  EXPECT_EQ(get(inst.get(), {S(u"x")}), "42");
  // Own fields are found without asking the base.
  ASSERT_TRUE(inst->set_raw(u"own", I(1)));
  EXPECT_EQ(get(inst.get(), {S(u"own")}), "1");

  setter->answer = ResultReturned;
  invoke(inst.get(), InvokeSet, {S(u"y"), I(3)});
  EXPECT_EQ(inst->find_string(u"y"), nullptr);
  setter->answer = ResultDone;
  set(inst.get(), {S(u"y"), I(3)});
  EXPECT_EQ(get(inst.get(), {S(u"y")}), "3");

  caller->answer = ResultReturned;
  method(inst.get(), u"m", {I(1), I(2)});
  EXPECT_EQ(log, (std::vector<std::string>{"get(<Object>,x)", "get(<Object>,x)", "set(<Object>,y,3)",
                                           "set(<Object>,y,3)", "call(<Object>,m,1,2)"}));
  inst->set_base(nullptr);
}

TEST_F(ObjectTest, StoredMembersAreCalledAsMethods) {
  std::vector<std::string> log;
  Held<Object> cls(Object::create());
  Held<Object> inst(Object::create());
  inst->set_base(cls.get());
  Held<Recorder> fn(new Recorder(log, "fn"));
  static Recorder* named = nullptr;
  named = fn.get();
  g_object_hooks.find_function = [](StringView name) -> IObject* {
    return equals_ignore_case(name, u"NamedFn") ? named : nullptr;
  };
  ASSERT_TRUE(cls->set_raw(u"m", O(fn.get())));
  ASSERT_TRUE(cls->set_raw(u"byname", S(u"NamedFn")));
  ASSERT_TRUE(cls->set_raw(u"nosuch", S(u"Missing")));
  ASSERT_TRUE(inst->set_raw(u"own", S(u"namedfn")));
  ASSERT_TRUE(inst->set_raw(u"v", I(5)));

  method(inst.get(), u"m", {I(1)});
  method(inst.get(), u"byname", {I(2)});
  method(inst.get(), u"own", {I(3)});  // found in the object itself: no this
  EXPECT_EQ(log, (std::vector<std::string>{"fn(<Object>,1)", "fn(<Object>,2)", "fn(3)"}));
  EXPECT_EQ(method(inst.get(), u"nosuch", {}).result, ResultNotHandled);
  EXPECT_EQ(method(inst.get(), u"v", {}).result, ResultNotHandled);
  EXPECT_EQ(method(inst.get(), u"absent", {}).result, ResultNotHandled);
  // Calling only if the member is a function reads any other member.
  EXPECT_EQ(invoke(inst.get(), InvokeCall | InvokeCallIfFunction, {S(u"v")}).value, "5");
  inst->set_base(nullptr);
}

TEST_F(ObjectTest, PropertiesTakeOverTheirKeys) {
  std::vector<std::string> log;
  Held<Object> cls(Object::create());
  Held<Object> inst(Object::create());
  inst->set_base(cls.get());
  Held<Recorder> getter(new Recorder(log, "get"));
  Held<Recorder> setter(new Recorder(log, "set"));
  getter->answer = ResultReturned;
  getter->has_value = true;
  getter->value = 9;
  Held<Property> both(Property::create());
  both->getter = getter.get();
  both->setter = setter.get();
  Held<Property> read_only(Property::create());
  read_only->getter = getter.get();
  Held<Property> write_only(Property::create());
  write_only->setter = setter.get();
  ASSERT_TRUE(cls->set_raw(u"p", O(both.get())));
  ASSERT_TRUE(cls->set_raw(u"ro", O(read_only.get())));
  ASSERT_TRUE(cls->set_raw(u"wo", O(write_only.get())));

  EXPECT_EQ(invoke(inst.get(), InvokeGet, {S(u"p")}).result, ResultDone);  // a return is the end of it
  EXPECT_EQ(get(inst.get(), {S(u"p"), I(1)}), "9");
  set(inst.get(), {S(u"p"), S(u"k"), I(5)});
  EXPECT_EQ(log, (std::vector<std::string>{"get(<Object>)", "get(<Object>,1)", "set(<Object>,5,k)"}));
  EXPECT_EQ(inst->field_count(), 0);

  // Without a setter, assignment through an instance makes a field that
  // hides the property; without a getter, reading finds nothing.
  set(inst.get(), {S(u"ro"), I(1)});
  EXPECT_EQ(get(inst.get(), {S(u"ro")}), "1");
  EXPECT_EQ(get(cls.get(), {S(u"ro")}), "9");
  EXPECT_EQ(invoke(inst.get(), InvokeGet, {S(u"wo")}).result, ResultNotHandled);
  // In the class itself such a property is overwritten.
  set(cls.get(), {S(u"ro"), S(u"plain")});
  EXPECT_EQ(get(cls.get(), {S(u"ro")}), "plain");
  inst->set_base(nullptr);
}

TEST_F(ObjectTest, PropertyAccessorsByName) {
  std::vector<std::string> log;
  Held<Recorder> fn(new Recorder(log, "fn"));
  Held<Property> prop(Property::create());
  EXPECT_EQ(invoke(prop.get(), InvokeGet, {S(u"Get")}).value, "");
  EXPECT_EQ(invoke(prop.get(), InvokeSet, {S(u"get"), O(fn.get())}).value, "<Recorder>");
  EXPECT_EQ(prop->getter, fn.get());
  EXPECT_EQ(invoke(prop.get(), InvokeCall, {S(u"Get"), I(1)}).result, ResultDone);
  EXPECT_EQ(invoke(prop.get(), InvokeCall, {S(u"Set"), I(1)}).result, ResultNotHandled);
  EXPECT_EQ(invoke(prop.get(), InvokeCall, {S(u"Other")}).result, ResultNotHandled);
  EXPECT_EQ(log, (std::vector<std::string>{"fn(1)"}));
}

// --- release and __Delete ---------------------------------------------------------------

TEST_F(ObjectTest, DeleteRunsThroughTheBaseBeforeTheObjectGoes) {
  std::vector<std::string> log;
  Held<Object> cls(Object::create());
  Held<Recorder> finalizer(new Recorder(log, "__Delete"));
  ASSERT_TRUE(cls->set_raw(u"__Delete", O(finalizer.get())));
  Object* inst = Object::create();
  inst->set_base(cls.get());
  Probe* probe = new Probe(log, "freed");
  ASSERT_TRUE(inst->set_raw(u"probe", O(probe)));
  probe->release();
  inst->release();
  EXPECT_EQ(log, (std::vector<std::string>{"__Delete(<Object>)", "freed"}));
  EXPECT_EQ(cls->ref_count(), 1u);
}

TEST_F(ObjectTest, DeleteThatKeepsAReferenceKeepsTheObject) {
  std::vector<std::string> log;
  Held<Object> cls(Object::create());
  Held<Recorder> finalizer(new Recorder(log, "__Delete"));
  finalizer->resurrect = true;
  ASSERT_TRUE(cls->set_raw(u"__Delete", O(finalizer.get())));
  Object* inst = Object::create();
  inst->set_base(cls.get());
  inst->release();
  ASSERT_EQ(finalizer->kept, inst);
  EXPECT_EQ(inst->ref_count(), 1u);
  EXPECT_EQ(log.size(), 1u);
  inst->release();  // __Delete runs again, and this time lets it go
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(cls->ref_count(), 1u);
}

TEST_F(ObjectTest, ClassObjectsAreFreedWithoutDelete) {
  std::vector<std::string> log;
  Held<Object> parent(Object::create());
  Held<Recorder> finalizer(new Recorder(log, "__Delete"));
  ASSERT_TRUE(parent->set_raw(u"__Delete", O(finalizer.get())));
  Object* cls = Object::create();
  cls->set_base(parent.get());
  ASSERT_TRUE(cls->set_raw(u"__Class", S(u"Child")));
  cls->release();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(parent->ref_count(), 1u);
}

TEST_F(ObjectTest, DestructionReleasesBaseThenKeysThenValuesFromTheEnd) {
  std::vector<std::string> log;
  Object* o = Object::create();
  Probe* base = new Probe(log, "base");
  o->set_base(base);
  base->release();
  Probe* keys[2] = {new Probe(log, "key 1"), new Probe(log, "key 2")};
  // Object keys are stored by address: the higher address is the later field.
  std::string later_key = keys[0] < keys[1] ? "key 2" : "key 1";
  std::string earlier_key = later_key == "key 1" ? "key 2" : "key 1";
  for (int i = 0; i < 2; ++i) {
    Probe* value = new Probe(log, "value " + std::to_string(i + 1));
    ASSERT_TRUE(o->set_raw(i + 1, O(value)));
    value->release();
    ObjectKey k;
    ASSERT_TRUE(decide_key(O(keys[i]), k));
    ASSERT_TRUE(o->set_raw(k, I(0)));
    keys[i]->release();
  }
  o->release();
  EXPECT_EQ(log, (std::vector<std::string>{"base", later_key, earlier_key, "value 2", "value 1"}));
}

// A linked list as a script builds one (each object holding the next in a
// field or as its base): releasing the head releases every object without
// nesting one destructor per object. The release runs on a thread whose
// small stack the nested destructors of such a list would overflow many
// times over.
TEST_F(ObjectTest, ReleasingALongChainNestsNoDestructorPerObject) {
  std::vector<std::string> log;
  Object* head = Object::create();
  Probe* end = new Probe(log, "end");
  ASSERT_TRUE(head->set_raw(u"next", O(end)));
  end->release();
  for (int i = 0; i < 200000; ++i) {
    Object* o = Object::create();
    if (i % 2) o->set_base(head);
    else ASSERT_TRUE(o->set_raw(u"next", O(head)));
    head->release();
    head = o;
  }
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, size_t(4) << 20);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, [](void* o) -> void* {
    static_cast<Object*>(o)->release();
    return nullptr;
  }, head), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(log, std::vector<std::string>{"end"});
}

// --- Clone -------------------------------------------------------------------------

TEST_F(ObjectTest, CloneIsShallow) {
  Held<Object> o(Object::create());
  Held<Object> b(Object::create());
  Held<Object> child(Object::create());
  Held<Object> key(Object::create());
  o->set_base(b.get());
  set(o.get(), {I(1), S(u"one")});
  set(o.get(), {S(u"s"), S(u"text")});
  set(o.get(), {S(u"c"), O(child.get())});
  set(o.get(), {O(key.get()), F(0.5)});
  EXPECT_EQ(method(o.get(), u"SetCapacity", {S(u"bin"), I(8)}).value, "8");
  // Binary contents past the terminator survive the copy.
  std::memcpy(o->find_string(u"bin")->text, u"ab\0d", 4 * sizeof(char16_t));

  ExprToken result = S(u"");
  std::vector<ExprToken> name = {S(u"Clone")};
  ExprToken* params[] = {&name[0]};
  ExprToken this_token = O(o.get());
  ASSERT_EQ(o->invoke(result, this_token, InvokeCall, params, 1), ResultDone);
  ASSERT_EQ(result.symbol, uint32_t(SymObject));
  Held<Object> copy(static_cast<Object*>(result.object));
  EXPECT_EQ(dump(*copy.get()), dump(*o.get()));
  EXPECT_EQ(copy->base(), b.get());
  EXPECT_EQ(b->ref_count(), 3u);
  EXPECT_EQ(child->ref_count(), 3u);
  EXPECT_EQ(key->ref_count(), 3u);
  EXPECT_EQ(std::memcmp(copy->find_string(u"bin")->text, u"ab\0d", 4 * sizeof(char16_t)), 0);
  set(copy.get(), {S(u"s"), S(u"changed")});
  EXPECT_EQ(get(o.get(), {S(u"s")}), "text");

  Held<Object> named(o->clone(false));
  EXPECT_EQ(dump(*named.get()), "<Object>=0.5 bin=ab c=<Object> s=text");
  EXPECT_EQ(method(o.get(), u"Clone", {I(1)}).value, "");
  o->set_base(nullptr);
  copy->set_base(nullptr);
  named->set_base(nullptr);
}

// --- enumerators ------------------------------------------------------------------

TEST_F(ObjectTest, EnumeratorWalksTheFieldsInOrder) {
  Held<Object> o(Object::create());
  Held<Object> child(Object::create());
  set(o.get(), {S(u"name"), S(u"x")});
  set(o.get(), {I(2), O(child.get())});
  set(o.get(), {I(1), F(1.5)});
  Held<Enumerator> e(Enumerator::create(*o.get()));
  TestVar k(u"k"), v(u"v");
  std::vector<std::string> seen;
  bool more = true;
  while (true) {
    ASSERT_EQ(e->next(&k, &v, more), ResultDone);
    if (!more) break;
    char16_t buf[256];
    ExprToken vt = V(v);
    seen.push_back(u8(k.view()) + "=" + (v.holds_object() ? "<obj>" : u8(token_to_text(vt, buf))));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1=1.500000", "2=<obj>", "name=x"}));
  // At the end the variables are left as they were.
  EXPECT_EQ(u8(k.view()), "name");
  ASSERT_EQ(e->next(&k, nullptr, more), ResultDone);
  EXPECT_FALSE(more);
  EXPECT_EQ(child->ref_count(), 2u);  // v let go of it when it took "x"
}

TEST_F(ObjectTest, EnumeratorAnswersNextByName) {
  Held<Object> o(array({u"a"}));
  ExprToken result = S(u"");
  std::vector<ExprToken> name = {S(u"_NewEnum")};
  ExprToken* params[] = {&name[0]};
  ExprToken this_token = O(o.get());
  ASSERT_EQ(o->invoke(result, this_token, InvokeCall, params, 1), ResultDone);
  ASSERT_EQ(result.symbol, uint32_t(SymObject));
  Held<IObject> e(result.object);
  TestVar k, v;
  EXPECT_EQ(invoke(e.get(), InvokeCall, {S(u"next"), V(k), V(v)}).value, "1");
  EXPECT_EQ(u8(v.view()), "a");
  EXPECT_EQ(invoke(e.get(), InvokeCall | InvokeAsFunctionObject, {V(k)}).value, "0");
  EXPECT_EQ(invoke(e.get(), InvokeCall, {S(u"Other")}).result, ResultNotHandled);
  EXPECT_EQ(invoke(e.get(), InvokeSet, {S(u"Next"), I(1)}).result, ResultNotHandled);
  EXPECT_EQ(method(o.get(), u"NewEnum", {I(1)}).value, "");
}

// --- MetaObject and the evaluator's entry points -------------------------------------

TEST_F(ObjectTest, StringsAndNumbersUseTheDefaultBase) {
  std::vector<std::string> log;
  Held<Recorder> fn(new Recorder(log, "fn"));
  static Recorder* named = nullptr;
  named = fn.get();
  g_object_hooks.find_function = [](StringView name) -> IObject* {
    return equals_ignore_case(name, u"Shout") ? named : nullptr;
  };
  auto member = [](uint32_t type, std::vector<ExprToken> params) {
    std::vector<ExprToken*> ptrs;
    for (ExprToken& p : params) ptrs.push_back(&p);
    ExprToken result = S(u"");
    Result r = invoke_member(result, type, ptrs.data(), int(ptrs.size()));
    return Outcome{r, take(result)};
  };
  EXPECT_EQ(member(InvokeGet, {S(u"abc"), S(u"x")}).value, "");
  // Object's built-in methods are not the default base's.
  EXPECT_EQ(member(InvokeCall, {S(u"abc"), S(u"Length")}).value, "");
  // "".base.x := 5 gives every value the member x.
  EXPECT_EQ(member(InvokeSet, {S(u""), S(u"base"), S(u"x"), I(5)}).result, ResultDone);
  EXPECT_EQ(member(InvokeGet, {I(3), S(u"x")}).value, "5");
  EXPECT_EQ(member(InvokeGet, {S(u""), S(u"base")}).value, "<Object>");
  // value.() calls the function the text names.
  member(InvokeCall, {S(u"Shout"), S(u""), I(1)});
  EXPECT_EQ(log, (std::vector<std::string>{"fn(1)"}));
  ExprToken x = S(u"x"), removed = S(u"");
  ExprToken* params[] = {&x};
  ASSERT_EQ(default_base().call_method(ObjectMethod::Delete, removed, params, 1), ResultDone);
  EXPECT_EQ(default_base().field_count(), 0);
}

TEST_F(ObjectTest, BaseInsideAMethodStartsAboveTheDefiningClass) {
  std::vector<std::string> log;
  Held<Object> parent(Object::create());
  Held<Object> cls(Object::create());
  Held<Object> inst(Object::create());
  Held<Recorder> m(new Recorder(log, "m"));
  ASSERT_TRUE(parent->set_raw(u"m", O(m.get())));
  ASSERT_TRUE(cls->set_raw(u"m", S(u"not this one")));
  cls->set_base(parent.get());
  inst->set_base(cls.get());
  static Object* defining = nullptr;
  static Object* self = nullptr;
  defining = cls.get();
  self = inst.get();
  g_object_hooks.running_method = [](IObject*& defining_class, ExprToken& this_value) {
    defining_class = defining;
    this_value = O(self);
    return true;
  };
  TestVar base_var(u"base");
  ExprToken target = V(base_var), name = S(u"m"), arg = I(1), result = S(u"");
  ExprToken* params[] = {&target, &name, &arg};
  EXPECT_EQ(invoke_member(result, InvokeCall, params, 3), ResultDone);
  EXPECT_EQ(log, (std::vector<std::string>{"m(<Object>,1)"}));
  // A class without a base has nothing above it.
  cls->set_base(nullptr);
  defining = parent.get();
  EXPECT_EQ(invoke_member(result, InvokeCall, params, 3), ResultDone);
  EXPECT_EQ(log.size(), 1u);
  inst->set_base(nullptr);
}

// --- built-in functions -------------------------------------------------------------

Outcome builtin(BuiltinRoutine routine, const char16_t* name, std::vector<ExprToken> args) {
  Func f(name, FuncKind::Builtin);
  ExprToken result = S(u"");
  Result r = routine(f, result, args.data(), int(args.size()));
  return {r, take(result)};
}

// The object a routine made, held for the test.
Object* made(BuiltinRoutine routine, std::vector<ExprToken> args) {
  Func f(u"Object", FuncKind::Builtin);
  ExprToken result = S(u"");
  EXPECT_EQ(routine(f, result, args.data(), int(args.size())), ResultDone);
  EXPECT_EQ(result.symbol, uint32_t(SymObject));
  return result.symbol == SymObject ? static_cast<Object*>(result.object) : Object::create();
}

TEST_F(ObjectTest, ObjectAndArrayConstructors) {
  struct Case {
    BuiltinRoutine routine;
    std::vector<ExprToken> args;
    const char* fields;
  } cases[] = {
      {builtin_object, {}, ""},
      {builtin_object, {S(u"b"), I(1), S(u"a"), I(2)}, "a=2 b=1"},
      {builtin_object, {S(u"a"), I(1), S(u"A"), I(2)}, "a=2"},  // later pairs overwrite
      {builtin_object, {M(), I(1), S(u"b"), M(), S(u"c"), I(3)}, "c=3"},
      {builtin_array, {}, ""},
      {builtin_array, {S(u"a"), M(), Op(u"3")}, "1=a 3=3"},
  };
  for (Case& c : cases) {
    Held<Object> o(made(c.routine, c.args));
    EXPECT_EQ(dump(*o.get()), c.fields);
  }
  Held<Object> o(Object::create());
  for (std::vector<ExprToken> args : {std::vector<ExprToken>{O(o.get())},
                                      {I(int64_t(reinterpret_cast<uintptr_t>(o.get())))}}) {
    EXPECT_EQ(builtin(builtin_object, u"Object", args).value, "<Object>");
    EXPECT_EQ(o->ref_count(), 1u);  // one more was given out and taken back by take()
  }
  EXPECT_EQ(builtin(builtin_object, u"Object", {I(5)}).value, "");
  EXPECT_EQ(builtin(builtin_object, u"Object", {S(u"a")}).value, "");
  EXPECT_EQ(builtin(builtin_object, u"Object", {I(1), I(2), I(3)}).value, "");
}

TEST_F(ObjectTest, IsObject) {
  Held<Object> o(Object::create());
  TestVar holder, text;
  o->add_ref();
  ASSERT_TRUE(holder.assign_object(o.get()));
  ASSERT_TRUE(text.assign(u"x"));
  EXPECT_EQ(builtin(builtin_is_object, u"IsObject", {O(o.get()), V(holder)}).value, "1");
  EXPECT_EQ(builtin(builtin_is_object, u"IsObject", {O(o.get()), V(text)}).value, "0");
  EXPECT_EQ(builtin(builtin_is_object, u"IsObject", {I(1)}).value, "0");
}

TEST_F(ObjectTest, ObjFunctionsGoStraightToTheBuiltInMethods) {
  std::vector<std::string> log;
  Held<Object> cls(Object::create());
  Held<Recorder> meta(new Recorder(log, "meta"));
  meta->answer = ResultReturned;
  for (const char16_t* name : {u"__Get", u"__Set", u"__Call"}) ASSERT_TRUE(cls->set_raw(name, O(meta.get())));
  ASSERT_TRUE(cls->set_raw(u"Count", S(u"shadowed")));
  Held<Object> o(array({u"a"}));
  o->set_base(cls.get());
  struct Case {
    const char16_t* name;
    std::vector<ExprToken> args;
    const char* result;
  } cases[] = {
      {u"ObjPush", {S(u"b")}, "2"},     {u"ObjCount", {}, "2"},         {u"ObjHasKey", {I(2)}, "1"},
      {u"ObjInsertAt", {I(1), S(u"z")}, ""},                            {u"ObjLength", {}, "3"},
      {u"ObjRemoveAt", {I(1)}, "z"},    {u"ObjPop", {}, "b"},           {u"ObjMaxIndex", {}, "1"},
      {u"ObjNewEnum", {}, "<Enumerator>"},                              {u"ObjDelete", {I(1)}, "a"},
  };
  for (Case& c : cases) {
    std::vector<ExprToken> args = c.args;
    args.insert(args.begin(), O(o.get()));
    EXPECT_EQ(builtin(builtin_obj_method, c.name, args).value, c.result) << u8(c.name);
  }
  EXPECT_TRUE(log.empty());
  // Anything but an Object gives nothing, without an error.
  EXPECT_EQ(builtin(builtin_obj_method, u"ObjCount", {S(u"x")}).value, "");
  EXPECT_EQ(builtin(builtin_obj_method, u"ObjCount", {O(meta.get())}).value, "");

  EXPECT_EQ(builtin(builtin_obj_raw_set, u"ObjRawSet", {O(o.get()), S(u"k"), I(1)}).result, ResultDone);
  EXPECT_EQ(dump(*o.get()), "k=1");
  EXPECT_TRUE(log.empty());
  Errors errors;
  EXPECT_EQ(builtin(builtin_obj_raw_set, u"ObjRawSet", {S(u"x"), S(u"k"), I(1)}).result, ResultFailed);
  EXPECT_NE(errors.text().find("Parameter #1 invalid."), std::string::npos);
  o->set_base(nullptr);
}

TEST_F(ObjectTest, AddRefAndReleaseByAddress) {
  Held<Object> o(Object::create());
  ExprToken address = I(int64_t(reinterpret_cast<uintptr_t>(o.get())));
  EXPECT_EQ(builtin(builtin_obj_add_ref, u"ObjAddRef", {address}).value, "2");
  EXPECT_EQ(builtin(builtin_obj_add_ref, u"ObjRelease", {address}).value, "1");
  EXPECT_EQ(builtin(builtin_obj_add_ref, u"ObjAddRef", {I(100)}).value, "");
  EXPECT_EQ(builtin(builtin_obj_add_ref, u"ObjRelease", {I(4095)}).value, "");
}

TEST_F(ObjectTest, NewRunsInitThenNew) {
  std::vector<std::string> log;
  Held<Object> cls(Object::create());
  Held<Recorder> init(new Recorder(log, "__Init"));
  Held<Recorder> ctor(new Recorder(log, "__New"));
  ASSERT_TRUE(cls->set_raw(u"__Init", O(init.get())));
  ASSERT_TRUE(cls->set_raw(u"__New", O(ctor.get())));
  std::vector<ExprToken> args = {O(cls.get()), I(1), S(u"two")};
  ExprToken result = S(u"");
  ASSERT_EQ(new_object(args.data(), args.size(), result), ResultDone);
  ASSERT_EQ(result.symbol, uint32_t(SymObject));
  Held<Object> inst(static_cast<Object*>(result.object));
  EXPECT_EQ(inst->base(), cls.get());
  EXPECT_EQ(inst->ref_count(), 1u);
  EXPECT_EQ(log, (std::vector<std::string>{"__Init(<Object>)", "__New(<Object>,1,two)"}));

  // A constructor that returns a value replaces the instance.
  ctor->answer = ResultReturned;
  ctor->has_value = true;
  ctor->value = 7;
  result = S(u"");
  ASSERT_EQ(new_object(args.data(), args.size(), result), ResultDone);
  EXPECT_EQ(take(result), "7");
  EXPECT_EQ(cls->ref_count(), 2u);  // only the first instance is left

  std::vector<ExprToken> not_a_class = {S(u"x")};
  result = S(u"");
  EXPECT_EQ(new_object(not_a_class.data(), 1, result), ResultDone);
  EXPECT_EQ(take(result), "");
  inst->set_base(nullptr);
}

TEST_F(ObjectTest, CallMethodTellsWhetherAValueCameBack) {
  std::vector<std::string> log;
  Held<Object> o(Object::create());
  Held<Recorder> m(new Recorder(log, "m"));
  ASSERT_TRUE(o->set_raw(u"m", O(m.get())));
  ExprToken this_token = O(o.get()), arg = S(u"x");
  ExprToken* args[] = {&arg};
  int64_t returned = -1;
  EXPECT_EQ(call_method(*o.get(), u"m", this_token, 0, args, 1, &returned), ResultDone);
  EXPECT_EQ(returned, 0);
  m->has_value = true;
  m->value = 12;
  EXPECT_EQ(call_method(*o.get(), u"m", this_token, 0, args, 1, &returned), ResultReturned);
  EXPECT_EQ(returned, 12);
  m->answer = ResultFailed;
  EXPECT_EQ(call_method(*o.get(), u"m", this_token, 0, args, 1, &returned), ResultFailed);
  EXPECT_EQ(log, (std::vector<std::string>{"m(<Object>,x)", "m(<Object>,x)", "m(<Object>,x)"}));
}

TEST_F(ObjectTest, ForLoopsEnumerateThroughNewEnum) {
  Held<Object> o(array({u"a", u"b"}));
  ExprToken this_token = O(o.get()), e = S(u"");
  ASSERT_EQ(enumerate_begin(*o.get(), this_token, e), ResultDone);
  ASSERT_EQ(e.symbol, uint32_t(SymObject));
  Held<IObject> enumerator(e.object);
  TestVar k, v;
  std::string seen;
  bool more = true;
  while (more) {
    ASSERT_EQ(enumerate_next(*enumerator.get(), &k, &v, more), ResultDone);
    if (more) seen += u8(k.view()) + "=" + u8(v.view()) + " ";
  }
  EXPECT_EQ(seen, "1=a 2=b ");

  // Any object answering Next will do.
  std::vector<std::string> log;
  Held<Recorder> custom(new Recorder(log, "e"));
  custom->has_value = true;
  custom->value = 1;
  ASSERT_EQ(enumerate_next(*custom.get(), &k, nullptr, more), ResultDone);
  EXPECT_TRUE(more);
  custom->value = 0;
  ASSERT_EQ(enumerate_next(*custom.get(), &k, nullptr, more), ResultDone);
  EXPECT_FALSE(more);
  EXPECT_EQ(log, (std::vector<std::string>{"e(Next,2,-)", "e(Next,2,-)"}));
}

// --- the count across threads ----------------------------------------------------------

// Counts its destructions. Its end may keep it alive: `keep` hands a
// reference of its own to `kept` that many times, and `drop_while_kept`
// lets that reference go again before the end reports the object kept, as
// another thread's release could.
class Counted : public ObjectBase {
 public:
  explicit Counted(std::atomic<int>& destroyed) : destroyed_(destroyed) {}
  ~Counted() override { destroyed_.fetch_add(1, std::memory_order_relaxed); }
  Result invoke(ExprToken&, ExprToken&, uint32_t, ExprToken**, int) override { return ResultNotHandled; }
  StringView type_name() const override { return u"Counted"; }

  int keep = 0;
  bool drop_while_kept = false;
  Counted* kept = nullptr;
  std::vector<uint32_t> counts_at_end;

 protected:
  bool on_last_release() override {
    counts_at_end.push_back(ref_count());
    if (keep > 0) {
      --keep;
      add_ref();
      kept = this;
      if (drop_while_kept) {
        kept = nullptr;
        release();
      }
      return false;
    }
    return ObjectBase::on_last_release();
  }

 private:
  std::atomic<int>& destroyed_;
};

// Two threads share an object, take and drop references to it over and
// over, and then let go of theirs at the same moment: whichever order the
// decrements land in, exactly one of them ends the object, round after
// round. The threads wait by spinning, so that their last releases meet.
TEST(ObjectCount, ReleasesFromTwoThreadsEndTheObjectExactlyOnce) {
  constexpr int kThreads = 2;
  constexpr int kRounds = 20000;
  constexpr int kChurn = 8;
  std::atomic<int> destroyed{0};
  std::atomic<Counted*> shared{nullptr};
  std::atomic<int> round_started{-1};
  std::atomic<int> churned{0};
  std::barrier<> done(kThreads + 1);
  // Busy for a while, then giving the core away: on a loaded machine a
  // thread that only spins can starve the one it waits for.
  auto spin_until = [](auto&& ready) {
    for (int spins = 0; !ready(); ++spins)
      if (spins > 2000) std::this_thread::yield();
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int round = 0; round < kRounds; ++round) {
        spin_until([&] { return round_started.load(std::memory_order_acquire) == round; });
        Counted* o = shared.load(std::memory_order_relaxed);
        for (int i = 0; i < kChurn; ++i) {
          o->add_ref();
          o->release();
        }
        churned.fetch_add(1);
        spin_until([&] { return churned.load() == kThreads * (round + 1); });
        o->release();
        done.arrive_and_wait();
      }
    });
  }
  int missed = 0, extra = 0;
  for (int round = 0; round < kRounds; ++round) {
    auto* o = new Counted(destroyed);
    for (int t = 1; t < kThreads; ++t) o->add_ref();  // one reference per thread
    shared.store(o, std::memory_order_relaxed);
    int before = destroyed.load();
    round_started.store(round, std::memory_order_release);
    done.arrive_and_wait();
    int ended = destroyed.load() - before;
    if (ended == 0) ++missed;
    if (ended > 1) ++extra;
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(missed, 0) << "rounds in which no release ended the object";
  EXPECT_EQ(extra, 0) << "rounds in which the object ended more than once";
}

// The end of an object that keeps itself alive: it runs with the count at 1
// (the finaliser's own reference), the object survives with the reference it
// handed out, and the end runs again, and destroys it, when that one goes;
// a reference handed out and dropped before the end reports back ends it at
// once.
TEST(ObjectCount, AnObjectKeptByItsEndLivesUntilTheKeeperLetsGo) {
  struct Case {
    const char* what;
    bool drop_while_kept;
  };
  const Case cases[] = {
      {"kept", false},
      {"kept and dropped at once", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::atomic<int> destroyed{0};
    auto* o = new Counted(destroyed);
    o->keep = 1;
    o->drop_while_kept = c.drop_while_kept;
    o->add_ref();
    o->release();
    EXPECT_TRUE(o->counts_at_end.empty()) << "ended while a reference was left";
    o->release();
    if (c.drop_while_kept) {
      EXPECT_EQ(destroyed.load(), 1);
      continue;
    }
    ASSERT_EQ(destroyed.load(), 0);
    ASSERT_EQ(o->kept, o);
    EXPECT_EQ(o->ref_count(), 1u);
    EXPECT_EQ(o->counts_at_end, std::vector<uint32_t>{1});
    o->kept->release();
    EXPECT_EQ(destroyed.load(), 1);
  }
}

// --- owning holders ------------------------------------------------------------------

// Reports, as it goes, what its holder showed at that moment.
class Watched : public ObjectBase {
 public:
  Watched(std::function<bool()> holder_empty, int& seen) : holder_empty_(std::move(holder_empty)), seen_(seen) {}
  ~Watched() override { seen_ = holder_empty_() ? 1 : 0; }
  Result invoke(ExprToken&, ExprToken&, uint32_t, ExprToken**, int) override { return ResultNotHandled; }
  StringView type_name() const override { return u"Watched"; }

 private:
  std::function<bool()> holder_empty_;
  int& seen_;
};

// A holder forgets its object before it lets go of it: the release may run
// a __Delete that looks at the very holder, which must not find the object
// it is ending still there.
TEST(OwningHolders, AHolderIsEmptyByTheTimeItsObjectGoes) {
  struct Case {
    const char* what;
    bool token;                                // an OwnedToken rather than an ObjectRef
    std::function<void(ObjectRef&)> drop_ref;  // for ObjectRef
    std::function<void(OwnedToken&)> drop_token;
  };
  const Case cases[] = {
      {"ObjectRef::reset", false, [](ObjectRef& r) { r.reset(); }, nullptr},
      {"ObjectRef assigned over", false, [](ObjectRef& r) { r = ObjectRef(); }, nullptr},
      {"OwnedToken::reset", true, nullptr, [](OwnedToken& t) { t.reset(); }},
      {"OwnedToken filled anew", true, nullptr, [](OwnedToken& t) { t.out() = int_token(1); }},
      {"OwnedToken moved over", true, nullptr, [](OwnedToken& t) { t = OwnedToken(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int seen = -1;
    ObjectRef ref;
    OwnedToken token;
    auto* w = new Watched([&] { return c.token ? !token.is_object() : !ref; }, seen);
    if (c.token) {
      token = OwnedToken::adopt(object_token(w));
      c.drop_token(token);
    } else {
      ref = ObjectRef::adopt(w);
      c.drop_ref(ref);
    }
    EXPECT_EQ(seen, 1) << (seen < 0 ? "the object did not go" : "the holder still showed it");
  }
}

// --- the account of references ---------------------------------------------------------

// Among objects held as they should be (by a Ref, by another object's field,
// key or base, by an enumerator), the account finds the one a reference was
// never given back for and the one that will be given back a reference it
// never had, and only those.
TEST(ReferenceAccount, FindsTheObjectsWhoseCountsTheirHoldersDoNotExplain) {
  if (!ORV_TRACK_OBJECTS) GTEST_SKIP() << "only sanitizer builds keep the account";
  Ref<Object> root = Ref<Object>::adopt(Object::create());
  Object* in_field = Object::create();
  ASSERT_TRUE(root->set_raw(u"field", O(in_field)));
  in_field->release();
  Object* as_key = Object::create();
  ObjectKey key;
  ASSERT_TRUE(decide_key(O(as_key), key));
  ASSERT_TRUE(root->set_raw(key, I(1)));
  as_key->release();
  Object* as_base = Object::create();
  root->set_base(as_base);
  as_base->release();
  Ref<Enumerator> walk = Ref<Enumerator>::adopt(Enumerator::create(*root));
  OwnedToken token = OwnedToken::adopt(object_token(Object::create()));

  Object* leaked = Object::create();
  leaked->add_ref();  // taken and never given back
  Ref<Object> leaked_holder = Ref<Object>::adopt(leaked);
  Object* overdrawn = Object::create();
  ObjectRef first = ObjectRef::adopt(overdrawn), second = ObjectRef::adopt(overdrawn);

  std::vector<UnaccountedObject> found;
  ASSERT_TRUE(audit_references(found));
  const IObject* ours[] = {root.get(), in_field, as_key, as_base, walk.get(), token->object, leaked, overdrawn};
  std::vector<std::string> off;
  for (const UnaccountedObject& o : found)
    for (const IObject* mine : ours)
      if (o.object == mine)
        off.push_back(std::string(o.object == leaked ? "leaked" : o.object == overdrawn ? "overdrawn" : "other") +
                      " " + std::to_string(o.count) + "/" + std::to_string(o.held));
  std::sort(off.begin(), off.end());
  EXPECT_EQ(off, (std::vector<std::string>{"leaked 2/1", "overdrawn 1/2"}));

  (void)second.detach();
  leaked->release();
}

// While an object is being ended, references are in flight on the native
// stack, where the account cannot see them: it is not taken then.
TEST(ReferenceAccount, IsNotTakenWhileAnObjectIsBeingEnded) {
  if (!ORV_TRACK_OBJECTS) GTEST_SKIP() << "only sanitizer builds keep the account";
  struct Ending : ObjectBase {
    Result invoke(ExprToken&, ExprToken&, uint32_t, ExprToken**, int) override { return ResultNotHandled; }
    StringView type_name() const override { return u"Ending"; }
    bool on_last_release() override {
      std::vector<UnaccountedObject> found;
      *taken = audit_references(found);
      return ObjectBase::on_last_release();
    }
    bool* taken = nullptr;
  };
  bool taken = true;
  auto* o = new Ending();
  o->taken = &taken;
  o->release();
  EXPECT_FALSE(taken);
  std::vector<UnaccountedObject> found;
  EXPECT_TRUE(audit_references(found));
}

}  // namespace
}  // namespace orv
