// The links the block pass leaves in the lines. Each case is a small script
// and the links of every line that has one, written with line names such as
// "3if" (the if line that began on physical line 3) or "5}" (a closing
// brace on line 5); plain commands are "x". Load errors are covered by the
// script tests under blocks/.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "load_support.h"
#include "parser/block_pass.h"
#include "parser/line_parser.h"
#include "runtime/process_state.h"
#include "startup/script_reader.h"
#include "base/text_source.h"

namespace orv {
namespace {

std::string kind_of(const ScriptLine* l) {
  CommandId id = l->action;
  if ((id >= CmdIfIn && id <= CmdIfLessOrEqual) || (id >= CmdIfWinExist && id <= CmdIfMsgBox)) return "if";
  switch (id) {
    case CmdElse: return "else";
    case CmdLoop: return "loop";
    case CmdFor: return "for";
    case CmdWhile: return "while";
    case CmdUntil: return "until";
    case CmdTry: return "try";
    case CmdCatch: return "catch";
    case CmdFinally: return "finally";
    case CmdBlockBegin: return "{";
    case CmdBlockEnd: return "}";
    case CmdBreak: return "break";
    case CmdContinue: return "continue";
    case CmdBreakIf: return "breakif";
    case CmdContinueIf: return "continueif";
    case CmdGoto: return "goto";
    case CmdGosub: return "gosub";
    case CmdReturn: return "return";
        case CmdSetTimer: return "settimer";
    case CmdOnExit: return "onexit";
    case CmdGroupAdd: return "groupadd";
    case CmdHotkey: return "hotkey";
    default: return "x";
  }
}

// The closing Exit lines carry the number of the script's last line; they
// are all "exit".
std::string name_of(const ScriptLine* l) {
  if (l->action == CmdExit) return "exit";
  return std::to_string(l->line_number) + kind_of(l);
}

bool attribute_is_label(const ScriptLine* l) {
  switch (l->action) {
    case CmdGoto: case CmdGosub: case CmdOnExit: case CmdGroupAdd: case CmdSetTimer: case CmdHotkey: return true;
    default: return false;
  }
}

// "NAME parent=NAME related=NAME label=L leaves-function" for each line with
// any of them, joined by "; ".
std::string links_of(const ScriptProgram& program) {
  std::string out;
  for (const ScriptLine* l = program.first_line; l; l = l->next) {
    std::string s;
    if (l->parent) s += " parent=" + name_of(l->parent);
    if (l->related) s += " related=" + name_of(l->related);
    if (attribute_is_label(l) && l->label())
      s += " label=" + utf16_to_utf8(l->label()->name);
    if (l->leaves_function) s += " leaves-function";
    if (s.empty()) continue;
    if (!out.empty()) out += "; ";
    out += name_of(l) + s;
  }
  return out;
}

// The links after reading `text` and running the pass, or "failed: " and
// the error printed.
std::string linked(std::string_view text) {
  ScriptProgram program;
  std::string printed;
  if (!load_text(program, text, printed)) return "failed: " + printed;
  ErrorCapture capture;
  if (!resolve_blocks(program)) return "failed: " + capture.take();
  return links_of(program);
}

struct Case {
  const char* script;
  const char* links;
};

template <size_t N>
void expect_links(const Case (&cases)[N]) {
  for (const Case& c : cases) EXPECT_EQ(linked(c.script), c.links) << "script:\n" << c.script;
}

TEST(BlockPass, IfElseAndBlocks) {
  const Case cases[] = {
      {"if x\n  a := 1\nb := 1", "1if related=3x; 2x parent=1if"},
      {"if x {\n  a := 1\n} else {\n  b := 1\n}\nc := 1",
       "1if related=3else; 1{ parent=1if related=3else; 2x parent=1{; 3} parent=1{; "
       "3else related=6x; 3{ parent=3else related=6x; 4x parent=3{; 5} parent=3{"},
      // An else belongs to the nearest if; the outer if's body is the whole inner construct.
      {"if a\n  if b\n    x := 1\n  else\n    y := 1\nz := 1",
       "1if related=6x; 2if parent=1if related=4else; 3x parent=2if; 4else parent=1if related=6x; 5x parent=4else"},
      {"if a\n  if b\n    x := 1\n  else\n    y := 1\nelse\n  z := 1\nw := 1",
       "1if related=6else; 2if parent=1if related=4else; 3x parent=2if; 4else parent=1if related=6else; "
       "5x parent=4else; 6else related=8x; 7x parent=6else"},
      // else if: the second if is the else's body.
      {"if a\n  x := 1\nelse if b\n  y := 1\nelse\n  z := 1",
       "1if related=3else; 2x parent=1if; 3else related=exit; 3if parent=3else related=5else; 4x parent=3if; "
       "5else parent=3else related=exit; 6x parent=5else"},
      // The legacy one-line form puts its command on a line of its own.
      {"IfEqual, x, 1, FileAppend, a, *\nb := 1", "1if related=2x; 1x parent=1if"},
      {"{\n  {\n    a := 1\n  }\n}", "1{ related=exit; 2{ parent=1{ related=5}; 3x parent=2{; 4} parent=2{; 5} parent=1{"},
  };
  expect_links(cases);
}

TEST(BlockPass, Loops) {
  const Case cases[] = {
      {"Loop 3\n  a := 1\nb := 1", "1loop related=3x; 2x parent=1loop"},
      // The loop's related line is its Until, which stands beside the loop.
      {"Loop {\n  a := 1\n}\nUntil a\nb := 1",
       "1loop related=4until; 1{ parent=1loop related=4until; 2x parent=1{; 3} parent=1{"},
      {"if c\n  For k in o\n    a := 1\n  Until a\nb := 1",
       "1if related=5x; 2for parent=1if related=4until; 3x parent=2for; 4until parent=1if"},
      {"While a\n  Loop\n    b := 1\n  Until b\nc := 1",
       "1while related=5x; 2loop parent=1while related=4until; 3x parent=2loop; 4until parent=1while"},
      // A loop's one-line body may be an if with an else.
      {"Loop\n  if a\n    b := 1\n  else\n    break\nc := 1",
       "1loop related=6x; 2if parent=1loop related=4else; 3x parent=2if; 4else parent=1loop related=6x; 5break parent=4else"},
  };
  expect_links(cases);
}

TEST(BlockPass, TryCatchFinally) {
  const Case cases[] = {
      {"try\n  a := 1\ncatch e\n  b := 1\nfinally\n  c := 1\nd := 1",
       "1try related=3catch; 2x parent=1try; 3catch related=5finally; 4x parent=3catch; 5finally related=7x; 6x parent=5finally"},
      {"try {\n  a := 1\n}\nfinally {\n  b := 1\n}",
       "1try related=4finally; 1{ parent=1try related=4finally; 2x parent=1{; 3} parent=1{; "
       "4finally related=exit; 4{ parent=4finally related=exit; 5x parent=4{; 6} parent=4{"},
      {"try\n  a := 1\nb := 1", "1try related=3x; 2x parent=1try"},
      // A loop inside a Finally body may be left by its own Break.
      {"Loop {\n  try\n    a := 1\n  finally\n    Loop\n      break\n}",
       "1loop related=exit; 1{ parent=1loop related=exit; 2try parent=1{ related=4finally; 3x parent=2try; "
       "4finally parent=1{ related=7}; 5loop parent=4finally related=7}; 6break parent=5loop; 7} parent=1{"},
  };
  expect_links(cases);
}

TEST(BlockPass, FunctionBodies) {
  const Case cases[] = {
      // A function body stands alone even when it is defined inside a block.
      {"f() {\n  Return\n}\nb := 1", "1{ related=4x; 2return parent=1{; 3} parent=1{"},
      {"{\nf() {\n  Return\n}\n}", "1{ related=exit; 2{ parent=1{ related=5}; 3return parent=2{; 4} parent=2{; 5} parent=1{"},
  };
  expect_links(cases);
}

TEST(BlockPass, GotoAndGosub) {
  const Case cases[] = {
      {"Goto end\na := 1\nend:\nb := 1", "1goto related=4x label=end"},
      // A top-level label may be reached from inside a block.
      {"if x {\n  Gosub, Sub\n}\nSub:\nReturn",
       "1if related=5return; 1{ parent=1if related=5return; 2gosub parent=1{ related=5return label=Sub; 3} parent=1{"},
      // ...and a label inside the same block.
      {"{\n  Goto in\n  in:\n  a := 1\n}", "1{ related=exit; 2goto parent=1{ related=4x label=in; 4x parent=1{; 5} parent=1{"},
      // Gosub to a label outside every function marks the line.
      {"f() {\n  Gosub out\n}\nout:\nReturn",
       "1{ related=5return; 2gosub parent=1{ related=5return label=out leaves-function; 3} parent=1{"},
      {"f() {\n  Gosub in\n  in:\n  Return\n}",
       "1{ related=exit; 2gosub parent=1{ related=4return label=in; 4return parent=1{; 5} parent=1{"},
      // A computed target is left for run time.
      {"Goto %t%\nGoto % \"a\" t", ""},
      // Leaving a Finally body through Gosub is allowed, since it comes back.
      {"try\n  a := 1\nfinally\n  Gosub s\ns:\nReturn",
       "1try related=3finally; 2x parent=1try; 3finally related=6return; 4gosub parent=3finally related=6return label=s"},
  };
  expect_links(cases);
}

TEST(BlockPass, BreakAndContinueTargets) {
  const Case cases[] = {
      {"Loop\n  Loop\n    break 2", "1loop related=exit; 2loop parent=1loop related=exit; 3break parent=2loop related=1loop"},
      {"outer:\nLoop {\n  Loop {\n    if x\n      continue outer\n  }\n}",
       "2loop related=exit; 2{ parent=2loop related=exit; 3loop parent=2{ related=7}; 3{ parent=3loop related=7}; "
       "4if parent=3{ related=6}; 5continue parent=4if related=2loop; 6} parent=3{; 7} parent=2{"},
      // Naming the innermost loop, by label or by count, is the plain form.
      {"L:\nLoop {\n  break L\n}", "2loop related=exit; 2{ parent=2loop related=exit; 3break parent=2{; 4} parent=2{"},
      {"Loop\n  Loop\n    if x\n      break +1",
       "1loop related=exit; 2loop parent=1loop related=exit; 3if parent=2loop related=exit; 4break parent=3if"},
      {"Loop\n  While x\n    BreakIf y, 2",
       "1loop related=exit; 2while parent=1loop related=exit; 3breakif parent=2while related=1loop"},
      {"Loop\n  Loop\n    ContinueIf y, %n%", "1loop related=exit; 2loop parent=1loop related=exit; 3continueif parent=2loop"},
  };
  expect_links(cases);
}

TEST(BlockPass, LabelParameters) {
  const Case cases[] = {
      {"OnExit, bye\nGroupAdd, G, orv_class X,, bye\nbye:\nExitApp", "1onexit label=bye; 2groupadd label=bye"},
      {"SetTimer, tick, 100\nSetTimer, f, Off\nSetTimer, %n%, Delete\nf() {\n}\ntick:\nReturn",
       "1settimer label=tick; 4{ related=7return; 5} parent=4{"},
      {"Hotkey, ^a, go\nHotkey, ^b, Off\nHotkey, IfWinActive, T\ngo:\nReturn", "1hotkey label=go"},
      // Hotkey, If names an #If expression by its exact text, or none.
      {"#If ready\n^a::Return\n#If\nHotkey, If, ready\nHotkey, If", ""},
  };
  expect_links(cases);
}

// With the closing Exit lines every body has a line; without them the
// script can end where a body is due.
TEST(BlockPass, BodyMissingAtTheEnd) {
  ScriptProgram program;
  program.source_files.push_back(u"S");
  LineParser parser(program);
  program.current_line_number = 1;
  ASSERT_TRUE(parser.parse_line(u"x := 1"));
  program.current_line_number = 2;
  ASSERT_TRUE(parser.parse_line(u"Loop"));
  ErrorCapture capture;
  EXPECT_FALSE(resolve_blocks(program));
  EXPECT_EQ(capture.take(), "S (2) : ==> The script ends where a line was expected.\n     Specifically: Loop\n");
}

// Nesting is bounded where the script is read, for blocks and one-line
// bodies alike: kMaxNesting constructs may enclose a line, one more may not.
TEST(BlockPass, NestingDepthIsBounded) {
  struct Nest {
    const char* open;
    const char* close;
  };
  const Nest nests[] = {{"{\n", "}\n"}, {"if x\n", ""}, {"Loop\n", ""}, {"Try\n", ""}, {"if x\n{\n", "}\n"}};
  for (const Nest& n : nests) {
    for (int extra : {0, 1}) {
      // The depth of the innermost line is the number of openings around it
      // (an if with a block counts twice).
      int per = std::string(n.open).find('{') != std::string::npos && n.open[0] != '{' ? 2 : 1;
      int openings = kMaxNesting / per + extra;
      std::string text;
      for (int i = 0; i < openings; ++i) text += n.open;
      text += "x := 1\n";
      for (int i = 0; i < openings; ++i) text += n.close;
      std::string result = linked(text);
      bool failed = result.rfind("failed: ", 0) == 0;
      EXPECT_EQ(failed, extra == 1) << n.open << " nested " << openings << " times";
      if (extra) {
        EXPECT_NE(result.find("==> This line is nested too deep."), std::string::npos) << result.substr(0, 200);
      }
    }
  }
}

}  // namespace
}  // namespace orv
