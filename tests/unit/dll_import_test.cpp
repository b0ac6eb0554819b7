// #DllImport declarations read into functions: the types, defaults and
// target they keep, and the load error each bad declaration gives. Calling
// such a function needs Windows and is covered by the Wine script tests.
#include <gtest/gtest.h>

#include <string>

#include "objects/dll_types.h"
#include "load_support.h"
#include "objects/dll_import.h"
#include "runtime/func.h"
#include "runtime/function_table.h"

namespace orv {
namespace {

const char* code_name(DllTypeCode c) {
  switch (c) {
    case DllTypeCode::AStr: return "AStr";
    case DllTypeCode::Int: return "Int";
    case DllTypeCode::Short: return "Short";
    case DllTypeCode::Char: return "Char";
    case DllTypeCode::Int64: return "Int64";
    case DllTypeCode::Float: return "Float";
    case DllTypeCode::Double: return "Double";
    case DllTypeCode::Str: return "Str";
    default: return "invalid";
  }
}

std::string type_text(const DllType& t) {
  return std::string(t.is_unsigned ? "U" : "") + code_name(t.code) + (t.by_address ? "*" : "");
}

TEST(DllTypes, Names) {
  const struct {
    const char* name;
    const char* parsed;  // "" when the name is no type
  } cases[] = {
      {"Int", "Int"},       {"int", "Int"},         {"UInt", "UInt"},       {"uint", "UInt"},
      {"Int64", "Int64"},   {"Ptr", "Int64"},       {"UPtr", "UInt64"},     {"Short", "Short"},
      {"Char", "Char"},     {"Float", "Float"},     {"Double", "Double"},   {"Str", "Str"},
      {"WStr", "Str"},      {"AStr", "AStr"},       {"I", "Int"},           {"t", "Int64"},
      {"6", "Int64"},       {"S", "Str"},           {"w", "Str"},           {"A", "AStr"},
      {"H", "Short"},       {"UIntP", "UInt*"},     {"Int *", "Int*"},      {"PtrP", "Int64*"},
      {"Str*", "Str*"},     {"Intp", "Int*"},       {"UI*", "UInt*"},       {"U", ""},
      {"P", ""},            {"*", ""},              {"Long", ""},           {"", ""},
      {"Integer", ""},      {"UU", ""},
      {"Int                             ", ""},  // longer than any type name can be
  };
  for (const auto& c : cases) {
    DllType t;
    bool ok = parse_dll_type(utf8_to_utf16(c.name), t);
    EXPECT_EQ(ok ? type_text(t) : "", c.parsed) << "name: '" << c.name << "'";
  }
}

// What function F became: "params: TYPE=DEFAULT ... -> RETURN" (with
// "script" when a definition replaced it), or the load error's message.
std::string declared(std::string_view text) {
  ScriptProgram program;
  std::string printed;
  if (!load_text(program, text, printed)) {
    size_t arrow = printed.find("==> ");
    size_t end = printed.find('\n', arrow);
    return "error: " + printed.substr(arrow + 4, end - arrow - 4);
  }
  Func* f = find_defined_function(program, u"F", nullptr);
  if (!f) return "no function";
  if (!f->dll_import) return f->kind == FuncKind::Script ? "script" : "other";
  std::string out = "max " + std::to_string(f->max_params) + ":";
  for (int i = 0; i < f->dll_import->param_count; ++i) {
    const DllImportParam& p = f->dll_import->params[i];
    out += " " + type_text(p.type) + "=";
    if (p.type.is_text()) out += utf16_to_utf8(p.text);
    else if (p.type.is_float()) out += std::to_string(p.number).substr(0, 4);
    else out += std::to_string(p.integer);
  }
  return out + " -> " + type_text(f->dll_import->return_type) +
         (f->dll_import->address ? "" : " (no address)");
}

TEST(DllImport, Declarations) {
  const struct {
    const char* script;
    const char* result;
  } cases[] = {
      {"#DllImport F, 0x1000", "max 0: -> Int"},
      {"#DllImport F, 4096, Int, 5, Str, hello, Double, 2.5, UInt64", "max 3: Int=5 Str=hello Double=2.50 -> UInt64"},
      {"#DllImport F, 4096, Ptr, 0x10, CDecl Short", "max 1: Int64=16 -> Short"},
      {"#DllImport F, 4096, CDecl", "max 0: -> Int"},
      {"#DllImport F, 4096, Int, abc", "max 1: Int=0 -> Int"},
      {"#DllImport F, 4096, Int,", "max 1: Int=0 -> Int"},
      // Hexadecimal digits are machine code, put in executable memory.
      {"#DllImport F, C3", "max 0: -> Int"},
      {"#DllImport F, 10:C3C3, Int, 1", "max 1: Int=1 -> Int"},
      // A definition of the same name replaces the declaration.
      {"#DllImport F, 0x1000\nF() {\n}", "script"},
      {"#DllImport F", "error: Parameter #2 required"},
      {"#DllImport F, 0x1000,", "error: Parameter #3 required"},
      {"#DllImport F, 0x1000\n#DllImport F, 0x2000", "error: Duplicate function definition."},
      {"F() {\n}\n#DllImport F, 0x1000", "error: Duplicate function definition."},
      {"#DllImport F-G, 0x1000", "error: The following function name contains an illegal character:"},
      {"#DllImport F, %A_Temp%\\x.dll\\G",
       "error: Reference not allowed here, use & where possible. Only %A_OrvPath% %A_OrvDir% %A_DllPath% "
       "%A_DllDir% %A_ScriptDir% %A_AppData[Common]% can be used here."},
      {"#DllImport F, ABC", "error: Parameter #2 invalid."},
      {"#DllImport F, kernel32\\GetTickCount", "error: Call to nonexistent function."},
      // An unknown type leaves the line to be read as a command, which it is not.
      {"#DllImport F, 0x1000, Long, 1", "error: This line does not contain a recognized action."},
  };
  for (const auto& c : cases) EXPECT_EQ(declared(c.script), c.result) << "script:\n" << c.script;
}

}  // namespace
}  // namespace orv
