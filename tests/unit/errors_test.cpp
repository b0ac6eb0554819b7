// Error dialogs, warnings, the line lister and the ListLines history, seen as
// the exact texts a person gets. Scripts are loaded by the real reader so
// that the lines are the ones the parser makes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/thread_settings.h"
#include "parser/line_parser.h"
#include "runtime/errors.h"
#include "runtime/line_history.h"
#include "runtime/line_lister.h"
#include "runtime/variable.h"
#include "runtime/warnings.h"
#include "runtime/process_state.h"
#include "startup/script_reader.h"
#include "base/text_source.h"

namespace orv {
namespace {

String u16(std::string_view s) { return utf8_to_utf16(s); }
std::string u8(StringView s) { return utf16_to_utf8(s); }

// A loaded script made the program of the process for the test's length;
// the process and thread state the reporters read is restored afterwards.
class Script {
 public:
  explicit Script(std::string_view text) {
    saved_process_ = g_process;
    saved_thread_ = *g_thread;
    g_process.script_name = u"T";
    g_process.script_full_path = u"S";
    g_process.error_stdout = false;
    g_process.script_running = true;
    g_process.restart = false;
    program_.source_files.push_back(u"S");
    g_script = &program_;
    LineParser parser(program_);
    ScriptReader reader(program_, parser);
    TextSource source;
    source.open_text(u16(text));
    loaded_ = reader.load(source) != ResultFailed;
  }
  ~Script() {
    g_script = nullptr;
    g_process = saved_process_;
    *g_thread = saved_thread_;
  }
  bool loaded() const { return loaded_; }
  ScriptProgram& program() { return program_; }
  // The n-th line of the line list, from 0.
  ScriptLine* line(int n) {
    ScriptLine* l = program_.first_line;
    while (l && n-- > 0) l = l->next;
    return l;
  }

 private:
  ScriptProgram program_;
  ProcessState saved_process_;
  ThreadSettings saved_thread_;
  bool loaded_ = false;
};

// What the reporters wrote: stdout, and stderr, where the headless host
// shows message boxes as "[TITLE] TEXT" and debugger output as "[debug] ".
struct Output {
  std::string out, err;
};

template <typename F>
Output capture(F&& f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  fflush(stdout);
  fflush(stderr);
  Output o;
  o.out = testing::internal::GetCapturedStdout();
  o.err = testing::internal::GetCapturedStderr();
  return o;
}

std::string listed(ScriptLine& line, size_t max_chars = 500, int64_t elapsed_ms = 0, LineEnd end = LineEnd::Lf) {
  String out;
  list_line(out, line, max_chars, elapsed_ms, end);
  return u8(out);
}

// --- the line lister -------------------------------------------------------------------------

TEST(LineLister, EachFormOfLine) {
  struct Case {
    const char* script;
    int line;
    const char* expected;
  };
  const Case cases[] = {
      {"x = some text", 0, "001: x = some text\n"},
      {"x := 1 + 2", 0, "001: x := 1 + 2\n"},
      {"x += 5", 0, "001: x += 5\n"},
      {"EnvSub, x, 3", 0, "001: x -= 3\n"},
      {"if x = 5\nx = 1", 0, "001: if x = 5\n"},
      {"IfNotEqual, x, 5\nx = 1", 0, "001: if x <> 5\n"},
      {"if x not in a,b\nx = 1", 0, "001: if x not in a,b\n"},
      {"if x is integer\nx = 1", 0, "001: if x is integer\n"},
      {"if x not between 1 and 5\nx = 1", 0, "001: if x not between 1 and 5\n"},
      {"For k, v in obj\nx = 1", 0, "001: For k,v in obj\n"},
      {"For k in obj\nx = 1", 0, "001: For k, in obj\n"},
      {"MsgBox, hi", 0, "001: MsgBox,hi\n"},
      {"FileAppend, a, b", 0, "001: FileAppend,a,b\n"},
      {"FileAppend, a,, b", 0, "001: FileAppend,a,,b\n"},
      {"Return", 0, "001: Return\n"},
      {"if (x > 1)\nx = 1", 0, "001: if (x > 1)\n"},
      {"x := 1, y := 2", 0, "001: x := 1, y := 2\n"},
      {"\n\nx = 1", 0, "003: x = 1\n"},
  };
  for (const Case& c : cases) {
    Script s(c.script);
    ASSERT_TRUE(s.loaded()) << c.script;
    EXPECT_EQ(listed(*s.line(c.line)), c.expected) << c.script;
  }
}

TEST(LineLister, CutElapsedAndLineEnds) {
  Script s("x = abcdefghij");
  ScriptLine& line = *s.line(0);
  line.line_number = 12345;
  EXPECT_EQ(listed(line), "12345: x = abcdefghij\n");
  // The cut applies to the line itself, never to the time or the ending.
  EXPECT_EQ(listed(line, 12, 1500, LineEnd::CrLf), "12345: x = a (1.50)\r\n");
  EXPECT_EQ(listed(line, 500, 4, LineEnd::CrLf), "12345: x = abcdefghij (0.00)\r\n");
  EXPECT_EQ(listed(line, 500, 0, LineEnd::CrLf), "12345: x = abcdefghij\r\n");
}

// --- the error dialog ------------------------------------------------------------------------

// Fifteen numbered lines; error lines are picked by their index.
constexpr const char* kFifteen =
    "v = 1\nv = 2\nv = 3\nv = 4\nv = 5\nv = 6\nv = 7\nv = 8\nv = 9\nv = 10\nv = 11\nv = 12\nv = 13\nv = 14\nv = 15";

TEST(ErrorText, Layout) {
  std::string msg600(600, 'm'), extra150(150, 'e'), extra100(100, 'e');
  struct Case {
    const char* what;
    ErrorKind kind;
    std::string message, extra;
    int line;  // -1: none
    const char* footer;
    std::string expected;
  };
  const Case cases[] = {
      {"six lines either side", ErrorKind::Error, "Bad.", "", 7, "Foot.",
       "Error: Bad.\n\n\tLine#\n\t002: v = 2\n\t003: v = 3\n\t004: v = 4\n\t005: v = 5\n\t006: v = 6\n\t007: v = 7\n"
       "--->\t008: v = 8\n\t009: v = 9\n\t010: v = 10\n\t011: v = 11\n\t012: v = 12\n\t013: v = 13\n\t014: v = 14\n"
       "\nFoot."},
      {"first line, closing lines after the last", ErrorKind::Error, "Bad.", "x", 0, "",
       "Error: Bad.\n\nSpecifically: x\n\n\tLine#\n--->\t001: v = 1\n\t002: v = 2\n\t003: v = 3\n\t004: v = 4\n"
       "\t005: v = 5\n\t006: v = 6\n\t007: v = 7\n"},
      {"no line", ErrorKind::Warning, "W.", "", -1, "F.", "Warning: W.\n\n\nF."},
      {"critical", ErrorKind::Critical, "C.", "", -1, "", "Critical Error: C.\n\n"},
      {"continuable", ErrorKind::Continuable, "K.", "", -1, "", "Error: K.\n\n"},
      {"message cut to 500", ErrorKind::Error, msg600, "", -1, "", "Error: " + std::string(500, 'm') + "\n\n"},
      {"extra over 100 cut and marked", ErrorKind::Error, "M.", extra150, -1, "",
       "Error: M.\n\nSpecifically: " + extra100 + "...\n\n"},
      {"extra of exactly 100 kept whole", ErrorKind::Error, "M.", extra100, -1, "",
       "Error: M.\n\nSpecifically: " + extra100 + "\n\n"},
      {"empty message still takes a place", ErrorKind::Error, "", "", -1, "", "Error:  \n\n"},
  };
  for (const Case& c : cases) {
    Script s(kFifteen);
    ASSERT_TRUE(s.loaded());
    String text = format_error_text(s.program(), c.kind, u16(c.message), u16(c.extra),
                                     c.line < 0 ? nullptr : s.line(c.line), u16(c.footer));
    EXPECT_EQ(u8(text), c.expected) << c.what;
  }
}

TEST(ErrorText, IncludedFileAndLongLines) {
  Script s("v = 1\nw = " + std::string(700, 'x') + "\nv = 3");
  ASSERT_TRUE(s.loaded());
  s.program().source_files.push_back(u"C:\\lib\\inc.orv");
  ScriptLine* line = s.line(0);
  line->file_index = 1;
  std::string text = u8(format_error_text(s.program(), ErrorKind::Error, u"Bad.", {}, line, {}));
  std::string expected = "Error in #include file \"C:\\lib\\inc.orv\":\n    Bad.\n\n\tLine#\n--->\t001: v = 1\n\t002: w = " +
                         std::string(491, 'x') + "\n\t003: v = 3\n\t003: Exit\n\t003: Exit\n\t003: Exit\n";
  EXPECT_EQ(text, expected);

  // Whatever the parts, the text stays within its buffer.
  std::string huge = "v = " + std::string(1000, 'y');
  std::string many;
  for (int i = 0; i < 13; ++i) many += huge + "\n";
  Script big(many);
  ASSERT_TRUE(big.loaded());
  String all = format_error_text(big.program(), ErrorKind::Error, u16(std::string(600, 'm')), u16(std::string(200, 'e')),
                                 big.line(6), u16(std::string(2000, 'f')));
  EXPECT_EQ(all.size(), kMaxErrorText);
}

// --- the line error routine -----------------------------------------------------------------------

TEST(LineError, FooterAndOutletByKindAndState) {
  struct Case {
    const char* what;
    ErrorKind kind;
    bool running, restart, error_stdout;
    int returned;
    const char* out;
    const char* err;
  };
  const char* dialog = "[T] %s: Bad.\n\nSpecifically: x\n\n\tLine#\n--->\t001: v = 1\n\t001: Exit\n\t001: Exit\n\t001: Exit\n\n%s\n";
  const Case cases[] = {
      {"error while running", ErrorKind::Error, true, false, false, 0, "", "Error|The current thread will exit."},
      {"error while running ignores /ErrorStdOut", ErrorKind::Error, true, false, true, 0, "",
       "Error|The current thread will exit."},
      {"error while loading", ErrorKind::Error, false, false, false, 0, "", "Error|The program will exit."},
      {"error while loading a replacement", ErrorKind::Error, false, true, false, 0, "",
       "Error|The script was not reloaded; the old version will remain in effect."},
      {"error while loading with /ErrorStdOut", ErrorKind::Error, false, false, true, 0,
       "S (1) : ==> Bad.\n     Specifically: x\n", nullptr},
      {"continuable, answered Yes", ErrorKind::Continuable, true, false, false, 8, "", "Error|Continue running the script?"},
      {"warning", ErrorKind::Warning, true, false, false, 1, "",
       "Warning|For more details, read the documentation for #Warn."},
      {"warning while loading with /ErrorStdOut", ErrorKind::Warning, false, false, true, 1, "",
       "Warning|For more details, read the documentation for #Warn."},
      {"critical", ErrorKind::Critical, true, false, false, 2, "",
       "Critical Error|For more details, read the documentation for #Warn."},
  };
  for (const Case& c : cases) {
    Script s("v = 1");
    ASSERT_TRUE(s.loaded());
    g_process.script_running = c.running;
    g_process.restart = c.restart;
    g_process.error_stdout = c.error_stdout;
    int returned = -1;
    Output o = capture([&] { returned = line_error(s.program(), s.line(0), u"Bad.", c.kind, u"x"); });
    EXPECT_EQ(returned, c.returned) << c.what;
    EXPECT_EQ(o.out, c.out) << c.what;
    std::string err;
    if (c.err) {
      std::string parts(c.err);
      size_t bar = parts.find('|');
      char buf[512];
      snprintf(buf, sizeof buf, dialog, parts.substr(0, bar).c_str(), parts.substr(bar + 1).c_str());
      err = buf;
    }
    EXPECT_EQ(o.err, err) << c.what;
  }
}

TEST(LineError, RuntimeErrorAtTheRunningLine) {
  Script s("v = 1\nv = 2");
  ASSERT_TRUE(s.loaded());
  g_thread->current_line = s.line(1);
  Output o = capture([] { EXPECT_EQ(report_runtime_error(u"Oops."), ResultFailed); });
  EXPECT_EQ(o.err,
            "[T] Error: Oops.\n\n\tLine#\n\t001: v = 1\n--->\t002: v = 2\n\t002: Exit\n\t002: Exit\n\t002: Exit\n\n"
            "The current thread will exit.\n");
  // A load error raised while a line runs belongs to that line.
  Output o2 = capture([&] { EXPECT_EQ(load_error(s.program(), u"Oops."), ResultFailed); });
  EXPECT_EQ(o2.err, o.err);
}

// --- unhandled exceptions --------------------------------------------------------------------------

TEST(UnhandledException, MessageAndExtra) {
  struct Case {
    const char* message;
    const char* extra;
    const char* head;  // the dialog text up to the line listing
  };
  const Case cases[] = {
      {"5", "", "Error: Unhandled exception.\n\nSpecifically: 5\n\n"},
      {" 0x1F ", "", "Error: Unhandled exception.\n\nSpecifically:  0x1F \n\n"},
      {"1.5", "", "Error: Unhandled exception.\n\nSpecifically: 1.5\n\n"},
      {"", "", "Error: Unhandled exception.\n\n"},
      {"Bad thing", "", "Error: Bad thing\n\n"},
      {"1.5.", "", "Error: 1.5.\n\n"},
      {"5", "why", "Error: 5\n\nSpecifically: why\n\n"},
  };
  for (const Case& c : cases) {
    Script s("Throw, x");
    ASSERT_TRUE(s.loaded());
    Output o = capture([&] {
      if (*c.extra) show_unhandled_exception(s.program(), u16(c.message), u16(c.extra), s.line(0));
      else show_unhandled_exception(s.program(), u16(c.message), s.line(0));
    });
    EXPECT_EQ(o.err, std::string("[T] ") + c.head +
                         "\tLine#\n--->\t001: Throw,x\n\t001: Exit\n\t001: Exit\n\t001: Exit\n\nThe thread has exited.\n")
        << c.message;
  }
}

// --- the line history ---------------------------------------------------------------------------

constexpr const char* kHeading =
    "Script lines most recently executed (oldest first).  Press [F5] to refresh.  The seconds elapsed between a line "
    "and the one after it is in parentheses to the right (if not 0).  The bottommost line's elapsed time is the number "
    "of seconds since it executed.\r\n\r\n";
constexpr const char* kEnding = "\r\nPress [F5] to refresh.";

TEST(LineHistory, ElapsedTimesAndWaitingLines) {
  Script s("a = 1\nb = 2\nc = 3\nd = 4");
  ASSERT_TRUE(s.loaded());
  struct Case {
    const char* what;
    std::vector<std::pair<int, uint32_t>> recorded;  // line index, tick
    uint32_t now;
    const char* listing;
  };
  const Case cases[] = {
      {"empty", {}, 0, ""},
      {"times to the next line; the newest runs to now",
       {{0, 1000}, {1, 1500}, {2, 1500}},
       3000,
       "001: a = 1 (0.50)\r\n002: b = 2\r\n003: c = 3 (1.50)\r\n"},
      {"ticks that wrap around", {{0, 0xFFFFFF00u}, {1, 0x100}}, 0x200, "001: a = 1 (0.51)\r\n002: b = 2 (0.26)\r\n"},
      {"a line that went back in time is passed over",
       {{0, 1000}, {1, 3000}, {2, 2000}, {3, 3500}},
       3600,
       "001: a = 1 (2.00)\r\n002: b = 2 (0.50)\r\n004: d = 4 (0.10)\r\n"},
      {"the newest one is still waiting",
       {{0, 1000}, {1, 3000}, {2, 2000}},
       4000,
       "001: a = 1 (2.00)\r\n002: b = 2 (1.00)\r\nSTILL WAITING (2.00): 003: c = 3\r\n"},
  };
  for (const Case& c : cases) {
    LineHistory h;
    for (auto [index, tick] : c.recorded) h.record(s.line(index), tick);
    EXPECT_EQ(u8(h.text(c.now)), std::string(kHeading) + c.listing + kEnding) << c.what;
  }
}

// Splits a listing into its entry lines.
std::vector<std::string> entries(const std::string& text) {
  std::vector<std::string> out;
  size_t pos = std::string(kHeading).size(), end = text.size() - std::string(kEnding).size();
  while (pos < end) {
    size_t nl = text.find("\r\n", pos);
    out.push_back(text.substr(pos, nl - pos));
    pos = nl + 2;
  }
  return out;
}

TEST(LineHistory, RingKeepsTheNewest400) {
  std::string script;
  for (int i = 1; i <= 450; ++i) script += "v = " + std::to_string(i) + "\n";
  Script s(script);
  ASSERT_TRUE(s.loaded());
  LineHistory h;
  for (int i = 0; i < 450; ++i) h.record(s.line(i), 0);
  std::vector<std::string> e = entries(u8(h.text(0)));
  ASSERT_EQ(e.size(), 400u);
  EXPECT_EQ(e.front(), "051: v = 51");
  EXPECT_EQ(e.back(), "450: v = 450");
  h.clear();
  EXPECT_EQ(u8(h.text(0)), std::string(kHeading) + kEnding);
}

TEST(LineHistory, TooLongListingRestartsWithFewerLines) {
  struct Case {
    size_t line_chars;  // characters of each line's text
    size_t entries;
  };
  // 400 entries of 200 characters overflow the buffer, 300 fit; lines are
  // cut to 200 characters however long they are.
  const Case cases[] = {{150, 400}, {400, 300}};
  for (const Case& c : cases) {
    std::string script;
    for (int i = 0; i < 400; ++i) script += "v = " + std::string(c.line_chars, 'x') + "\n";
    Script s(script);
    ASSERT_TRUE(s.loaded());
    LineHistory h;
    for (int i = 0; i < 400; ++i) h.record(s.line(i), 0);
    String text = h.text(0);
    EXPECT_LE(text.size(), LineHistory::kMaxText);
    std::vector<std::string> e = entries(u8(text));
    ASSERT_EQ(e.size(), c.entries) << c.line_chars;
    EXPECT_EQ(e.back().size(), std::min<size_t>(200, 9 + c.line_chars));
    EXPECT_EQ(e.back().substr(0, 5), "400: ");
  }
}

TEST(LineHistory, RecordingFollowsTheThreadsSetting) {
  Script s("v = 1");
  ASSERT_TRUE(s.loaded());
  g_line_history.clear();
  g_thread->line_history = false;
  record_line(s.line(0));
  EXPECT_EQ(u8(list_lines()), std::string(kHeading) + kEnding);
  g_thread->line_history = true;
  record_line(s.line(0));
  EXPECT_EQ(entries(u8(list_lines())), std::vector<std::string>{"001: v = 1"});
  g_line_history.clear();
}

// --- warnings ------------------------------------------------------------------------------------

TEST(Warnings, EachMode) {
  const char* console = "S (2) : ==> Warning: Careful.\n     Specifically: x\n";
  struct Case {
    WarnMode mode;
    bool at_line;  // else no line is known: the line being loaded is named
    std::string out, err;
  };
  const Case cases[] = {
      {WarnMode::Off, true, "", ""},
      {WarnMode::OutputDebug, true, "", std::string("[debug] ") + console},
      {WarnMode::StdOut, true, console, ""},
      {WarnMode::MsgBox, true, "",
       std::string("[debug] ") + console +
           "[T] Warning: Careful.\n\nSpecifically: x\n\n\tLine#\n\t001: v = 1\n--->\t002: v = 2\n\t002: Exit\n"
           "\t002: Exit\n\t002: Exit\n\nFor more details, read the documentation for #Warn.\n"},
      {WarnMode::MsgBox, false, "",
       std::string("[debug] ") + console +
           "[T] Error at line 2.\n\nLine Text: x\nError: Careful.\n\nThe program will exit.\n"},
  };
  for (const Case& c : cases) {
    Script s("v = 1\nv = 2");
    ASSERT_TRUE(s.loaded());
    s.program().current_line_number = 2;
    Output o = capture([&] { warning(s.program(), c.mode, u"Careful.", u"x", c.at_line ? s.line(1) : nullptr); });
    EXPECT_EQ(o.out, c.out) << int(c.mode);
    EXPECT_EQ(o.err, c.err) << int(c.mode);
  }
}

TEST(Warnings, UnsetVariables) {
  struct Case {
    const char* what;
    uint8_t scope;
    const char* name;
    const char* extra;
  };
  const Case cases[] = {
      {"global", ScopeGlobal, "g", "g  (a global variable)"},
      {"local", ScopeLocal, "loc", "loc  (a local variable)"},
      {"local named like a global", ScopeLocal, "g", "g  (a local variable with same name as a global)"},
      {"static", ScopeLocal | ScopeStatic, "g", "g  (a static variable)"},
  };
  for (const Case& c : cases) {
    Script s("g = 1\nv = 2");
    ASSERT_TRUE(s.loaded());
    for (WarnMode& w : s.program().directives.warn) w = WarnMode::StdOut;
    g_thread->current_line = s.line(1);
    Variable var;
    String name = u16(c.name);
    var.name = name.c_str();
    var.scope = c.scope;
    Output o = capture([&] { warn_unset_variable(var); });
    EXPECT_EQ(o.out, std::string("S (2) : ==> Warning: This variable has not been assigned a value.\n     Specifically: ") +
                         c.extra + "\n")
        << c.what;
  }
}

TEST(Warnings, UnsetVariableClassesAndRepeats) {
  Script s("v = 1");
  ASSERT_TRUE(s.loaded());
  g_thread->current_line = s.line(0);
  WarnMode* warn = s.program().directives.warn;
  Variable global_var, local_var;
  global_var.name = u"g";
  global_var.scope = ScopeGlobal;
  local_var.name = u"l";
  local_var.scope = ScopeLocal;
  auto warned = [&](Variable& v) { return !capture([&] { warn_unset_variable(v); }).out.empty(); };

  // Each class follows its own directive.
  warn[WarnUseUnsetGlobal] = WarnMode::StdOut;
  EXPECT_TRUE(warned(global_var));
  EXPECT_FALSE(warned(local_var));
  warn[WarnUseUnsetGlobal] = WarnMode::Off;
  warn[WarnUseUnsetLocal] = WarnMode::StdOut;
  EXPECT_FALSE(warned(global_var));
  EXPECT_TRUE(warned(local_var));
  // Standard output warns on every read and leaves the variable unset.
  EXPECT_TRUE(warned(local_var));
  EXPECT_TRUE(local_var.attributes & AttrUninitialized);
  // A dialog comes once per variable.
  warn[WarnUseUnsetLocal] = WarnMode::MsgBox;
  EXPECT_FALSE(capture([&] { warn_unset_variable(local_var); }).err.empty());
  EXPECT_FALSE(local_var.attributes & AttrUninitialized);
}

TEST(Warnings, EnvironmentAndLocalSameAsGlobal) {
  Script s("v = 1");
  ASSERT_TRUE(s.loaded());
  g_thread->current_line = s.line(0);
  for (WarnMode& w : s.program().directives.warn) w = WarnMode::StdOut;
  Variable var;
  var.name = u"PATH";
  Output o = capture([&] {
    warn_env_variable(var);
    warn_local_same_as_global(u"x", u"f", s.line(0));
  });
  EXPECT_EQ(o.out,
            "S (1) : ==> Warning: An environment variable is being accessed; see #NoEnv.\n     Specifically: PATH\n"
            "S (1) : ==> Warning: This local variable has the same name as a global variable.\n"
            "     Specifically: x  (in function f)\n");
  s.program().directives.warn[WarnUseEnv] = WarnMode::Off;
  EXPECT_EQ(capture([&] { warn_env_variable(var); }).out, "");
}

}  // namespace
}  // namespace orv
