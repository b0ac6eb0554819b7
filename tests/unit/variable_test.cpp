// Variables seen from outside: what they read back after each kind of
// store, how their buffers grow and shrink, the number cached beside the
// text, objects, and the errors they report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/thread_settings.h"
#include "runtime/object.h"
#include "platform/platform.h"
#include "runtime/value.h"
#include "runtime/variable.h"

namespace orv {
namespace {

std::string u8(StringView s) { return utf16_to_utf8(s); }

// A variable that returns its heap buffer (and its object) when the test ends.
struct TestVar : Variable {
  explicit TestVar(const char16_t* var_name = u"v", VarType var_type = VarType::Normal) {
    name = var_name;
    type = var_type;
  }
  ~TestVar() {
    if (type != VarType::Alias) free_buffer(FreeMode::Release);
  }
  std::string shown() { return u8(view()); }
};

// Counts the references the program holds to it.
class Probe : public ObjectBase {
 public:
  explicit Probe(int* alive) : alive_(alive) { ++*alive_; }
  ~Probe() override { --*alive_; }
  Result invoke(ExprToken&, ExprToken&, uint32_t, ExprToken**, int) override { return ResultNotHandled; }
  StringView type_name() const override { return u"Probe"; }

 private:
  int* alive_;
};

// Every test starts from the default settings and restores them, and
// collects what the error reporter shows.
class VariableTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_settings_ = g_var_settings;
    saved_thread_ = *g_thread;
    g_var_settings = VariableSettings();
    testing::internal::CaptureStderr();
  }
  void TearDown() override {
    if (!errors_taken_) errors();
    g_var_settings = saved_settings_;
    *g_thread = saved_thread_;
  }
  std::string errors() {
    errors_taken_ = true;
    return testing::internal::GetCapturedStderr();
  }

 private:
  VariableSettings saved_settings_;
  ThreadSettings saved_thread_;
  bool errors_taken_ = false;
};

ExprToken operand(const char16_t* text, const int64_t* preparsed) {
  ExprToken t{};
  t.symbol = SymOperand;
  t.text = text;
  t.length = uint32_t(std::char_traits<char16_t>::length(text));
  t.preparsed = preparsed;
  return t;
}

TEST_F(VariableTest, BufferSizesFollowTheSteps) {
  struct Case {
    size_t chars;
    bool exact;
    AllocKind alloc;
    size_t capacity;
  };
  const AllocKind P = AllocKind::Pool, H = AllocKind::Heap;
  const Case cases[] = {
      {3, false, P, 8},                 {4, false, P, 16},             {7, false, P, 16},
      {8, false, P, 128},               {63, false, P, 128},           {64, false, H, 520},
      {300, false, H, 662},             {163838, false, H, 360445},    {163839, false, H, 360448},
      {2000000, false, H, 4040002},     {7000000, false, H, 14131074}, {5, true, P, 12},
      {64, true, H, 130},
  };
  for (const Case& c : cases) {
    TestVar v;
    ASSERT_TRUE(v.assign(String(c.chars, u'x'), c.exact));
    EXPECT_EQ(v.alloc, c.alloc) << c.chars;
    EXPECT_EQ(v.capacity_bytes, c.capacity) << c.chars;
    EXPECT_EQ(v.length_chars(), c.chars);
    EXPECT_EQ(v.text[c.chars], 0);
  }
}

TEST_F(VariableTest, HeapBufferIsReusedAndCappedAtTheLimit) {
  TestVar v;
  ASSERT_TRUE(v.assign(String(300, u'x')));
  char16_t* block = v.text;
  // A heap variable stays on the heap even for a text the pool would take.
  ASSERT_TRUE(v.assign(u"abc"));
  EXPECT_EQ(v.text, block);
  EXPECT_EQ(v.alloc, AllocKind::Heap);
  EXPECT_EQ(v.shown(), "abc");

  g_var_settings.memory_limit = 1000000;
  ASSERT_TRUE(v.assign(String(490000, u'y')));  // 980,002 bytes plus the margin would pass the limit
  EXPECT_EQ(v.capacity_bytes, 1000000u);
}

TEST_F(VariableTest, EmptyingReturnsOnlyLargeBuffers) {
  struct Case {
    size_t capacity;
    FreeMode mode;
    bool returned;
  };
  const Case cases[] = {
      {5000, FreeMode::ReleaseIfLarge, true}, {4000, FreeMode::ReleaseIfLarge, false},
      {4000, FreeMode::Release, true},        {5000, FreeMode::Keep, false},
  };
  for (const Case& c : cases) {
    TestVar v;
    ASSERT_TRUE(v.reserve(c.capacity / 2 - 1, /*exact_size=*/true));
    ASSERT_TRUE(v.assign(u"some text"));
    ASSERT_EQ(v.capacity_bytes, c.capacity);
    v.free_buffer(c.mode);
    EXPECT_EQ(v.length_chars(), 0u);
    EXPECT_EQ(v.shown(), "");
    EXPECT_EQ(v.alloc, c.returned ? AllocKind::None : AllocKind::Heap) << c.capacity;
    EXPECT_EQ(v.text == g_empty_text, c.returned);
  }
  // Assigning an empty text is the release-if-large case.
  TestVar big, small;
  ASSERT_TRUE(big.reserve(2499, true));
  ASSERT_TRUE(small.reserve(1999, true));
  ASSERT_TRUE(big.assign(u""));
  ASSERT_TRUE(small.assign(u""));
  EXPECT_EQ(big.capacity_bytes, 0u);
  EXPECT_EQ(small.capacity_bytes, 4000u);
}

TEST_F(VariableTest, MemoryLimit) {
  g_var_settings.memory_limit = 1 << 20;
  TestVar v;
  ASSERT_TRUE(v.assign(u"before"));
  String big(600000, u'x');  // 1,200,002 bytes
  EXPECT_FALSE(v.assign(big));
  EXPECT_EQ(v.shown(), "before");
  EXPECT_FALSE(v.reserve(600000));
  EXPECT_TRUE(v.assign(big, false, /*check_limit=*/false));
  // A buffer that is already large enough is used whatever the limit says.
  g_var_settings.memory_limit = 1024;
  EXPECT_TRUE(v.assign(String(599999, u'y')));
  std::string shown = errors();
  size_t reports = 0;
  for (size_t at = 0; (at = shown.find("Memory limit reached (see #MaxMem in the help file).", at)) != std::string::npos; ++at)
    ++reports;
  EXPECT_EQ(reports, 2u);
}

TEST_F(VariableTest, OutOfMemoryLeavesTheVariableEmptyAndValid) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator treats an impossible request as a fault";
#else
  TestVar v;
  ASSERT_TRUE(v.assign(String(1000, u'x')));
  // Nothing is read from the source: the allocation fails first.
  static const char16_t one_char[1] = {u'x'};
  EXPECT_FALSE(v.assign(StringView(one_char, size_t(1) << 60), false, /*check_limit=*/false));
  EXPECT_EQ(v.text, g_empty_text);
  EXPECT_EQ(v.capacity_bytes, 0u);
  EXPECT_EQ(v.shown(), "");
  EXPECT_NE(errors().find("Out of memory."), std::string::npos);
  EXPECT_TRUE(v.assign(u"usable again"));
  EXPECT_EQ(v.shown(), "usable again");
#endif
}

TEST_F(VariableTest, NumbersBecomeTextWhenRead) {
  TestVar i, d;
  ASSERT_TRUE(i.assign_int(42));
  ASSERT_TRUE(d.assign_double(1.5));
  EXPECT_TRUE(i.attributes & AttrTextStale);
  EXPECT_EQ(i.to_int(), 42);
  EXPECT_EQ(d.to_double(), 1.5);
  // Formatted by the format of the thread that reads.
  g_thread->integer_format = IntegerFormat::HexUpper;
  EXPECT_EQ(i.shown(), "0x2A");
  EXPECT_EQ(d.shown(), "1.500000");
  EXPECT_EQ(i.attributes & (AttrTextStale | AttrHasInt), AttrHasInt);
  EXPECT_EQ(d.attributes & (AttrTextStale | AttrHasDouble), AttrHasDouble);
  EXPECT_EQ(i.numeric_type(), NumType::Integer);
}

TEST_F(VariableTest, NumbersFormattedOnAssignWhenTheScriptAsks) {
  g_var_settings.format_int_on_assign = true;
  g_var_settings.format_float_on_assign = true;
  TestVar i, d;
  ASSERT_TRUE(i.assign_int(5));
  ASSERT_TRUE(d.assign_double(2.0 / 3));
  g_thread->integer_format = IntegerFormat::HexUpper;
  EXPECT_EQ(i.shown(), "5");
  EXPECT_EQ(i.to_int(), 5);
  EXPECT_EQ(d.shown(), "0.666667");
  // The rounded text is the value from now on.
  EXPECT_EQ(d.to_double(), 0.666667);
}

TEST_F(VariableTest, SpellingSurvivesCopyBesideTheInteger) {
  struct Case {
    const char* text;  // what the source holds
    const char* copy;  // what the copy reads with hexadecimal output in effect
    int64_t value;
  };
  const Case cases[] = {
      {"007", "007", 7}, {"0x10", "0x10", 16}, {" 5", " 5", 5}, {"5\t", "5\t", 5},
      {"+5", "+5", 5},   {"5", "0x5", 5},      {"-5", "-0x5", -5},
  };
  for (const Case& c : cases) {
    TestVar x(u"x"), y(u"y");
    ASSERT_TRUE(x.assign(utf8_to_utf16(c.text)));
    ASSERT_EQ(x.to_int(), c.value);  // caches the integer beside the text
    ASSERT_TRUE(y.assign_var(x));
    g_thread->integer_format = IntegerFormat::HexUpper;
    EXPECT_EQ(y.shown(), c.copy);
    EXPECT_EQ(y.numeric_type(), NumType::Integer) << c.text;
    EXPECT_EQ(y.to_int(), c.value);
    g_thread->integer_format = IntegerFormat::Decimal;
  }
}

TEST_F(VariableTest, LiteralTokensKeepALeadingZeroSpelling) {
  static const int64_t seven = 7, thirty_one = 31;
  TestVar x(u"x"), y(u"y"), z(u"z");
  ASSERT_TRUE(x.assign_token(operand(u"007", &seven)));
  ASSERT_TRUE(z.assign_token(operand(u"31", &thirty_one)));
  ASSERT_TRUE(y.assign_var(x));
  g_thread->integer_format = IntegerFormat::HexUpper;
  EXPECT_EQ(x.shown(), "007");
  EXPECT_EQ(y.shown(), "007");
  EXPECT_EQ(y.to_int(), 7);
  EXPECT_EQ(z.shown(), "0x1F");  // no spelling to keep: only the integer
}

TEST_F(VariableTest, TokensOfEveryKind) {
  int alive = 0;
  TestVar source(u"s");
  ASSERT_TRUE(source.assign(u"from var"));
  ExprToken t{};
  TestVar v;
  t.symbol = SymInteger, t.integer = -3;
  ASSERT_TRUE(v.assign_token(t));
  EXPECT_EQ(v.shown(), "-3");
  t.symbol = SymFloat, t.number = 0.25;
  ASSERT_TRUE(v.assign_token(t));
  EXPECT_EQ(v.shown(), "0.250000");
  t.symbol = SymString, t.text = u"quoted", t.length = 6;
  ASSERT_TRUE(v.assign_token(t));
  EXPECT_EQ(v.shown(), "quoted");
  ASSERT_TRUE(v.assign_token(operand(u"1.5e3", nullptr)));
  EXPECT_EQ(v.shown(), "1.5e3");
  t.symbol = SymVar, t.var = &source;
  ASSERT_TRUE(v.assign_token(t));
  EXPECT_EQ(v.shown(), "from var");
  auto* probe = new Probe(&alive);
  t.symbol = SymObject, t.object = probe;
  ASSERT_TRUE(v.assign_token(t));  // the token keeps its own reference
  EXPECT_TRUE(v.holds_object());
  probe->release();
  EXPECT_EQ(alive, 1);
  t.symbol = SymMissing;
  ASSERT_TRUE(v.assign_token(t));
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(v.shown(), "");
}

TEST_F(VariableTest, DoublesCopyTextWhenCurrent) {
  TestVar x(u"x"), y(u"y");
  ASSERT_TRUE(x.assign(u"1.50"));
  ASSERT_EQ(x.to_double(), 1.5);
  ASSERT_TRUE(y.assign_var(x));
  EXPECT_EQ(y.shown(), "1.50");
  EXPECT_EQ(y.numeric_type(), NumType::Float);
  ASSERT_TRUE(x.assign_double(2.5));
  ASSERT_TRUE(y.assign_var(x));
  EXPECT_TRUE(y.attributes & AttrTextStale);
  EXPECT_EQ(y.shown(), "2.500000");
}

TEST_F(VariableTest, NumericReadsCacheOnlyWhatTheTextIs) {
  struct Case {
    const char* text;
    NumType type;
    int64_t as_int;
    double as_double;
    uint8_t cached;  // after both reads
  };
  const NumType I = NumType::Integer, F = NumType::Float, N = NumType::NotNumeric;
  const Case cases[] = {
      {"12", I, 12, 12.0, AttrHasInt},      {" 0x10 ", I, 16, 16.0, AttrHasInt},
      {"1.5", F, 1, 1.5, AttrHasDouble},    {"12abc", N, 12, 12.0, AttrNotNumeric},
      {"", N, 0, 0.0, AttrNotNumeric},
  };
  for (const Case& c : cases) {
    TestVar v;
    ASSERT_TRUE(v.assign(utf8_to_utf16(c.text)));
    EXPECT_EQ(v.to_int(), c.as_int) << c.text;
    EXPECT_EQ(v.to_double(), c.as_double) << c.text;
    EXPECT_EQ(v.attributes & kNumberAttrs, c.cached) << c.text;
    EXPECT_EQ(v.numeric_type(), c.type) << c.text;
    EXPECT_EQ(v.shown(), c.text);
    // Without permission nothing is remembered.
    ASSERT_TRUE(v.assign(utf8_to_utf16(c.text)));
    v.to_int(false);
    v.to_double(false);
    EXPECT_EQ(v.attributes & kNumberAttrs, 0) << c.text;
  }
}

TEST_F(VariableTest, ObjectsAreCountedOnce) {
  int alive = 0;
  {
    TestVar x(u"x"), y(u"y");
    ASSERT_TRUE(x.assign_object(new Probe(&alive)));
    EXPECT_EQ(x.numeric_type(), NumType::NotNumeric);
    EXPECT_EQ(x.to_int(), 0);
    EXPECT_EQ(x.shown(), "");
    ASSERT_TRUE(y.assign_var(x));
    ASSERT_TRUE(x.assign(u"text now"));
    EXPECT_EQ(alive, 1);
    ASSERT_TRUE(y.assign_var(y));  // the same object again, still once
    ASSERT_TRUE(y.assign_int(1));
    EXPECT_EQ(alive, 0);

    ASSERT_TRUE(x.assign_object(new Probe(&alive)));
    ASSERT_TRUE(x.assign_object(new Probe(&alive)));
    EXPECT_EQ(alive, 1);
  }
  EXPECT_EQ(alive, 0);
}

TEST_F(VariableTest, OnlyNormalVariablesHoldObjects) {
  int alive = 0;
  TestVar clip(u"Clipboard", VarType::Clipboard);
  EXPECT_FALSE(clip.assign_object(new Probe(&alive)));
  EXPECT_EQ(alive, 0);
  EXPECT_NE(errors().find("Invalid value."), std::string::npos);
}

TEST_F(VariableTest, ReadOnlyTypesRefuseStores) {
  TestVar all(u"ClipboardAll", VarType::ClipboardAll);
  TestVar builtin(u"A_Test", VarType::Builtin);
  builtin.producer = nullptr;
  EXPECT_FALSE(all.assign(u"x"));
  EXPECT_FALSE(builtin.assign_int(1));
  EXPECT_NE(errors().find("Not allowed as an output variable."), std::string::npos);
}

TEST_F(VariableTest, AppendInPlace) {
  TestVar v;
  ASSERT_TRUE(v.reserve(20));  // a 128-byte pool block: 63 characters
  ASSERT_TRUE(v.assign_int(5));
  ASSERT_TRUE(v.append_in_place(u"x"));
  EXPECT_EQ(v.shown(), "5x");
  EXPECT_EQ(v.numeric_type(), NumType::NotNumeric);
  ASSERT_TRUE(v.append_in_place(v.view()));
  EXPECT_EQ(v.shown(), "5x5x");
  // Past the pool block the text moves to a heap block of the usual step.
  ASSERT_TRUE(v.append_in_place(String(60, u'y')));
  EXPECT_EQ(v.shown(), "5x5x" + std::string(60, 'y'));
  EXPECT_EQ(v.capacity_bytes, 520u);
  ASSERT_TRUE(v.append_in_place(v.view()));
  ASSERT_TRUE(v.append_in_place(v.view()));
  EXPECT_EQ(v.length_chars(), 256u);
  // Its own text cannot be appended while the buffer it lies in moves.
  EXPECT_FALSE(v.append_in_place(v.view()));
  EXPECT_EQ(v.length_chars(), 256u);
  ASSERT_TRUE(v.append_in_place(String(1000, u'z')));
  EXPECT_EQ(v.length_chars(), 1256u);
  EXPECT_EQ(v.view().substr(250, 8), u"yyyyyyzz");
}

// Three characters at a time up to 7,000,000 characters, through every
// regime of the steps: after each growth the capacity the script sees is
// the one a single store of that length gets, while the block under it is
// replaced a few dozen times rather than at each of the 300-odd steps (on a
// heap whose growing realloc copies, that was a quadratic loop).
TEST_F(VariableTest, LongAppendsShowTheStepsAndRarelyReplaceTheBlock) {
  TestVar v;
  ASSERT_TRUE(v.assign(String(100, u'x')));
  size_t growths = 0, blocks = 0, capacity = v.capacity_bytes, block = v.block_bytes;
  while (v.length_bytes < 7000000 * sizeof(char16_t)) {
    ASSERT_TRUE(v.append_in_place(u"abc"));
    ASSERT_LE(v.capacity_bytes, v.block_bytes);
    if (v.capacity_bytes != capacity) {
      ++growths;
      capacity = v.capacity_bytes;
      TestVar whole;
      ASSERT_TRUE(whole.reserve(v.length_bytes / sizeof(char16_t)));
      ASSERT_EQ(capacity, whole.capacity_bytes) << v.length_bytes / sizeof(char16_t);
    }
    if (v.block_bytes != block) {
      ++blocks;
      block = v.block_bytes;
    }
  }
  EXPECT_GT(growths, 300u);
  EXPECT_LT(blocks, 40u);
  EXPECT_EQ(v.length_chars(), 7000000u);
  EXPECT_EQ(v.view().substr(0, 102), String(100, u'x') + u"ab");
  EXPECT_EQ(v.view().substr(6999990), u"cabcabcabc");
}

TEST_F(VariableTest, AppendsStopAtTheMemoryLimit) {
  g_var_settings.memory_limit = 1 << 20;
  TestVar v;
  ASSERT_TRUE(v.assign(String(100, u'x')));
  while (v.append_in_place(u"0123456789")) {
  }
  // The last append whose text and terminator fit the limit happened; the
  // block under the text is held to the limit as the capacity is.
  EXPECT_EQ(v.length_chars(), 524280u);
  EXPECT_EQ(v.capacity_bytes, size_t(1) << 20);
  EXPECT_EQ(v.block_bytes, size_t(1) << 20);
  EXPECT_EQ(v.view().substr(524270), u"0123456789");
  g_var_settings.memory_limit = 64 << 20;
  EXPECT_TRUE(v.append_in_place(u"0123456789"));
  EXPECT_EQ(v.length_chars(), 524290u);
}

// Once the block has room beyond the capacity, a growth that fits it leaves
// the text where it is, so the variable's own text can be appended in place.
TEST_F(VariableTest, OwnTextAppendedWhereTheBlockHasRoom) {
  TestVar v;
  ASSERT_TRUE(v.assign(String(100, u'x')));
  for (;;) {
    ASSERT_TRUE(v.append_in_place(u"abc"));
    size_t length = v.length_bytes / sizeof(char16_t);
    // The longest piece of its own text whose growth stays in the block.
    size_t fits = 0;
    for (size_t k = 1; k <= length; ++k) {
      TestVar whole;
      ASSERT_TRUE(whole.reserve(length + k));
      if (whole.capacity_bytes > v.block_bytes) break;
      fits = k;
    }
    if ((length + fits + 1) * sizeof(char16_t) <= v.capacity_bytes) continue;  // no growth needed: try longer
    String expected = String(v.view()) + String(v.view().substr(0, fits));
    char16_t* at = v.text;
    ASSERT_TRUE(v.append_in_place(v.view().substr(0, fits)));
    EXPECT_EQ(v.text, at);
    EXPECT_EQ(v.view(), expected);
    EXPECT_LE(v.capacity_bytes, v.block_bytes);
    return;
  }
}

TEST_F(VariableTest, BuffersWrittenFromOutside) {
  TestVar v;
  ASSERT_TRUE(v.assign_int(9));
  ASSERT_TRUE(v.reserve(10));
  std::memcpy(v.text, u"hi", 3 * sizeof(char16_t));
  v.set_length_after_write();
  EXPECT_EQ(v.shown(), "hi");
  EXPECT_EQ(v.attributes & kNumberAttrs, 0);
  // No terminator anywhere: the last character gives way to one.
  size_t room = v.capacity_bytes / 2;
  for (size_t i = 0; i < room; ++i) v.text[i] = u'z';
  v.set_length_after_write();
  EXPECT_EQ(v.length_chars(), room - 1);

  auto* block = static_cast<char16_t*>(std::malloc(12));
  std::memcpy(block, u"hello", 5 * sizeof(char16_t));
  v.accept_buffer(block, 5, 12);
  EXPECT_EQ(v.shown(), "hello");
  EXPECT_EQ(v.alloc, AllocKind::Heap);
  EXPECT_EQ(v.capacity_bytes, 12u);
}

TEST_F(VariableTest, CachingDisabled) {
  TestVar v;
  ASSERT_TRUE(v.reserve(10));
  ASSERT_TRUE(v.assign_int(5));
  v.disable_caching();
  EXPECT_EQ(v.shown(), "5");
  char16_t* address = v.text;
  ASSERT_TRUE(v.assign_int(6));
  EXPECT_EQ(v.attributes & (kNumberAttrs | AttrTextStale), 0);
  EXPECT_EQ(std::u16string_view(address), u"6");
  ASSERT_TRUE(v.assign(u"abc"));
  EXPECT_EQ(v.numeric_type(), NumType::NotNumeric);
  EXPECT_EQ(v.to_int(), 0);
  EXPECT_EQ(v.attributes, AttrNoCache);
  // A new buffer is a new address: caching comes back.
  ASSERT_TRUE(v.assign(String(100, u'x')));
  EXPECT_EQ(v.attributes & AttrNoCache, 0);
}

TEST_F(VariableTest, ReadingEachType) {
  TestVar target(u"target"), alias(u"alias", VarType::Alias);
  alias.alias_target = &target;
  ASSERT_TRUE(alias.assign(u"through alias"));
  EXPECT_EQ(target.shown(), "through alias");

  TestVar clip(u"Clipboard", VarType::Clipboard);
  ASSERT_TRUE(clip.assign_int(77));
  String got;
  ASSERT_TRUE(platform::clipboard_text(got));
  EXPECT_EQ(got, u"77");
  char16_t buf[16];
  ASSERT_EQ(clip.read_text(nullptr), 2u);
  ASSERT_EQ(clip.read_text(buf), 2u);
  EXPECT_EQ(String(buf), u"77");
  EXPECT_EQ(clip.to_int(), 77);

  TestVar all(u"ClipboardAll", VarType::ClipboardAll);
  EXPECT_EQ(all.read_text(buf), 0u);
  EXPECT_EQ(buf[0], 0);

  TestVar builtin(u"A_Answer", VarType::Builtin);
  builtin.producer = [](char16_t* dest, const Variable&) -> size_t {
    if (dest) std::memcpy(dest, u"42", 3 * sizeof(char16_t));
    return 2;
  };
  EXPECT_EQ(builtin.length_chars(), 2u);
  EXPECT_EQ(builtin.read_text(buf), 2u);
  EXPECT_EQ(String(buf), u"42");
  TestVar copy(u"copy");
  ASSERT_TRUE(copy.assign_var(builtin));
  EXPECT_EQ(copy.shown(), "42");
}

TEST_F(VariableTest, EnvironmentFallback) {
  setenv("ORV_TEST_ENV_VALUE", "from env", 1);
  TestVar v(u"ORV_TEST_ENV_VALUE");
  char16_t buf[32];
  g_var_settings.no_env = false;
  ASSERT_EQ(v.read_text(nullptr), 8u);
  ASSERT_EQ(v.read_text(buf), 8u);
  EXPECT_EQ(String(buf), u"from env");
  g_var_settings.no_env = true;
  EXPECT_EQ(v.read_text(buf), 0u);
  g_var_settings.no_env = false;
  ASSERT_TRUE(v.assign(u"own"));
  EXPECT_EQ(v.read_text(buf), 3u);
  EXPECT_EQ(String(buf), u"own");
  unsetenv("ORV_TEST_ENV_VALUE");
  ASSERT_TRUE(v.assign(u""));
  EXPECT_EQ(v.read_text(buf), 0u);
}

}  // namespace
}  // namespace orv
