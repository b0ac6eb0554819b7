// Structure definitions: layouts of well-known Windows structures by the x64
// rules, the forms of the definition language, the definitions it refuses,
// and numbers stored into and read back from members of each kind.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "objects/struct_layout.h"
#include "objects/struct_values.h"
#include "runtime/evaluator.h"

namespace orv {
namespace {

// Named definitions, as script variables would hold them.
class Names final : public DefinitionSource {
 public:
  std::map<String, String> texts = {
      {u"POINT", u"LONG x; LONG y"},
      {u"RECT", u"LONG left, LONG top, LONG right, LONG bottom"},
      {u"Node", u"int value; Node *next"},
      {u"Loop", u"int value; Loop inner"},
      {u"Bad", u"BYTE x:9"},
  };
  bool find(StringView name, String& text, LayoutRef&) override {
    auto it = texts.find(String(name));
    if (it == texts.end()) return false;
    text = it->second;
    return true;
  }
};

LayoutRef parse(StringView text) {
  Names names;
  LayoutResult r = parse_struct_definition(text, &names);
  EXPECT_TRUE(r.layout) << utf16_to_utf8(text) << ": error " << int(r.error) << " at " << utf16_to_utf8(r.culprit);
  return r.layout;
}

struct Expected {
  const char16_t* name;
  size_t offset;
  size_t size;  // of the whole member
};

void expect_layout(StringView text, size_t size, std::vector<Expected> fields) {
  LayoutRef layout = parse(text);
  if (!layout) return;
  SCOPED_TRACE(utf16_to_utf8(text));
  EXPECT_EQ(layout->size, size);
  for (const Expected& e : fields) {
    const StructField* f = layout->find(e.name);
    ASSERT_TRUE(f) << utf16_to_utf8(e.name);
    EXPECT_EQ(f->offset, e.offset) << utf16_to_utf8(e.name);
    EXPECT_EQ(f->total_size(), e.size) << utf16_to_utf8(e.name);
  }
}

TEST(StructLayout, WellKnownStructures) {
  expect_layout(u"LONG left; LONG top; LONG right; LONG bottom", 16,
                {{u"left", 0, 4}, {u"top", 4, 4}, {u"right", 8, 4}, {u"bottom", 12, 4}});
  expect_layout(u"LONG x, LONG y", 8, {{u"x", 0, 4}, {u"y", 4, 4}});
  expect_layout(u"HWND hwnd\nUINT message\nWPARAM wParam\nLPARAM lParam\nDWORD time\nPOINT pt\nDWORD lPrivate", 48,
                {{u"hwnd", 0, 8}, {u"message", 8, 4}, {u"wParam", 16, 8}, {u"lParam", 24, 8}, {u"time", 32, 4},
                 {u"pt", 36, 8}, {u"lPrivate", 44, 4}});
  expect_layout(u"UINT length; UINT flags; UINT showCmd; POINT ptMinPosition; POINT ptMaxPosition; RECT rcNormalPosition",
                44, {{u"showCmd", 8, 4}, {u"ptMinPosition", 12, 8}, {u"ptMaxPosition", 20, 8}, {u"rcNormalPosition", 28, 16}});
  // CWPRETSTRUCT: LRESULT is pointer-sized.
  expect_layout(u"LRESULT lResult; LPARAM lParam; WPARAM wParam; UINT message; HWND hwnd", 40,
                {{u"lResult", 0, 8}, {u"lParam", 8, 8}, {u"wParam", 16, 8}, {u"message", 24, 4}, {u"hwnd", 32, 8}});
}

TEST(StructLayout, AlignmentAndPadding) {
  expect_layout(u"BYTE a; DWORD b", 8, {{u"a", 0, 1}, {u"b", 4, 4}});
  expect_layout(u"DWORD b; BYTE a", 8, {{u"b", 0, 4}, {u"a", 4, 1}});
  expect_layout(u"union { BYTE a; DWORD b; }", 4, {{u"a", 0, 1}, {u"b", 0, 4}});
  expect_layout(u"PVOID p; BYTE b", 16, {{u"p", 0, 8}, {u"b", 8, 1}});
  expect_layout(u"TCHAR name[10]", 20, {{u"name", 0, 20}});
  expect_layout(u"BYTE a; TCHAR * p", 16, {{u"a", 0, 1}, {u"p", 8, 8}});
  expect_layout(u"BYTE a; UINT64 big; SHORT s[3]", 24, {{u"big", 8, 8}, {u"s", 16, 6}});
  // A union is sized up to its alignment before what follows it.
  expect_layout(u"union {\n BYTE b[5]\n DWORD d\n}\nBYTE c", 12, {{u"b", 0, 5}, {u"d", 0, 4}, {u"c", 8, 1}});
  expect_layout(u"BYTE lead; struct { BYTE x; INT64 y; }; BYTE tail", 32, {{u"x", 8, 1}, {u"y", 16, 8}, {u"tail", 24, 1}});
  expect_layout(u"struct { BYTE a; DWORD b; } inner; BYTE c", 12, {{u"inner", 0, 8}, {u"c", 8, 1}});
  expect_layout(u"BYTE a; union { WORD w; struct { BYTE lo; BYTE hi; }; } parts[2]; BYTE z", 8,
                {{u"a", 0, 1}, {u"parts", 2, 4}, {u"z", 6, 1}});
  expect_layout(u"BYTE a // the first\n// a whole line\nDWORD b ; ; ,", 8, {{u"a", 0, 1}, {u"b", 4, 4}});
  expect_layout(u"RECT r[2]; BYTE b", 36, {{u"r", 0, 32}, {u"b", 32, 1}});
  expect_layout(u"bool a; BOOL b; Bool c; BOOLEAN d", 16, {{u"a", 0, 1}, {u"b", 4, 4}, {u"c", 8, 4}, {u"d", 12, 1}});
}

TEST(StructLayout, BitFieldsShareUnitsOfTheirType) {
  LayoutRef layout = parse(u"DWORD a:3; DWORD b:29; DWORD c:1; BYTE d; WORD e:4; WORD f:12; WORD g:1; INT64 h:64");
  ASSERT_TRUE(layout);
  struct {
    const char16_t* name;
    size_t offset;
    int position;
    int width;
  } cases[] = {{u"a", 0, 0, 3}, {u"b", 0, 3, 29}, {u"c", 4, 0, 1}, {u"d", 8, 0, 0},
               {u"e", 10, 0, 4}, {u"f", 10, 4, 12}, {u"g", 12, 0, 1}, {u"h", 16, 0, 64}};
  for (const auto& c : cases) {
    const StructField* f = layout->find(c.name);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->offset, c.offset) << utf16_to_utf8(c.name);
    EXPECT_EQ(f->bit_position, c.position) << utf16_to_utf8(c.name);
    EXPECT_EQ(f->bit_width, c.width) << utf16_to_utf8(c.name);
  }
  EXPECT_EQ(layout->size, 24u);
}

TEST(StructLayout, TypesPointersAndNames) {
  LayoutRef layout = parse(u"x; LPTSTR text; CHAR *ansi; UINT **pp; float f; Node *next; const struct RECT r; bool ok");
  ASSERT_TRUE(layout);
  const StructField* x = layout->find(u"X");  // names compare case-insensitively
  ASSERT_TRUE(x);
  EXPECT_EQ(x->size, 4u);
  EXPECT_TRUE(x->type.is_unsigned);
  EXPECT_TRUE(layout->find(u"text")->is_text_pointer());
  EXPECT_EQ(layout->find(u"text")->type.encoding, kEncodingUtf16);
  EXPECT_TRUE(layout->find(u"ansi")->is_text_pointer());
  EXPECT_EQ(layout->find(u"ansi")->type.encoding, kEncodingAnsi);
  EXPECT_EQ(layout->find(u"pp")->pointer_depth, 2);
  EXPECT_FALSE(layout->find(u"pp")->is_text_pointer());
  EXPECT_TRUE(layout->find(u"f")->type.is_float);
  // A pointer to a structure keeps its type's name for later.
  EXPECT_EQ(layout->find(u"next")->target, u"Node");
  EXPECT_EQ(layout->find(u"r")->nested->size, 16u);
  EXPECT_EQ(layout->find(u"ok")->size, 1u);
  EXPECT_EQ(layout->size, 72u);

  // A pointer to its own kind is never followed while the layout is made.
  LayoutRef node = parse(u"Node");
  ASSERT_TRUE(node);
  EXPECT_EQ(node->size, 16u);
  LayoutRef points = parse(u"POINT[3]");
  ASSERT_TRUE(points);
  EXPECT_EQ(points->size, 24u);
  EXPECT_EQ(points->count, 3u);
  EXPECT_EQ(points->element_size(), 8u);
}

TEST(StructLayout, RefusedDefinitions) {
  struct Case {
    String text;
    LayoutError error;
  } cases[] = {
      {u"", LayoutError::Invalid},
      {u" ; , ", LayoutError::Invalid},
      {u"BYTE a:9", LayoutError::Invalid},           // wider than its type
      {u"DWORD a:0", LayoutError::Invalid},
      {u"FLOAT f:3", LayoutError::Invalid},
      {u"BYTE a[2]:3", LayoutError::Invalid},
      {u"DWORD *p:3", LayoutError::BitFieldPointer},
      {u"LPTSTR s:1", LayoutError::BitFieldPointer},
      {u"BYTE a; BYTE A", LayoutError::Duplicate},
      {u"BYTE a; union { WORD a; }", LayoutError::Duplicate},
      {u"Missing m", LayoutError::NotFound},
      {u"Bad b", LayoutError::Invalid},               // the nested definition's own fault
      {u"Loop l", LayoutError::Invalid},              // contains itself
      {u"BYTE x[0]", LayoutError::Invalid},
      {u"BYTE x[2", LayoutError::Invalid},
      {u"BYTE x[2]y", LayoutError::Invalid},
      {u"INT64 x[0x2000000000000000]", LayoutError::Invalid},  // size times count overflows
      {u"BYTE x[0xFFFFFFFFFFFFFFFF]; BYTE y", LayoutError::Invalid},
      {u"RECT r[0x1000000000000000]", LayoutError::Invalid},
      {u"struct { BYTE a;", LayoutError::Invalid},
      {u"BYTE a; }", LayoutError::Invalid},
      {u"packed { BYTE a; }", LayoutError::Invalid},
      {u"struct { BYTE a; } bad name", LayoutError::Invalid},
      {u"unsigned long int x", LayoutError::Invalid},
      {u"BYTE a-b", LayoutError::Invalid},
      {u"BYTE " + String(kMaxMemberText, u'a'), LayoutError::Invalid},
  };
  for (const Case& c : cases) {
    Names names;
    LayoutResult r = parse_struct_definition(c.text, &names);
    EXPECT_FALSE(r.layout) << utf16_to_utf8(c.text.substr(0, 60));
    EXPECT_EQ(r.error, c.error) << utf16_to_utf8(c.text.substr(0, 60));
  }
}

TEST(StructValues, NumbersOfEveryKindRoundTrip) {
  LayoutRef layout = parse(
      u"BYTE b; CHAR c; SHORT s; USHORT us; INT i; UINT ui; INT64 q; UINT64 uq; FLOAT f; DOUBLE d; PVOID p; "
      u"INT sb:3; DWORD ub:3; DWORD rest:26");
  ASSERT_TRUE(layout);
  std::vector<uint8_t> memory(layout->size + 8, 0xAA);
  struct Case {
    const char16_t* name;
    ExprToken in;
    ExprToken out;
  } cases[] = {
      {u"b", int_token(300), int_token(44)},
      {u"c", int_token(200), int_token(-56)},
      {u"s", int_token(-1), int_token(-1)},
      {u"us", int_token(-1), int_token(65535)},
      {u"i", int_token(0x80000000LL), int_token(-2147483648LL)},
      {u"ui", int_token(-1), int_token(4294967295LL)},
      {u"q", int_token(INT64_MIN), int_token(INT64_MIN)},
      {u"uq", int_token(-1), int_token(-1)},  // the bits of 2^64 - 1
      {u"f", double_token(1.5), double_token(1.5)},
      {u"d", double_token(-0.1), double_token(-0.1)},
      {u"p", int_token(0x123456789A), int_token(0x123456789A)},
      {u"sb", int_token(-1), int_token(-1)},
      {u"sb", int_token(4), int_token(-4)},
      {u"ub", int_token(9), int_token(1)},
      {u"rest", int_token(0x3FFFFFF), int_token(0x3FFFFFF)},
      {u"i", double_token(-7.9), int_token(-7)},
  };
  for (const Case& c : cases) {
    const StructField* f = layout->find(c.name);
    ASSERT_TRUE(f);
    write_member_number(*f, memory.data() + f->offset, c.in);
    ExprToken got = read_member_number(*f, memory.data() + f->offset);
    ASSERT_EQ(got.symbol, c.out.symbol) << utf16_to_utf8(c.name);
    if (got.symbol == SymFloat) EXPECT_EQ(got.number, c.out.number) << utf16_to_utf8(c.name);
    else EXPECT_EQ(got.integer, c.out.integer) << utf16_to_utf8(c.name);
  }
  // Bit fields leave their neighbours alone.
  const StructField* sb = layout->find(u"sb");
  const StructField* ub = layout->find(u"ub");
  EXPECT_EQ(read_member_number(*sb, memory.data() + sb->offset).integer, -4);
  EXPECT_EQ(read_member_number(*ub, memory.data() + ub->offset).integer, 1);
  // Nothing is written past the structure.
  for (size_t i = layout->size; i < memory.size(); ++i) EXPECT_EQ(memory[i], 0xAA);
}

TEST(StructValues, TextStopsAtTheTerminatorOrTheEnd) {
  TempArena::Scope scope;
  const char16_t text[] = {u'a', u'b', 0, u'c'};
  ExprToken got;
  ASSERT_EQ(read_member_text(kEncodingUtf16, reinterpret_cast<const uint8_t*>(text), sizeof text, got), ResultDone);
  EXPECT_EQ(got.view(), u"ab");
  const char16_t full[] = {u'x', u'y', u'z'};
  ASSERT_EQ(read_member_text(kEncodingUtf16, reinterpret_cast<const uint8_t*>(full), 4, got), ResultDone);
  EXPECT_EQ(got.view(), u"xy");
  const uint8_t ansi[] = {'h', 'i', 0, 'x'};
  ASSERT_EQ(read_member_text(kEncodingAnsi, ansi, sizeof ansi, got), ResultDone);
  EXPECT_EQ(got.view(), u"hi");
}

}  // namespace
}  // namespace orv
