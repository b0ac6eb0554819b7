#include "startup/dll_import_directive.h"

#include <algorithm>
#include <vector>

#include "base/messages.h"
#include "objects/dll_import.h"
#include "platform/native_calls.h"
#include "platform/platform.h"
#include "runtime/builtin_functions.h"
#include "runtime/builtin_vars.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/numbers.h"
#include "runtime/process_state.h"
#include "runtime/script_program.h"
#include "runtime/variable_list.h"

namespace orv {

namespace {

String folder_of(const String& path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == String::npos ? String() : path.substr(0, slash);
}

// The few references a target may hold, which name where a library is
// likely to be; false for any other "%".
bool expand_references(StringView text, String& out) {
  const String exe = platform::executable_path();
  const String exe_dir = folder_of(exe);
  // Longest first, so that %A_AppData% does not take %A_AppDataCommon%.
  const struct {
    StringView name;
    String value;
  } refs[] = {
      {u"%A_AppDataCommon%", builtin_variable_text(u"A_AppDataCommon")},
      {u"%A_AppData%", builtin_variable_text(u"A_AppData")},
      {u"%A_ScriptDir%", g_process.script_dir},
      {u"%A_OrvPath%", exe_dir + u"\\Orvanta.exe"},
      {u"%A_OrvDir%", exe_dir},
      {u"%A_DllPath%", exe},
      {u"%A_DllDir%", exe_dir},
  };
  out.clear();
  for (size_t i = 0; i < text.size();) {
    if (text[i] != u'%') {
      out.push_back(text[i++]);
      continue;
    }
    bool matched = false;
    for (const auto& r : refs) {
      if (starts_with_ignore_case(text.substr(i), r.name)) {
        out += r.value;
        i += r.name.size();
        matched = true;
        break;
      }
    }
    if (!matched) return false;
  }
  return true;
}


// Hexadecimal digits, optionally "digits:digits": machine code. The code is
// the part after the colon when there is one.
bool is_machine_code(StringView target, StringView& code) {
  target = trim(target);
  size_t colon = target.find(u':');
  StringView before = target.substr(0, colon);
  StringView after = colon == StringView::npos ? StringView() : target.substr(colon + 1);
  if (before.empty() || (colon != StringView::npos && after.empty())) return false;
  for (StringView part : {before, after})
    for (char16_t c : part)
      if (hex_digit_value(c) < 0) return false;
  code = colon == StringView::npos ? before : after;
  return true;
}

std::vector<StringView> split_at(StringView text, char16_t delimiter) {
  std::vector<StringView> items;
  for (;;) {
    size_t comma = text.find(delimiter);
    items.push_back(trim(text.substr(0, comma)));
    if (comma == StringView::npos) return items;
    text = text.substr(comma + 1);
  }
}

}  // namespace

DirectiveOutcome define_dll_import(ScriptProgram& program, StringView arg, StringView line) {
  auto fail = [&](StringView message) {
    (void)load_error(program, message, line);
    return DirectiveOutcome::Failed;
  };
  const char16_t delimiter = program.syntax.delimiter;
  size_t comma = arg.find(delimiter);
  StringView name = trim(arg.substr(0, comma));
  if (comma == StringView::npos) return fail(message(Msg::ParamRequired2));
  if (name.size() > kMaxNameLength) return fail(message(Msg::FuncNameTooLong));
  if (!is_valid_var_name(name))
    return fail(illegal_name_message(NameKind::Function, name));
  size_t at = 0;
  if (find_defined_function(program, name, &at)) return fail(message(Msg::DuplicateFunction));

  StringView rest = arg.substr(comma + 1);
  size_t target_end = rest.find(delimiter);
  String target;
  if (!expand_references(trim(rest.substr(0, target_end)), target))
    return fail(message(Msg::DllImportReferenceNotAllowed));

  // Parameter types, their defaults, and the return type.
  DllImportDef* def = program.pool.make<DllImportDef>();
  std::vector<DllImportParam> params;
  if (target_end != StringView::npos) {
    std::vector<StringView> items = split_at(rest.substr(target_end + 1), delimiter);
    if (items.size() == 1 && items[0].empty()) return fail(message(Msg::ParamRequired3));
    if (items.size() % 2) {
      StringView type = items.back();
      items.pop_back();
      if (starts_with_ignore_case(type, u"CDecl")) type = trim(type.substr(5));
      if (!type.empty() && !parse_dll_type(type, def->return_type)) return DirectiveOutcome::NotDirective;
    }
    for (size_t i = 0; i < items.size(); i += 2) {
      DllImportParam p;
      if (!parse_dll_type(items[i], p.type)) return DirectiveOutcome::NotDirective;
      StringView value = items[i + 1];
      if (p.type.is_text()) p.text = program.pool.copy(value);
      else if (p.type.is_float()) p.number = text_to_double(value);
      else p.integer = text_to_int(value);
      params.push_back(p);
    }
  }

  StringView code;
  if (is_machine_code(target, code)) {
    if (code.size() % 2) return fail(message(Msg::ParamInvalid2));
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < code.size(); i += 2) bytes.push_back(uint8_t(hex_digit_value(code[i]) * 16 + hex_digit_value(code[i + 1])));
    def->address = platform::place_code(bytes.data(), bytes.size());
    if (!def->address) return fail(message(Msg::DllImportMemoryFailed));
  } else if (numeric_type_of(target, NumericIntegerOnly) == NumType::Integer) {
    def->address = reinterpret_cast<void*>(uintptr_t(text_to_int(target)));
  } else {
    void* loaded = nullptr;
    if (platform::find_native_function(target.data(), target.size(), def->address, loaded) != platform::NativeLookup::Found)
      return fail(message(Msg::CallToMissingFunction));
    // The function's own reference to its library, for as long as the program runs.
    def->library = loaded ? loaded : platform::hold_library_of(def->address);
  }

  if (!params.empty()) {
    auto* copy = static_cast<DllImportParam*>(program.pool.allocate(sizeof(DllImportParam) * params.size(), alignof(DllImportParam)));
    std::copy(params.begin(), params.end(), copy);
    def->params = copy;
    def->param_count = int(params.size());
  }
  Func* f = add_script_function(program, name, at);
  f->kind = FuncKind::Builtin;
  f->routine = builtin_dll_import_call;
  f->min_params = 0;
  f->max_params = def->param_count;
  f->dll_import = def;
  return DirectiveOutcome::Handled;
}

}  // namespace orv
