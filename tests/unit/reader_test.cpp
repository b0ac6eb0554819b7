// The script reader seen from outside: physical text in, logical lines (with
// the number of the physical line that began each) out, and the load errors
// it reports. Most cases are tables; each row is one behaviour.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/base64.h"
#include "base/packed_data.h"
#include "load_support.h"
#include "parser/line_parser.h"
#include "runtime/process_state.h"
#include "startup/script_reader.h"
#include "base/text_source.h"

namespace orv {
namespace {

String u16(std::string_view s) { return utf8_to_utf16(s); }

// Control characters made visible, so that expected joins read plainly.
std::string shown(StringView s) {
  std::string out;
  for (char c : utf16_to_utf8(s)) {
    if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

struct Reading {
  std::string lines;   // "N:text" per logical line
  std::string errors;  // what the error reporter printed
};

using Setup = std::function<void(ScriptProgram&)>;

Reading read_source(TextSource& source, const Setup& setup = {}) {
  ScriptProgram program;
  program.source_files.push_back(u"S");
  if (setup) setup(program);
  LineParser parser(program);
  ScriptReader reader(program, parser);
  reader.begin(source);
  ErrorCapture capture;
  Reading r;
  String line;
  uint32_t number = 0;
  Result error = ResultDone;
  while (reader.next_logical_line(line, number, error) && error)
    r.lines += std::to_string(number) + ":" + shown(line) + "\n";
  if (!error) r.lines += "error\n";
  r.errors = capture.take();
  return r;
}

Reading read_text(std::string_view text, const Setup& setup = {}) {
  TextSource source;
  source.open_text(u16(text));
  return read_source(source, setup);
}

struct LineCase {
  const char* text;
  const char* lines;  // "N:text" lines, each ending in "\n"
};

void expect_lines(const LineCase* begin, const LineCase* end, const Setup& setup = {}) {
  for (const LineCase* c = begin; c != end; ++c) {
    Reading r = read_text(c->text, setup);
    EXPECT_EQ(r.lines, c->lines) << "text: " << c->text;
    EXPECT_EQ(r.errors, "") << "text: " << c->text;
  }
}

template <size_t N>
void expect_lines(const LineCase (&cases)[N], const Setup& setup = {}) {
  expect_lines(cases, cases + N, setup);
}

TEST(ReaderComments, PhysicalLines) {
  const LineCase cases[] = {
      {"  a b \t", "1:a b\n"},
      {"a ; note", "1:a\n"},
      {"a\t; note", "1:a\n"},
      {"; whole line\nb", "2:b\n"},
      {" \t; indented\nb", "2:b\n"},
      {"a;b", "1:a;b\n"},                       // flag touching text is literal
      {"a `; b", "1:a ; b\n"},                  // escaped flag: the escape goes
      {"a `;b ; c", "1:a ;b\n"},                // and the search goes on
      {"a `; b `; c ; d", "1:a ; b ; c\n"},
      {"a\r\nb\r\n", "1:a\n2:b\n"},
      {"\n\n  \n\tx", "4:x\n"},
  };
  expect_lines(cases);
}

TEST(ReaderComments, BlockComments) {
  const LineCase cases[] = {
      {"/*\nx\n*/\ny", "4:y\n"},
      {"  /* indented\nx\n  */ \ny", "4:y\n"},
      {"/* a\nb */ c\n*/ d\ne", "3:d\n4:e\n"},  // only a line beginning "*/" ends it
      {"/*\n*/ ; comment\ny", "3:y\n"},
      {"/*\n*/;comment\ny", "3:y\n"},           // the rest is read as a line of its own
      {"/*\nnever closed\nx", ""},
      {"x /* not a comment", "1:x /* not a comment\n"},
      {"*/ x", "1:x\n"},                        // outside a block "*/" is dropped
      {"*/::Send", "1:*/::Send\n"},             // ...but not from a hotkey
      {"; /*\nx", "2:x\n"},                     // a commented-out opener opens nothing
      {"a\n/*\n. b\n*/\n. c", "1:a . c\n"},     // skipped between continuation lines
  };
  expect_lines(cases);
}

TEST(ReaderComments, CommentFlagDirective) {
  const LineCase cases[] = {
      {"#CommentFlag //\nx // c\n// y\nz;w ; v", "1:#CommentFlag //\n2:x\n4:z;w ; v\n"},
      // It governs the line right after it, although the reader looks ahead.
      {"x\n#CommentFlag //\n// c\ny", "1:x\n2:#CommentFlag //\n4:y\n"},
      {"#CommentFlag //\n; not a comment", "1:#CommentFlag //\n2:; not a comment\n"},
      {"#commentflag, //\n// c\ny", "1:#commentflag, //\n3:y\n"},
      {"#CommentFlag //\nx `// y", "1:#CommentFlag //\n2:x // y\n"},
  };
  expect_lines(cases);
}

TEST(ReaderContinuation, LinesThatContinue) {
  const LineCase cases[] = {
      {"a\n< b", "1:a < b\n"},   {"a\n> b", "1:a > b\n"},   {"a\n= b", "1:a = b\n"},
      {"a\n/ b", "1:a / b\n"},   {"a\n| b", "1:a | b\n"},   {"a\n^ b", "1:a ^ b\n"},
      {"a\n: b", "1:a : b\n"},   {"a\n. b", "1:a . b\n"},   {"a\n+ b", "1:a + b\n"},
      {"a\n- b", "1:a - b\n"},   {"a\n* b", "1:a * b\n"},   {"a\n& b", "1:a & b\n"},
      {"a\n! b", "1:a ! b\n"},   {"a\n? b", "1:a ? b\n"},   {"a\n~ b", "1:a ~ b\n"},
      {"a\n, b", "1:a, b\n"},                      // no space before a comma
      {"a\nand b", "1:a and b\n"},  {"a\nOR\tb", "1:a OR\\tb\n"},  {"a\nAnd (b)", "1:a And (b)\n"},
      {"a\n. b\n, c\n|| d\ne", "1:a . b, c || d\n5:e\n"},
      {"a\n\n; note\n  \n. b", "1:a . b\n"},      // blank and comment lines between
      {"a\n, b:", "1:a, b:\n"},                    // a trailing colon after a comma
      {"a\n, a::b", "1:a, a::b\n"},               // a comma line with "::" but no hotkey
      {"a\n? \"x::y\" : z", "1:a ? \"x::y\" : z\n"},  // "::" inside a quoted string
      {"a\n:_:\"x::y\"", "1:a :_:\"x::y\"\n"},     // "_" is no hotstring option
  };
  expect_lines(cases);
}

TEST(ReaderContinuation, LinesThatBeginANewLogicalLine) {
  const LineCase cases[] = {
      {"a\n++b", "1:a\n2:++b\n"},
      {"a\n--b", "1:a\n2:--b\n"},
      {"a\n::abc::def", "1:a\n2:::abc::def\n"},
      {"a\nand := 1", "1:a\n2:and := 1\n"},
      {"a\nor  = 1", "1:a\n2:or  = 1\n"},
      {"a\nand\t, b", "1:a\n2:and\\t, b\n"},
      {"a\nandb", "1:a\n2:andb\n"},
      {"a\nand", "1:a\n2:and\n"},
      {"a\n+label:", "1:a\n2:+label:\n"},           // ends with ":"
      {"a\n+a::Send x", "1:a\n2:+a::Send x\n"},    // a hotkey
      {"a\n^\"::x", "1:a\n2:^\"::x\n"},             // quote before "::" and none after
      {"a\n:*?:\"x::\"y", "1:a\n2::*?:\"x::\"y\n"}, // hotstring options
      {"a\n: B0 -:\"x::\"y", "1:a\n2:: B0 -:\"x::\"y\n"},
      {"a\n,::x", "1:a\n2:,::x\n"},                 // the comma key as a hotkey
      {"a\n, \t::x", "1:a\n2:, \\t::x\n"},
      {"a\n, & b::x", "1:a\n2:, & b::x\n"},
      {"a\nb", "1:a\n2:b\n"},
  };
  expect_lines(cases);
}

TEST(ReaderSections, OptionsAndJoins) {
  const LineCase cases[] = {
      {"x\n(\na\nb\n)", "1:xa\\nb\n"},
      {"x\n(\n  a  \n)", "1:x  a\n"},                       // RTrim on, LTrim off
      {"x\n( LTrim\n  a\n\tb\n)", "1:xa\\nb\n"},
      {"x\n(ltrim0\n  a\n)", "1:x  a\n"},
      {"x\n( RTrim0\na  \n)", "1:xa  \n"},
      {"x\n(\na\n\nb\n)", "1:xa\\n\\nb\n"},                  // empty lines are kept
      {"x\n( Join\na\nb\n)", "1:xab\n"},
      {"x\n( Join|\na\nb\nc\n)", "1:xa|b|c\n"},
      {"x\n( join`t\na\nb\n)", "1:xa\\tb\n"},
      {"x\n( Join`r`n\na\nb\n)", "1:xa\r\\nb\n"},
      {"x\n( Join0123456789ABCDEFGH\na\nb\n)", "1:xa0123456789ABCDEb\n"},  // 15 at most
      {"x\n(\na,b\n)", "1:xa`,b\n"},                         // commas escaped by default
      {"x\n( ,\na,b\n)", "1:xa,b\n"},
      {"x\n( %\n100%\n)", "1:x100`%\n"},
      {"x\n( `\na`tb\n)", "1:xa``tb\n"},
      {"x\n( %`,\na`,%\n)", "1:xa``,`%\n"},                  // one word, every letter counts
      {"x\n( Join, LTrim\n  a\n  b\n)", "1:xa,b\n"},
      {"x\n(\n  ; not a comment\n)", "1:x  ; not a comment\n"},
      {"x\n(\nabc `; d\n)", "1:xabc `; d\n"},               // untouched without comments
      {"x\n( C\na ; c\n  ; whole\nb\n)", "1:xa\\nb\n"},
      {"x\n( Comments\na `; b\n)", "1:xa ; b\n"},
      {"x\n( c RTrim0\na  ; c\n)", "1:xa  \n"},              // comments cut, no trim
      {"x\n(\na\n)  ", "1:xa\n"},
      {"x\n(\na\n) . y  ", "1:xa . y\n"},                    // closing text appended as is
      {"x\n(\na\n  ) ; note", "1:xa\n"},
      {"x\n( C\na\n  )z ; note", "1:xaz\n"},
      {"x\n(\na\n)\n. y", "1:xa . y\n"},                     // more may follow
      {"x\n(\na\n)\n(\nb\n)", "1:xab\n"},
      {"x\n(\na\n)\ny", "1:xa\n5:y\n"},
      {"(\na\n)", "1:(\n2:a\n3:)\n"},                        // nothing before it to join
  };
  expect_lines(cases);
}

TEST(ReaderSections, LinesThatDoNotOpenASection) {
  const LineCase cases[] = {
      {"x\n(:", "1:x\n2:(:\n"},
      {"x\n(a:", "1:x\n2:(a:\n"},
      {"x\n( Join ) y\n)", "1:x\n2:( Join ) y\n3:)\n"},
  };
  expect_lines(cases);
}

TEST(ReaderSections, LTrimDirectiveSetsTheDefault) {
  const LineCase cases[] = {
      {"x\n(\n  a\n)", "1:xa\n"},
      {"x\n( LTrim0\n  a\n)", "1:x  a\n"},
  };
  expect_lines(cases, [](ScriptProgram& p) { p.syntax.ltrim_sections = true; });
}

TEST(ReaderSections, MissingClosingParenthesis) {
  Reading r = read_text("y\nx\n(\na\n\nb");
  EXPECT_EQ(r.lines, "1:y\nerror\n");
  EXPECT_EQ(r.errors, "S (2) : ==> Missing \")\"\n     Specifically: xa\n\nb\n");
}

std::string repeat(char c, size_t n) { return std::string(n, c); }

TEST(ReaderLimits, LogicalLineLength) {
  // A section may fill the logical line to 16384 characters; continuation
  // lines to one less.
  struct Case {
    std::string text;
    bool fits;
  };
  const Case cases[] = {
      {"x\n(\n" + repeat('a', 16383) + "\n)", true},
      {"x\n(\n" + repeat('a', 16384) + "\n)", false},
      {"x\n( Join\n" + repeat('a', 10000) + "\n" + repeat('b', 6383) + "\n)", true},
      {"x\n( Join\n" + repeat('a', 10000) + "\n" + repeat('b', 6384) + "\n)", false},
      {"x\n( Join\n" + repeat('a', 10000) + "\n)" + repeat('b', 6384), false},  // closing text
      {repeat('a', 8000) + "\n." + repeat('b', 8381), true},
      {repeat('a', 8000) + "\n." + repeat('b', 8382), false},
      {repeat('a', 8000) + "\n," + repeat('b', 8382), true},
  };
  for (const Case& c : cases) {
    Reading r = read_text(c.text);
    if (c.fits) {
      EXPECT_EQ(r.errors, "") << c.text.size();
      EXPECT_EQ(r.lines.substr(0, 2), "1:");
    } else {
      EXPECT_EQ(r.lines, "error\n") << c.text.size();
      EXPECT_NE(r.errors.find("S (1) : ==> Continuation section too long.\n"), std::string::npos) << r.errors.substr(0, 80);
    }
  }
}

TEST(ReaderLimits, LongPhysicalLines) {
  // A line longer than 16384 characters comes in pieces, each counted as a
  // line; a line end after a full-length line is still a line end.
  struct Case {
    std::string text;
    std::string lines;
  };
  const Case cases[] = {
      {repeat('a', 16383) + "\r\nb", "1:" + repeat('a', 16383) + "\n2:b\n"},
      {repeat('a', 16384) + "\r\nb", "1:" + repeat('a', 16384) + "\n2:b\n"},
      {repeat('a', 16384) + "\nb", "1:" + repeat('a', 16384) + "\n2:b\n"},
      {repeat('a', 16385) + "\r\nb", "1:" + repeat('a', 16384) + "\n2:a\n3:b\n"},
  };
  for (const Case& c : cases) {
    Reading r = read_text(c.text);
    EXPECT_EQ(r.lines, c.lines) << c.text.size();
  }
}

// --- decoding and packed lines -------------------------------------------------------------

std::vector<uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }

std::string packed_line(std::string_view text) {
  std::vector<uint8_t> plain = bytes_of(text);
  std::vector<uint8_t> packed = pack_data(plain.data(), plain.size());
  return base64_encode(packed.data(), packed.size());
}

Reading read_bytes(const std::vector<uint8_t>& bytes) {
  TextSource source;
  if (!source.open(bytes.data(), bytes.size())) return {"open failed\n", ""};
  return read_source(source);
}

TEST(ReaderText, Decoding) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* lines;
  };
  const Case cases[] = {
      {"UTF-8", bytes_of("a\xC3\xA9\nb \xF0\x9F\x98\x80"), "1:a\xC3\xA9\n2:b \xF0\x9F\x98\x80\n"},
      {"UTF-8 with BOM", bytes_of("\xEF\xBB\xBFx\r\ny"), "1:x\n2:y\n"},
      {"UTF-16LE with BOM", {0xFF, 0xFE, 'x', 0, 0xE9, 0, '\r', 0, '\n', 0, ';', 0, '\n', 0, 0x3D, 0xD8, 0x00, 0xDE},
       "1:x\xC3\xA9\n3:\xF0\x9F\x98\x80\n"},
      {"UTF-16LE with BOM and an odd byte", {0xFF, 0xFE, 'x', 0, 'y'}, "1:x\n"},
      {"empty", {}, ""},
      {"BOM alone", bytes_of("\xEF\xBB\xBF"), ""},
  };
  for (const Case& c : cases) {
    Reading r = read_bytes(c.bytes);
    EXPECT_EQ(r.lines, c.lines) << c.name;
  }
}

TEST(ReaderText, PackedLines) {
  std::string inner = packed_line("p ; comment\nq");
  std::string damaged_source = packed_line("some text that is long enough to be packed");
  std::vector<uint8_t> damaged;
  ASSERT_TRUE(base64_decode(damaged_source, damaged));
  damaged.back() ^= 0x55;
  std::string bad = base64_encode(damaged.data(), damaged.size());
  const std::string not_packed = "UEsDBxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";  // looks like one, decodes to no packed data

  struct Case {
    std::string text;
    std::string lines;
  };
  const Case cases[] = {
      // Lines from a packed line carry its number.
      {"a\n" + inner + "\nz", "1:a\n2:p\n2:q\n3:z\n"},
      {"a\n" + packed_line("\xEF\xBB\xBFp\r\n. q") + "\n. z", "1:a\n2:p . q . z\n"},
      {packed_line("x\n" + inner + "\ny"), "1:x\n1:p\n1:q\n1:y\n"},  // packed within packed
      {"a\n" + not_packed + "\nz", "1:a\n2:" + not_packed + "\n3:z\n"},
      // Damaged packed data ends the text: half a script must not run.
      {"a\n" + inner.substr(0, inner.size() - 4) + "\nz", "1:a\n"},
      {"a\n" + bad + "\nz", "1:a\n"},
  };
  for (const Case& c : cases) {
    Reading r = read_text(c.text);
    EXPECT_EQ(r.lines, c.lines) << c.text;
  }
}

TEST(ReaderText, PackedResource) {
  std::string text = "\xEF\xBB\xBFx\n. y";
  std::vector<uint8_t> packed = pack_data(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  EXPECT_EQ(read_bytes(packed).lines, "1:x . y\n");
  packed.back() ^= 0x55;
  EXPECT_EQ(read_bytes(packed).lines, "open failed\n");
}

// --- routing ---------------------------------------------------------------------------------

const char* kDefinitionKinds[] = {"function", "class", "property", "get", "set", "vars", "static vars"};

// Everything load() built, one item a line: "N Name(arg|arg)" for each line
// (without the closing Exit lines), then labels, hotkeys, hotstrings and
// definitions.
std::string loaded(std::string_view text, std::string* errors = nullptr) {
  ScriptProgram program;
  std::string printed;
  bool ok = load_text(program, text, printed);
  if (errors) *errors = printed;
  if (!ok) return "failed";
  std::vector<const ScriptLine*> lines;
  for (const ScriptLine* l = program.first_line; l; l = l->next) lines.push_back(l);
  lines.resize(lines.size() - 3);
  std::string out;
  for (const ScriptLine* l : lines) {
    const CommandInfo& info = command_info(l->action);
    out += std::to_string(l->line_number) + " ";
    out += info.name[0] ? utf16_to_utf8(info.name) : "expr";
    for (int i = 0; i < l->arg_count; ++i) {
      out += i ? "|" : "(";
      out += shown(l->arg_text(i));
    }
    out += l->arg_count ? ")\n" : "()\n";
  }
  for (const Label* l : program.labels) out += "label " + shown(l->name) + "\n";
  for (const HotkeyDefinition& h : program.hotkeys) {
    out += "hotkey " + shown(h.hotkey);
    if (!h.criterion.empty()) out += " [" + shown(h.criterion) + "]";
    out += "\n";
  }
  for (const HotstringDefinition& h : program.hotstrings)
    out += "hotstring " + shown(h.options) + "|" + shown(h.abbreviation) + "|" + shown(h.replacement) + "\n";
  for (const DefinitionRecord& d : program.definitions)
    out += std::string("def ") + kDefinitionKinds[int(d.kind)] + " " + std::to_string(d.line_number) + " " + shown(d.text) + "\n";
  return out;
}

struct RoutingCase {
  const char* text;
  const char* built;
};

TEST(ReaderRouting, WhatEachLineBecomes) {
  const RoutingCase cases[] = {
      // A MsgBox text may hold commas; only a numeric last part is a timeout.
      {"MsgBox, 4, T, a, b, 10", "1 MsgBox(4|T|a, b|10)\n"},
      {"MsgBox, 4, T, a, 10", "1 MsgBox(4|T|a|10)\n"},
      {"MsgBox, 4, T, a,b", "1 MsgBox(4|T|a,b)\n"},
      {"MsgBox, Hello, world", "1 MsgBox(Hello, world)\n"},
      {"lbl:\nWinGetActiveStats, T, W, H, X, Y", "2 WinGetTitle(T|A)\n2 WinGetPos(X|Y|W|H|A)\nlabel lbl\n"},
      {"ifequal, x, 1", "1 =(x|1)\n"},
      {"a::b",
       "1 SetKeyDelay(-1)\n1 Send({Blind}{b DownTemp})\n1 Return()\n1 SetKeyDelay(-1)\n1 Send({Blind}{b Up})\n1 Return()\n"
       "label *a\nlabel *a up\nhotkey *a\nhotkey *a up\n"},
      {"^a::Send x", "1 Send(x)\n1 Return()\nlabel ^a\nhotkey ^a\n"},
      {"#IfWinActive Notepad\nx::\nReturn", "3 Return()\nlabel x\nhotkey x [#IfWinActive Notepad]\n"},
      {"::btw::by the way", "hotstring |btw|by the way\n"},
      {":*:btw::\nReturn", "2 Return()\nlabel :*:btw::\nhotstring *|btw|\n"},
      {"lbl:\none: ; note", "label lbl\nlabel one\n"},
      {"f(x)\n{\n}", "1 {()\n3 }()\ndef function 1 f(x)\n"},
      {"f(x) {\n}\nf(1)", "1 {()\n2 }()\n3 expr(f(1))\ndef function 1 f(x)\n"},
      {"Abs(x)\nx := 1", "1 expr(Abs(x))\n2 :=(x|1)\n"},
      {"Class C\n{\n#NoEnv\nx := 1, y\nStatic z\nM() {\n}\nP[k]\n{\nGet {\n}\n}\n}",
       // Static variables become initialisers; instance variables an __Init method.
       "5 Static(C.z := \"\")\n6 {()\n7 }()\n10 {()\n11 }()\n13 {()\n13 expr(this.x := 1, this.y := \"\")\n13 }()\n"
       "def class 1 Class C\ndef vars 4 x := 1, y\ndef static vars 5 Static z\ndef function 6 M()\n"
       "def property 8 P[k]\ndef get 10 Get\ndef function 13 __Init()\n"},
  };
  for (const RoutingCase& c : cases) {
    std::string errors;
    EXPECT_EQ(loaded(c.text, &errors), c.built) << "text: " << c.text;
    EXPECT_EQ(errors, "") << "text: " << c.text;
  }
}

}  // namespace
}  // namespace orv
