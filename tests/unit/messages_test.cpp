// The table of fixed messages, and the rule that the error routines are given
// its texts rather than texts written where they are called.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/messages.h"

namespace orv {
namespace {

bool is_space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

TEST(Messages, EveryIdHasItsOwnText) {
  std::map<String, size_t> owner;
  for (size_t i = 0; i < kMessageCount; ++i) {
    StringView text = message(Msg(i));
    ASSERT_FALSE(text.empty()) << "message id " << i << " has no text";
    // Callers put the blanks and line breaks between a piece and its value;
    // one inside the table would double or go missing unnoticed.
    EXPECT_FALSE(is_space(text.front()) || is_space(text.back()))
        << "message id " << i << " starts or ends with a blank: \"" << utf16_to_utf8(text) << "\"";
    auto [at, added] = owner.emplace(String(text), i);
    EXPECT_TRUE(added) << "message ids " << at->second << " and " << i << " share \"" << utf16_to_utf8(text) << "\"";
  }
}

// Texts that scripts and the script tests compare to the letter.
TEST(Messages, TextsScriptsCompare) {
  struct Case {
    Msg id;
    const char16_t* text;
  } cases[] = {
      {Msg::OutOfMemory, u"Out of memory."},
      {Msg::ParamInvalid1, u"Parameter #1 invalid."},
      {Msg::TargetLabelMissing, u"Target label does not exist."},
      {Msg::DynamicVarNameTooLong,
       u"This dynamically built variable name is too long.  If this variable was not intended to be dynamic, remove "
       u"the % symbols from it."},
      {Msg::ReplaceOldInstance,
       u"An older instance of this script is already running.  Replace it with this instance?\nNote: To avoid this "
       u"message, see #SingleInstance in the help file."},
  };
  for (const Case& c : cases) EXPECT_EQ(utf16_to_utf8(message(c.id)), utf16_to_utf8(c.text));
}

// --- the error routines are given table texts ---------------------------------------------------

// The routines that show a message, and the helpers around them. A text in
// quotes among a call's own arguments is a message that bypasses the table;
// one inside a nested call (a value, a name) is not.
constexpr const char* kRoutines[] = {"report_runtime_error", "load_error", "line_error", "throw_runtime_exception",
                                     "report_not_available", "warning",    "critical_error", "message_box",
                                     "fail",                 "fail_at"};

bool is_word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Where the quoted literal that starts at `at` ends (just past its closing quote).
size_t literal_end(const std::string& s, size_t at) {
  char quote = s[at];
  size_t i = at + 1;
  while (i < s.size() && s[i] != quote) i += s[i] == '\\' ? 2 : 1;
  return i + 1;
}

// The text with its comments blanked out, line breaks kept.
std::string without_comments(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '"' || s[i] == '\'') {
      i = literal_end(s, i);
    } else if (s.compare(i, 2, "//") == 0) {
      for (; i < s.size() && s[i] != '\n'; ++i) out[i] = ' ';
    } else if (s.compare(i, 2, "/*") == 0) {
      size_t end = s.find("*/", i + 2);
      end = end == std::string::npos ? s.size() : end + 2;
      for (; i < end; ++i)
        if (s[i] != '\n') out[i] = ' ';
    } else {
      ++i;
    }
  }
  return out;
}

// True when one of the arguments of the call whose "(" is at `open` holds a
// u"..." literal outside any nested call or braces.
bool passes_inline_text(const std::string& s, size_t open) {
  int depth = 0;
  for (size_t i = open + 1; i < s.size();) {
    char c = s[i];
    if (c == '"' || c == '\'') {
      if (depth == 0 && c == '"' && i > 0 && s[i - 1] == 'u') return true;
      i = literal_end(s, i);
      continue;
    }
    if (c == '(' || c == '[' || c == '{') ++depth;
    if (c == ')' || c == ']' || c == '}') {
      if (depth == 0) return false;
      --depth;
    }
    ++i;
  }
  return false;
}

TEST(Messages, ErrorRoutinesAreGivenTableTexts) {
  std::string here = __FILE__;
  std::filesystem::path src = std::filesystem::path(here).parent_path() / ".." / ".." / "src";
  ASSERT_TRUE(std::filesystem::is_directory(src)) << src;
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
    std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    ++files;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string code = without_comments(buffer.str());
    for (const char* routine : kRoutines) {
      std::string name = routine;
      for (size_t at = code.find(name); at != std::string::npos; at = code.find(name, at + 1)) {
        if (at > 0 && is_word_char(code[at - 1])) continue;
        size_t open = at + name.size();
        while (open < code.size() && (code[open] == ' ' || code[open] == '\n')) ++open;
        if (open >= code.size() || code[open] != '(') continue;
        if (!passes_inline_text(code, open)) continue;
        size_t line = 1 + std::count(code.begin(), code.begin() + at, '\n');
        ADD_FAILURE() << entry.path().lexically_relative(src).string() << ":" << line << ": " << name
                      << " is given a text written in place; name it in base/messages.h instead";
      }
    }
  }
  EXPECT_GT(files, 100u) << "the walk of " << src << " found too few sources";
}

}  // namespace
}  // namespace orv
