// The expression compiler as a table: expression text in, postfix out.
#include <gtest/gtest.h>

#include "parser/expression_compiler.h"
#include "runtime/script_program.h"
#include "runtime/func.h"
#include "runtime/value.h"
#include "runtime/variable.h"

namespace orv {
namespace {

const char* kSymbolNames[] = {
    "str", "int", "float", "missing", "var", "operand", "obj", "dyn", "begin", "post++", "post--", "member",
    ")", "]", "}", "(", "[", "{", ",", ":=", "+=", "-=", "*=", "/=", "//=", "|=", "^=", "&=", "<<=", ">>=", ".=",
    ":", "?", "||", "&&", "not", "=", "==", "!=", ">", "<", ">=", "<=", ".", "|", "^", "&", "<<", ">>",
    "+", "-", "*", "/", "//", "neg", "!", "~", "addr", "deref", "**", "++pre", "--pre", "call", "new", "~=", "end",
};

// One word per token: operands show their text or variable name, calls the
// function and parameter count, and a link shows as "->N".
std::string dump(const ExprToken* code) {
  std::string out;
  for (const ExprToken* t = code; t->symbol != SymEnd; ++t) {
    if (!out.empty()) out += ' ';
    switch (t->symbol) {
      case SymString: out += '"' + utf16_to_utf8(t->view()) + '"'; break;
      case SymOperand: out += utf16_to_utf8(t->view()); break;
      case SymInteger: out += "#" + std::to_string(t->integer); break;
      case SymVar: out += utf16_to_utf8(t->var->name_view()); break;
      case SymMissing: out += "missing"; break;
      case SymDynamic: out += "dyn:" + utf16_to_utf8(t->view()); break;
      case SymCall: {
        const CallRecord* c = t->call;
        std::string name = c->func ? utf16_to_utf8(c->func->name) : utf16_to_utf8(StringView(c->position, c->name_length));
        out += name + "/" + std::to_string(c->param_count) + (c->kind == CallVariadic ? "*" : "");
        break;
      }
      default: out += kSymbolNames[t->symbol]; break;
    }
    if (t->link && t->symbol != SymDynamic) out += "->" + std::to_string(t->link - code);
  }
  return out;
}

struct Case {
  const char* text;
  const char* postfix;
};

class CompilerTest : public ::testing::TestWithParam<Case> {};

TEST_P(CompilerTest, CompilesToPostfix) {
  ScriptProgram program;
  g_script = &program;
  String text = utf8_to_utf16(GetParam().text);
  std::vector<bool> escaped(text.size(), false);
  ExprToken* code = nullptr;
  ASSERT_TRUE(compile_expression(program, {text, &escaped}, &code)) << GetParam().text;
  EXPECT_EQ(dump(code), GetParam().postfix) << GetParam().text;
  g_script = nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompilerTest,
    ::testing::Values(
        // Precedence and grouping.
        Case{"1 + 2 * 3", "1 2 3 * +"}, Case{"(1 + 2) * 3", "1 2 + 3 *"}, Case{"a - b - c", "a b - c -"},
        Case{"a := b := 1", "a b 1 := :="}, Case{"2 ** 3 ** 2", "2 3 ** 2 **"}, Case{"-2 ** 2", "2 2 ** neg"},
        Case{"2 ** -1", "2 -1 **"}, Case{"2 ** -x", "2 x neg **"}, Case{"!a = b", "a ! b ="},
        Case{"not a = b", "a b = not"}, Case{"a . b + 1", "a b 1 + ."}, Case{"a << 1 + 2", "a 1 2 + <<"},
        Case{"a & b | c ^ d", "a b & c d ^ |"},
        // Implicit concatenation and literals.
        Case{"\"a\" \"b\"", "\"a\" \"b\" ."}, Case{"a b", "a b ."}, Case{"a (b)", "a b ."},
        Case{"\"a\" -1", "\"a\" -1 ."}, Case{"\"x\"\"y\"", "\"x\"y\""}, Case{"x := 007", "x 007 :="},
        Case{"True + False", "#1 #0 +"}, Case{"A_Index", "A_Index"},
        // Short-circuit links point at their operator.
        Case{"a || b", "a->2 b ||"}, Case{"a && b || c", "a->2 b &&->4 c ||"},
        Case{"a ? b : c", "a->2 b ?->4 c :"}, Case{"a and b or c", "a->2 b &&->4 c ||"},
        // Increments.
        Case{"x++", "x post++"}, Case{"++x", "x ++pre"}, Case{"x-- + 1", "x post-- 1 +"},
        // Calls and object syntax; member names are operands, so x.1 is the integer key 1.
        Case{"f(1, 2)", "1 2 f/2"}, Case{"f()", "f/0"}, Case{"f(1,,3)", "1 missing 3 f/3"}, Case{"f(a*)", "a f/1*"},
        Case{"a(b)", "b a/1"}, Case{"x.y", "x y <member get>/2"},
        Case{"a.b[1]", "a b 1 <member get>/3"}, Case{"x[1, 2]", "x 1 2 <member get>/3"},
        Case{"x.y(1)", "x y 1 <member call>/3"}, Case{"x.y := 5", "x y 5 <member set>/3"},
        Case{"obj.count += 1", "obj count <member get with count>/2 1 + <member set>/3"},
        Case{"x.y++", "x y <post-increment>/2"}, Case{"++x.y", "x y <pre-increment>/2"},
        Case{"[1, 2]", "1 2 Array/2"}, Case{"{a: 1, \"b\": 2}", "\"a\" 1 \"b\" 2 Object/4"},
        Case{"new Foo(1)", "Foo 1 <new>/2"}, Case{"new Foo", "Foo <new>/1"},
        Case{"x[1](2)", "x 1 2 <member call>/3"}, Case{"a ~= b", "a b RegExMatch/2"},
        // Assignment after a comma.
        Case{"x := a = 1, b = 2", "x a 1 = := b 2 := ,"}));

struct ErrorCase {
  const char* text;
  const char* message;
};

class CompilerErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CompilerErrorTest, ReportsLoadError) {
  ScriptProgram program;
  g_script = &program;
  g_process.error_stdout = true;
  String text = utf8_to_utf16(GetParam().text);
  std::vector<bool> escaped(text.size(), false);
  ExprToken* code = nullptr;
  testing::internal::CaptureStdout();
  bool ok = compile_expression(program, {text, &escaped}, &code);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(ok) << GetParam().text;
  EXPECT_NE(out.find(std::string("==> ") + GetParam().message + "\n"), std::string::npos) << out;
  g_process.error_stdout = false;
  g_script = nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompilerErrorTest,
    ::testing::Values(ErrorCase{"\"abc", "Missing close-quote"}, ErrorCase{"(1", "Missing \")\""},
                      ErrorCase{"[1", "Missing \"]\""}, ErrorCase{"x)", "Unexpected \")\""},
                      ErrorCase{"f(1,)", "Blank parameter"}, ErrorCase{"{1, 2}", "Missing \"key:\" in object literal."},
                      ErrorCase{"{a#b: 1}", "Quote marks are required around this key."},
                      ErrorCase{"1 : 2", "A \":\" is missing its \"?\""}, ErrorCase{"(a ? b : c", "Missing \")\""},
                      ErrorCase{"a .b", "Ambiguous or invalid use of \".\""},
                      ErrorCase{"a 'b", "The leftmost character above is illegal in an expression."},
                      ErrorCase{"x {", "Unexpected \"{\""}, ErrorCase{"1 +", "Missing operand."},
                      // An assignment to a member right after another one.
                      ErrorCase{"a.y := := 1", "Missing operand."}, ErrorCase{"x := a[1] := := 2", "Missing operand."},
                      ErrorCase{"a.y += .= 1", "Missing operand."}));

}  // namespace
}  // namespace orv
