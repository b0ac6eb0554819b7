// The built-in variable table: both runs must stay sorted for bisection to
// find every name, and only the listed A_ names are built-in.
#include <gtest/gtest.h>

#include <functional>

#include "runtime/thread_settings.h"
#include "runtime/builtin_vars.h"

namespace orv {
namespace {

void expect_sorted_and_found(BuiltinVariableRun run, const char16_t* prefix) {
  for (size_t i = 0; i < run.count; ++i) {
    const BuiltinVariable& e = run.entries[i];
    if (i > 0) {
      EXPECT_LT(compare_ignore_case(run.entries[i - 1].name, e.name), 0) << utf16_to_utf8(e.name);
    }
    String name = String(prefix) + e.name;
    EXPECT_EQ(find_builtin_variable(name), &e) << utf16_to_utf8(name);
    for (char16_t& c : name) c = fold_case(c);
    EXPECT_EQ(find_builtin_variable(name), &e) << utf16_to_utf8(name);
    EXPECT_EQ(e.type == VarType::Builtin, e.producer != nullptr) << utf16_to_utf8(name);
  }
}

TEST(BuiltinVariables, BothRunsAreSortedAndEveryNameIsFound) {
  BuiltinVariableRun plain = builtin_variables_plain(), prefixed = builtin_variables_prefixed();
  EXPECT_EQ(plain.count, 7u);
  EXPECT_EQ(prefixed.count, 159u);
  expect_sorted_and_found(plain, u"");
  expect_sorted_and_found(prefixed, u"A_");
  expect_sorted_and_found(prefixed, u"a_");
}

TEST(BuiltinVariables, OtherNamesAreOrdinary) {
  const char16_t* ordinary[] = {
      u"A_",      u"A_Bogus", u"A_Indexes", u"Index",   // the prefixed run needs its prefix
      u"A_True",  u"A_Clipboard",                       // and the plain run has none
      u"B_Index", u"AA_Index", u"ErrorLevel", u"Truth",
  };
  for (const char16_t* name : ordinary) EXPECT_EQ(find_builtin_variable(name), nullptr) << utf16_to_utf8(name);
  EXPECT_EQ(find_builtin_variable(u"clipboardall")->type, VarType::ClipboardAll);
}

// The text a built-in variable reads as, through its table entry.
std::string read(const char16_t* name) {
  const BuiltinVariable* entry = find_builtin_variable(name);
  if (!entry) return "(not built-in)";
  Variable v;
  v.name = name;
  v.type = entry->type;
  v.producer = entry->producer;
  String text(v.read_text(nullptr) + 1, u'\0');
  text.resize(v.read_text(text.data()));
  return utf16_to_utf8(text);
}

// Settings that no command changes yet read as the texts their commands
// will write.
TEST(BuiltinVariables, ThreadSettingsReadAsText) {
  struct Case {
    std::function<void(ThreadSettings&)> set;
    const char16_t* name;
    const char* text;
  } cases[] = {
      {[](ThreadSettings& t) { t.file_encoding = kCodePageUtf8; }, u"A_FileEncoding", "UTF-8"},
      {[](ThreadSettings& t) { t.file_encoding = kCodePageUtf8 | kEncodingNoBom; }, u"A_FileEncoding", "UTF-8-RAW"},
      {[](ThreadSettings& t) { t.file_encoding = kCodePageUtf16; }, u"A_FileEncoding", "UTF-16"},
      {[](ThreadSettings& t) { t.file_encoding = kCodePageUtf16 | kEncodingNoBom; }, u"A_FileEncoding", "UTF-16-RAW"},
      {[](ThreadSettings& t) { t.file_encoding = 1252; }, u"A_FileEncoding", "CP1252"},
      {[](ThreadSettings& t) { t.coord_modes = 1 << 6 | 2 << 8; }, u"A_CoordModeCaret", "Screen"},
      {[](ThreadSettings& t) { t.coord_modes = 1 << 6 | 2 << 8; }, u"A_CoordModeMenu", "Client"},
      {[](ThreadSettings& t) { t.coord_modes = 1 << 6 | 2 << 8; }, u"A_CoordModeMouse", "Window"},
      {[](ThreadSettings& t) { t.coord_modes = 2; }, u"A_CoordModeToolTip", "Client"},
      {[](ThreadSettings& t) { t.title_match_mode = TitleMatchMode::RegEx; }, u"A_TitleMatchMode", "RegEx"},
      {[](ThreadSettings& t) { t.title_match_mode = TitleMatchMode::Exact; }, u"A_TitleMatchMode", "3"},
      {[](ThreadSettings& t) { t.title_match_fast = false; }, u"A_TitleMatchModeSpeed", "Slow"},
      {[](ThreadSettings& t) { t.batch_interval_ms = -1, t.lines_per_batch = 20000; }, u"A_BatchLines", "20000"},
      {[](ThreadSettings& t) { t.batch_interval_ms = -1; }, u"A_NumBatchLines", "-1"},
      {[](ThreadSettings& t) { t.reg_view = 32; }, u"A_RegView", "32"},
      {[](ThreadSettings& t) { t.reg_view = 64; }, u"A_RegView", "64"},
      {[](ThreadSettings& t) { t.is_critical = true, t.peek_interval_ms = 16; }, u"A_IsCritical", "16"},
      {[](ThreadSettings& t) { t.send_mode = SendMode::InputThenPlay; }, u"A_SendMode", "InputThenPlay"},
      {[](ThreadSettings& t) { t.send_mode = SendMode::Play; }, u"A_SendMode", "Play"},
      {[](ThreadSettings& t) { t.key_duration_play = 30; }, u"A_KeyDurationPlay", "30"},
      {[](ThreadSettings& t) { t.send_level = 100; }, u"A_SendLevel", "100"},
      {[](ThreadSettings& t) { t.detect_hidden_windows = true; }, u"A_DetectHiddenWindows", "On"},
      {[](ThreadSettings& t) { t.last_error = 0xFFFFFFFF; }, u"A_LastError", "4294967295"},
      {[](ThreadSettings& t) { t.gui_x = -5; }, u"A_GuiX", "-5"},
      {[](ThreadSettings& t) { t.loop_index = 7; }, u"a_index", "7"},
  };
  for (const Case& c : cases) {
    ThreadSettings saved = *g_thread;
    c.set(*g_thread);
    EXPECT_EQ(read(c.name), c.text) << utf16_to_utf8(c.name);
    *g_thread = std::move(saved);
  }
}

TEST(BuiltinVariables, IndexAndEventInfoAreIntegersForExpressions) {
  ThreadSettings saved = *g_thread;
  g_thread->loop_index = 12;
  g_thread->event_info = -3;
  struct Case {
    const char16_t* name;
    bool integer;
    int64_t value;
  } cases[] = {{u"A_Index", true, 12}, {u"A_EventInfo", true, -3}, {u"A_LastError", false, 0}};
  for (const Case& c : cases) {
    const BuiltinVariable* entry = find_builtin_variable(c.name);
    Variable v;
    v.name = c.name;
    v.type = entry->type;
    v.producer = entry->producer;
    int64_t value = 0;
    EXPECT_EQ(builtin_variable_integer(v, value), c.integer) << utf16_to_utf8(c.name);
    EXPECT_EQ(value, c.value) << utf16_to_utf8(c.name);
  }
  *g_thread = std::move(saved);
}

}  // namespace
}  // namespace orv
