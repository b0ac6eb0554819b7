// The text-stream layer with exact bytes: over memory, where every byte can
// be looked at, and over temporary files, where marks and modes meet a real
// file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "runtime/text_stream.h"
#include "platform/platform.h"

namespace orv {
namespace {

using namespace std::literals;
using S = TextStream;

// A stream over an owned copy of `bytes`.
std::unique_ptr<TextMem> mem(std::string_view bytes, uint32_t flags, uint32_t code_page) {
  void* block = std::malloc(bytes.size() ? bytes.size() : 1);
  if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
  auto m = std::make_unique<TextMem>();
  EXPECT_TRUE(m->open(block, bytes.size(), true, flags, code_page));
  return m;
}

// What the stream's block holds once pending output is written.
std::string contents(TextMem& m) {
  m.sync();
  return std::string(reinterpret_cast<const char*>(m.data()), m.size());
}

String read_all(TextStream& s) {
  String out;
  s.read(out, SIZE_MAX);
  return out;
}

TEST(TextStream, WritesExactBytes) {
  struct Case {
    const char* name;
    uint32_t flags;
    uint32_t code_page;
    std::vector<StringView> writes;
    std::string_view bytes;
  } cases[] = {
      {"LF becomes CR LF in UTF-8", S::ModeWrite | S::TranslateLf, 65001, {u"a\nb"}, "a\r\nb"},
      {"CR LF already there", S::ModeWrite | S::TranslateLf, 65001, {u"a\r\nb"}, "a\r\nb"},
      {"CR ends one write, LF starts the next", S::ModeWrite | S::TranslateLf, 65001, {u"a\r", u"\nb"}, "a\r\nb"},
      {"LF left alone without the option", S::ModeWrite, 65001, {u"a\nb"}, "a\nb"},
      {"UTF-16 with the option", S::ModeWrite | S::TranslateLf, 1200, {u"a\n"}, "a\0\r\0\n\0"sv},
      {"UTF-8 mark on creation", S::ModeWrite | S::BomUtf8, 65001, {u"x"}, "\xEF\xBB\xBFx"},
      {"UTF-16 mark on creation", S::ModeWrite | S::BomUtf16, 1200, {u"x"}, "\xFF\xFEx\0"sv},
      {"code page 1252", S::ModeWrite, 1252, {u"caf\u00e9"}, "caf\xE9"},
      {"a surrogate pair is one character", S::ModeWrite, 65001, {u"\U0001F600"}, "\xF0\x9F\x98\x80"},
      {"a double-byte code page", S::ModeWrite | S::TranslateLf, 936, {u"\u4e2d\n"}, "\xD6\xD0\r\n"},
  };
  for (const Case& c : cases) {
    auto m = mem("", c.flags, c.code_page);
    size_t total = 0;
    for (StringView w : c.writes) total += m->write(w);
    std::string got = contents(*m);
    EXPECT_EQ(got, c.bytes) << c.name;
    EXPECT_EQ(total + ((c.flags & (S::BomUtf8 | S::BomUtf16)) ? c.bytes.size() - total : 0), got.size()) << c.name;
  }
}

TEST(TextStream, ReadsText) {
  struct Case {
    const char* name;
    std::string_view bytes;
    uint32_t flags;
    uint32_t code_page;
    StringView text;
  } cases[] = {
      {"UTF-8 mark over an asked-for 1252", "\xEF\xBB\xBF\xC3\xA9", S::ModeRead, 1252, u"\u00e9"},
      {"UTF-16 mark over an asked-for UTF-8", "\xFF\xFE" "a\0"sv, S::ModeRead, 65001, u"a"},
      {"1252 without a mark", "\xC3\xA9", S::ModeRead, 1252, u"\u00c3\u00a9"},
      {"UTF-8 cut inside a three-byte sequence", "a\xE2\x82", S::ModeRead, 65001, u"a\uFFFD"},
      {"a byte that leads nothing", "\xFF" "b", S::ModeRead, 65001, u"\uFFFDb"},
      {"an overlong form", "\xC0\x80" "b", S::ModeRead, 65001, u"\uFFFDb"},
      {"a bad continuation takes the sequence", "\xE2" "ab" "c", S::ModeRead, 65001, u"\uFFFDc"},
      {"four bytes make a pair", "\xF0\x9F\x98\x80", S::ModeRead, 65001, u"\U0001F600"},
      {"UTF-16 odd byte at the end", "a\0b"sv, S::ModeRead, 1200, u"a\uFFFD"},
      {"double-byte code page", "\xD6\xD0" "a", S::ModeRead, 936, u"\u4e2da"},
      {"double-byte lead at the end", "a\xD6", S::ModeRead, 936, u"a\uFFFD"},
      {"CR LF with the LF option", "a\r\nb\r", S::ModeRead | S::TranslateLf, 65001, u"a\nb\r"},
      {"lone CR with the CR option", "a\rb\r\nc", S::ModeRead | S::TranslateCr, 65001, u"a\nb\r\nc"},
      {"both options", "a\rb\r\nc", S::ModeRead | S::TranslateLf | S::TranslateCr, 65001, u"a\nb\nc"},
      {"CR passes without options", "a\r\nb", S::ModeRead, 65001, u"a\r\nb"},
      {"UTF-16 CR LF", "a\0\r\0\n\0"sv, S::ModeRead | S::TranslateLf, 1200, u"a\n"},
  };
  for (const Case& c : cases) {
    auto m = mem(c.bytes, c.flags, c.code_page);
    EXPECT_EQ(read_all(*m), c.text) << c.name;
    EXPECT_TRUE(m->at_eof()) << c.name;
  }
}

// The first fill takes 8192 bytes; what straddles its end must come out as
// if the buffer were endless.
TEST(TextStream, SequencesSplitAcrossBufferFills) {
  struct Case {
    const char* name;
    std::string tail;
    uint32_t flags;
    uint32_t code_page;
    size_t filler;  // bytes of 'x' (UTF-16: units) before the tail
    StringView text_tail;
  } cases[] = {
      {"CR LF", "\r\ny", S::TranslateLf, 65001, 8191, u"\ny"},
      {"lone CR then text", "\ry", S::TranslateCr, 65001, 8191, u"\ny"},
      {"three-byte UTF-8", "\xE2\x82\xAC", 0, 65001, 8190, u"\u20ac"},
      {"double-byte", "\xD6\xD0", 0, 936, 8191, u"\u4e2d"},
      {"UTF-16 CR LF", "\r\0\n\0y\0"s, S::TranslateLf, 1200, 4095, u"\ny"},
  };
  for (const Case& c : cases) {
    std::string bytes;
    for (size_t i = 0; i < c.filler; ++i) bytes += c.code_page == 1200 ? "x\0"s : "x"s;
    bytes += c.tail;
    auto m = mem(bytes, c.flags, c.code_page);
    String expected(c.filler, u'x');
    expected += c.text_tail;
    EXPECT_EQ(read_all(*m), expected) << c.name;
  }
}

TEST(TextStream, ReadLineKeepsItsLineFeedAndEndsEmpty) {
  auto m = mem("one\r\ntwo", S::ModeRead | S::TranslateLf, 65001);
  String line;
  m->read(line, 65535, true);
  EXPECT_EQ(line, u"one\n");
  EXPECT_FALSE(m->at_eof());
  line.clear();
  m->read(line, 65535, true);
  EXPECT_EQ(line, u"two");
  EXPECT_TRUE(m->at_eof());
  line.clear();
  EXPECT_EQ(m->read(line, 65535, true), 0u);
  EXPECT_EQ(line, u"");
}

TEST(TextStream, ReadCountsUnitsAndSplitsAPairBetweenCalls) {
  auto m = mem("\xF0\x9F\x98\x80z", S::ModeRead, 65001);
  String out;
  EXPECT_EQ(m->read(out, 1), 1u);
  EXPECT_EQ(m->read(out, 1), 1u);
  EXPECT_EQ(out, u"\U0001F600");
  out.clear();
  m->read(out, 5);
  EXPECT_EQ(out, u"z");
}

TEST(TextStream, SwitchingDirectionKeepsThePosition) {
  // Reading fills the buffer with the whole block; a write after it must
  // land where the reading stopped, not after the read-ahead.
  auto m = mem("abcdef", S::ModeUpdate, 65001);
  String out;
  m->read(out, 2);
  EXPECT_EQ(m->tell(), 2);
  EXPECT_EQ(m->write(u"XY"), 2u);
  EXPECT_EQ(m->tell(), 4);
  out.clear();
  m->read(out, 10);
  EXPECT_EQ(out, u"ef");
  EXPECT_EQ(contents(*m), "abXYef");

  // Pending output is written before reading goes on.
  m->seek(0, 0);
  m->write(u"12");
  out.clear();
  m->read(out, 1);
  EXPECT_EQ(out, u"X");
  EXPECT_EQ(contents(*m), "12XYef");
}

TEST(TextStream, RawBytesUseReadAheadThenBypassTheBuffer) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes.push_back(char('a' + i % 26));
  auto m = mem(bytes, S::ModeRead, 65001);
  char small[3];
  EXPECT_EQ(m->read_bytes(small, 3), 3u);
  EXPECT_EQ(std::string(small, 3), "abc");
  std::vector<char> big(9000);
  EXPECT_EQ(m->read_bytes(big.data(), big.size()), 9000u);
  EXPECT_EQ(std::string(big.data(), big.size()), bytes.substr(3, 9000));
  EXPECT_EQ(m->tell(), 9003);
  std::vector<char> rest(20000);
  EXPECT_EQ(m->read_bytes(rest.data(), rest.size()), 20000u - 9003);
  EXPECT_TRUE(m->at_eof());

  auto w = mem("", S::ModeWrite, 65001);
  EXPECT_EQ(w->write_bytes("hi", 2), 2u);
  EXPECT_EQ(w->write_bytes(bytes.data(), 9000), 9000u);
  EXPECT_EQ(contents(*w), "hi" + bytes.substr(0, 9000));
}

TEST(TextStream, LengthCountsPendingOutputAndCanBeSet) {
  auto m = mem("abcdef", S::ModeUpdate, 65001);
  m->seek(0, 2);
  m->write(u"gh");
  EXPECT_EQ(m->length(), 8);
  EXPECT_TRUE(m->set_length(3));
  EXPECT_EQ(m->length(), 3);
  EXPECT_EQ(m->tell(), 3);  // was beyond the new end
  EXPECT_TRUE(m->seek(1, 0));
  EXPECT_TRUE(m->set_length(5));
  EXPECT_EQ(m->tell(), 1);
  EXPECT_EQ(contents(*m), "abc\0\0"sv);
  EXPECT_FALSE(m->seek(-1, 0));
  EXPECT_TRUE(m->seek(-2, 2));
  EXPECT_EQ(m->tell(), 3);
}

TEST(TextStream, EncodingChangesLaterConversions) {
  auto m = mem("\xC3\xA9\xC3\xA9", S::ModeRead, 65001);
  String out;
  m->read(out, 1);
  m->set_code_page(1252);
  m->read(out, 2);
  EXPECT_EQ(out, u"\u00e9\u00c3\u00a9");
}

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orv-stream-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    for (const std::string& f : files_) unlink(f.c_str());
    rmdir(dir_.c_str());
  }
  String path(const char* name) {
    files_.push_back(dir_ + "/" + name);
    return utf8_to_utf16(files_.back());
  }
  static std::string bytes_of(StringView p) {
    std::ifstream in(utf16_to_utf8(p), std::ios::binary);
    EXPECT_TRUE(in.good());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string dir_;
  std::vector<std::string> files_;
};

TEST_F(TextFileTest, MarksAreWrittenOnCreationOnly) {
  struct Case {
    const char* name;
    std::string_view before;  // "-" for no file
    uint32_t flags;
    uint32_t code_page;
    StringView text;
    std::string_view after;
  } cases[] = {
      {"write creates with a UTF-16 mark", "-", S::ModeWrite | S::BomUtf16, 1200, u"a", "\xFF\xFE" "a\0"sv},
      {"write over a file starts again", "old", S::ModeWrite | S::BomUtf8, 65001, u"a", "\xEF\xBB\xBF" "a"},
      {"append to a new file writes the mark", "-", S::ModeAppend | S::BomUtf8, 65001, u"a", "\xEF\xBB\xBF" "a"},
      {"append to an empty file writes the mark", "", S::ModeAppend | S::BomUtf8, 65001, u"a", "\xEF\xBB\xBF" "a"},
      {"append to a non-empty file goes to the end", "xy", S::ModeAppend | S::BomUtf8, 65001, u"a", "xya"},
      {"append takes the file's own mark", "\xFF\xFE" "x\0"sv, S::ModeAppend, 1252, u"\u00e9", "\xFF\xFE" "x\0\xE9\0"sv},
      {"read-write stays at the start", "xyz", S::ModeUpdate | S::BomUtf8, 65001, u"a", "ayz"},
  };
  int n = 0;
  for (const Case& c : cases) {
    char name[16];
    snprintf(name, sizeof name, "f%d.txt", n++);
    String p = path(name);
    if (c.before != "-") ASSERT_TRUE(std::ofstream(utf16_to_utf8(p), std::ios::binary) << c.before);
    {
      TextFile f;
      ASSERT_TRUE(f.open(p, c.flags | S::ShareAll, c.code_page)) << c.name;
      f.write(c.text);
    }
    EXPECT_EQ(bytes_of(p), c.after) << c.name;
  }
}

TEST_F(TextFileTest, ReadsBackWhatItWroteAndReportsMissingFiles) {
  String p = path("round.txt");
  {
    TextFile f;
    ASSERT_TRUE(f.open(p, S::ModeWrite | S::TranslateLf | S::BomUtf16, 1200));
    f.write(u"one\ntwo\n");
    EXPECT_EQ(f.length(), 2 + 2 * 10);
  }
  TextFile f;
  ASSERT_TRUE(f.open(p, S::ModeRead | S::TranslateLf, 0));
  EXPECT_EQ(f.code_page(), 1200u);
  EXPECT_EQ(f.tell(), 2);
  EXPECT_EQ(read_all(f), u"one\ntwo\n");
  EXPECT_TRUE(f.at_eof());

  TextFile missing;
  EXPECT_FALSE(missing.open(path("missing.txt"), S::ModeRead, 0));
  EXPECT_EQ(platform::last_error(), 2u);
}

}  // namespace
}  // namespace orv
