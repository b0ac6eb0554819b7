// Variable lists: sorted, case-insensitive lookup, the side array that large
// scopes use and its merge, name rules, and the ListVars text built from a
// list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "runtime/object.h"
#include "runtime/list_vars.h"
#include "runtime/variable_list.h"

namespace orv {
namespace {

std::string u8(StringView s) { return utf16_to_utf8(s); }

class ErrorCapture {
 public:
  ErrorCapture() { testing::internal::CaptureStderr(); }
  ~ErrorCapture() {
    if (!taken_) take();
  }
  std::string take() {
    taken_ = true;
    return testing::internal::GetCapturedStderr();
  }

 private:
  bool taken_ = false;
};

// Variables that a test owns, named as it says.
class Vars {
 public:
  Variable* make(String name) {
    names_.push_back(std::move(name));
    vars_.emplace_back();
    vars_.back().name = names_.back().c_str();
    return &vars_.back();
  }
  ~Vars() {
    for (Variable& v : vars_)
      if (v.type == VarType::Normal) v.free_buffer(FreeMode::Release);
  }

 private:
  std::deque<String> names_;
  std::deque<Variable> vars_;
};

bool add(VariableList& list, Variable* var) {
  size_t at;
  bool in_lazy;
  if (list.find(var->name_view(), &at, &in_lazy)) return false;
  return list.insert(var, at, in_lazy);
}

std::vector<std::string> names_in_order(const VariableList& list) {
  std::vector<std::string> out;
  for (Variable* v : list.in_order()) out.push_back(u8(v->name_view()));
  return out;
}

TEST(VariableList, SortedIgnoringCase) {
  VariableList list(true);
  Vars vars;
  for (const char16_t* name : {u"beta", u"Alpha", u"gamma", u"_x", u"Zeta", u"\u00C4rger"}) ASSERT_TRUE(add(list, vars.make(name)));
  EXPECT_EQ(names_in_order(list), (std::vector<std::string>{"_x", "Alpha", "beta", "gamma", "Zeta", "\xC3\x84rger"}));
  Variable* alpha = list.find(u"alpha");
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(list.find(u"ALPHA"), alpha);
  EXPECT_EQ(list.find(u"\u00E4RGER"), list.find(u"\u00C4rger"));
  size_t at = 99;
  bool in_lazy = true;
  EXPECT_EQ(list.find(u"Delta", &at, &in_lazy), nullptr);
  EXPECT_EQ(at, 3u);
  EXPECT_FALSE(in_lazy);

  list.remove(alpha);
  EXPECT_EQ(list.find(u"alpha"), nullptr);
  EXPECT_EQ(list.size(), 5u);
}

// Past 9,999 entries new names collect in the side array; its 2,000th entry
// merges it into the main array. Names arrive in scrambled order and mixed
// case so that the merge has to interleave.
TEST(VariableList, SideArrayMergesInOrder) {
  VariableList list(true);
  Vars vars;
  std::vector<String> expected;
  auto name_for = [](size_t i) {
    size_t k = (i * 7919) % 12000;  // a permutation of 0..11999
    char buf[16];
    snprintf(buf, sizeof buf, k % 2 ? "V%05zu" : "v%05zuq", k);
    return utf8_to_utf16(buf);
  };
  auto check_sorted = [&] {
    std::vector<Variable*> order = list.in_order();
    ASSERT_EQ(order.size(), list.size());
    for (size_t i = 1; i < order.size(); ++i)
      ASSERT_LT(compare_ignore_case(order[i - 1]->name_view(), order[i]->name_view()), 0) << i;
  };
  size_t i = 0;
  for (; i < 9999; ++i) ASSERT_TRUE(add(list, vars.make(name_for(i))));
  bool in_lazy = true;
  list.find(u"nothing", nullptr, &in_lazy);
  EXPECT_FALSE(in_lazy);
  ASSERT_TRUE(add(list, vars.make(name_for(i++))));  // the main array grows and the side array appears
  list.find(u"nothing", nullptr, &in_lazy);
  EXPECT_TRUE(in_lazy);
  for (; i < 11999; ++i) ASSERT_TRUE(add(list, vars.make(name_for(i))));
  EXPECT_EQ(list.lazy_size(), 1999u);
  check_sorted();
  // Lookups see both arrays, whatever the case.
  for (size_t j = 0; j < 11999; j += 97) {
    String upper = name_for(j);
    for (char16_t& c : upper) c = upper_case(c);
    Variable* found = list.find(upper);
    ASSERT_NE(found, nullptr) << j;
    EXPECT_TRUE(equals_ignore_case(found->name_view(), name_for(j)));
  }
  ASSERT_TRUE(add(list, vars.make(name_for(i++))));
  EXPECT_EQ(list.lazy_size(), 0u);
  EXPECT_EQ(list.size(), 12000u);
  check_sorted();
  for (size_t j = 0; j < 12000; ++j) ASSERT_NE(list.find(name_for(j)), nullptr) << j;
}

// The merge on names that all sort before, or all after, the main entries.
TEST(VariableList, SideArrayAtEitherEnd) {
  for (bool side_first : {true, false}) {
    VariableList list(false);
    Vars vars;
    char buf[16];
    for (int i = 0; i < 10000; ++i) {
      snprintf(buf, sizeof buf, "m%05d", i);
      ASSERT_TRUE(add(list, vars.make(utf8_to_utf16(buf))));
    }
    for (int i = 0; i < 2000; ++i) {
      snprintf(buf, sizeof buf, side_first ? "a%05d" : "z%05d", 1999 - i);
      ASSERT_TRUE(add(list, vars.make(utf8_to_utf16(buf))));
    }
    ASSERT_EQ(list.lazy_size(), 0u);
    std::vector<std::string> names = names_in_order(list);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(names.front(), side_first ? "a00000" : "m00000");
    EXPECT_EQ(names.back(), side_first ? "m09999" : "z01999");
  }
}

TEST(VariableList, NameRules) {
  struct Case {
    String name;
    bool valid;
  };
  const Case cases[] = {
      {u"abc", true},  {u"a_b$#@9", true}, {u"\u00FCber", true}, {u"\u4E2D", true}, {u"a b", false},
      {u"a-b", false}, {u"a.b", false},    {u"", false},          {String(253, u'n'), true},
      {String(254, u'n'), false},
  };
  for (const Case& c : cases) EXPECT_EQ(is_valid_var_name(c.name), c.valid) << u8(c.name);
}

TEST(VariableList, AddChecksTheName) {
  VariableList list(false);
  ErrorCapture errors;
  String longest(253, u'n'), too_long(254, u'n');
  Variable* v = list.find_or_add(longest, ScopeLocal);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->name_view(), longest);
  EXPECT_EQ(v->scope, ScopeLocal);
  EXPECT_EQ(v->type, VarType::Normal);
  EXPECT_TRUE(v->attributes & AttrUninitialized);
  EXPECT_EQ(list.find_or_add(longest, ScopeLocal), v);
  EXPECT_EQ(list.find(too_long), nullptr);
  EXPECT_EQ(list.find_or_add(too_long, ScopeLocal), nullptr);
  EXPECT_EQ(list.find_or_add(u"a-b", ScopeLocal), nullptr);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_FALSE(check_name(u"f(x", NameKind::Function));
  EXPECT_FALSE(check_name(u"bad name", NameKind::Silent));
  EXPECT_TRUE(check_name(u"good", NameKind::Variable));
  std::string shown = errors.take();
  EXPECT_NE(shown.find("Variable name too long."), std::string::npos);
  EXPECT_NE(shown.find("The following variable name contains an illegal character:\n\"a-b\""), std::string::npos);
  EXPECT_NE(shown.find("The following function name contains an illegal character:\n\"f(x\""), std::string::npos);
  EXPECT_EQ(shown.find("bad name"), std::string::npos);
}

class Dummy : public ObjectBase {
 public:
  Result invoke(ExprToken&, ExprToken&, uint32_t, ExprToken**, int) override { return ResultNotHandled; }
  StringView type_name() const override { return u"Dummy"; }
};

TEST(ListVars, GlobalSection) {
  VariableList list(true);
  Vars vars;
  ASSERT_TRUE(add(list, vars.make(u"b")));
  ASSERT_TRUE(list.find(u"b")->assign(u"hello"));
  Variable* a = vars.make(u"a");
  ASSERT_TRUE(add(list, a));
  ASSERT_TRUE(a->assign_int(5));  // listed as it reads
  Variable* l = vars.make(u"long");
  ASSERT_TRUE(add(list, l));
  ASSERT_TRUE(l->assign(String(59, u'x') + u"yz"));
  ASSERT_TRUE(add(list, vars.make(u"empty")));
  Variable* o = vars.make(u"obj");
  ASSERT_TRUE(add(list, o));
  auto* object = new Dummy;
  ASSERT_TRUE(o->assign_object(object));
  Variable* alias = vars.make(u"ref");
  alias->type = VarType::Alias;
  alias->alias_target = list.find(u"b");
  ASSERT_TRUE(add(list, alias));
  Variable* builtin = vars.make(u"A_Hidden");
  builtin->type = VarType::Builtin;
  builtin->producer = nullptr;
  ASSERT_TRUE(add(list, builtin));

  char address[40];
  snprintf(address, sizeof address, "%016llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(object)));
  const std::string lines = std::string("a[1 of 3]: 5\r\n") +
                            "b[5 of 7]: hello\r\n" +
                            "empty[0 of 0]:  \r\n" +
                            "long[61 of 63]: " + std::string(59, 'x') + "y...\r\n" +
                            "obj: Object(0x" + address + ")\r\n" +
                            "ref[5 of 7]: hello\r\n";
  const std::string heading = "Global Variables (alphabetical)\r\n" + std::string(50, '-') + "\r\n";
  EXPECT_EQ(u8(list_vars_text(list)), heading + lines);
  EXPECT_EQ(u8(list_vars_text(list, u"FUNCTIONS")), "FUNCTIONS\r\n\r\n" + heading + lines);
}

TEST(ListVars, StopsAtTheSizeLimit) {
  VariableList list(true);
  Vars vars;
  char buf[16];
  for (int i = 0; i < 1000; ++i) {
    snprintf(buf, sizeof buf, "v%04d", i);
    Variable* v = vars.make(utf8_to_utf16(buf));
    ASSERT_TRUE(add(list, v));
    ASSERT_TRUE(v->assign(String(80, u'x')));
  }
  String text = list_vars_text(list);
  EXPECT_EQ(text.size(), kListVarsMaxChars);
}

}  // namespace
}  // namespace orv
