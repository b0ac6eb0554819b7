// DllCall(Function, Type1, Arg1, ..., [ReturnType]) and the call machinery
// it shares with DynaCall and #DllImport.
#include "objects/dll_call.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "objects/dll_values.h"
#include "platform/native_calls.h"
#include "platform/platform.h"
#include "runtime/builtin_functions.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/numbers.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

// A variable the callee may write into: a plain one that holds no object.
Variable* writable_variable(const ExprToken& token) {
  if (token.symbol != SymVar) return nullptr;
  Variable& v = token.var->target();
  if (v.type != VarType::Normal || (v.attributes & AttrObject)) return nullptr;
  return &v;
}

// A number written or computed as one: a quoted "5" is text and passes.
bool is_number_token(const ExprToken& token) {
  if (token.symbol == SymOperand) return token_numeric_type(token) != NumType::NotNumeric;
  return token.symbol == SymInteger || token.symbol == SymFloat;
}

// What one argument needs beyond its slot: the copy its text lives in while
// the call runs, and the variable to write back to.
struct ArgState {
  DllType type;
  Variable* var = nullptr;
  std::u16string wide;  // a Str argument that is no variable: a copy, never the script's constant
  std::string ansi;     // an AStr argument's ANSI copy
};

String wide_text_at(const char16_t* p) {
  if (!p) return String();
  size_t n = 0;
  while (p[n]) ++n;
  return String(p, n);
}

String ansi_text_at(const char* p) {
  String out;
  if (!p || !*p) return out;
  (void)platform::code_page_to_text(std::string_view(p, std::strlen(p)), 0, out);
  return out;
}

// Puts one argument in its slot (the value, or for "*" types the value the
// slot's address will point at). False for a number given as text type.
bool marshal(ArgState& state, const ExprToken& token, uint64_t& value) {
  const DllType type = state.type;
  value = 0;
  const bool missing = token.symbol == SymMissing;
  switch (type.code) {
    case DllTypeCode::Str: {
      if (is_number_token(token)) return false;
      if (Variable* v = writable_variable(token)) {
        (void)v->view();  // the text of a number, before the buffer is handed out
        v->disable_caching();
        state.var = v;
        value = uint64_t(reinterpret_cast<uintptr_t>(v->text));
        return true;
      }
      char16_t buf[256];
      StringView text = missing ? StringView() : token_to_text(token, buf);
      state.wide.assign(text.data() ? text.data() : u"", text.size());
      value = uint64_t(reinterpret_cast<uintptr_t>(state.wide.c_str()));
      return true;
    }
    case DllTypeCode::AStr: {
      if (is_number_token(token)) return false;
      char16_t buf[256];
      StringView text = missing ? StringView() : token_to_text(token, buf);
      (void)platform::text_to_code_page(text, 0, state.ansi);
      size_t room = state.ansi.size() + 1;
      if (Variable* v = writable_variable(token)) {
        state.var = v;
        // The callee may fill the variable's whole capacity.
        if (v->capacity_bytes > room) room = v->capacity_bytes;
      }
      state.ansi.resize(room, '\0');
      value = uint64_t(reinterpret_cast<uintptr_t>(state.ansi.data()));
      return true;
    }
    case DllTypeCode::Float:
    case DllTypeCode::Double:
      state.var = type.by_address ? writable_variable(token) : nullptr;
      value = float_slot(missing || token_object(token) ? 0.0 : token_to_double(token), type.code);
      return true;
    default: {
      state.var = type.by_address ? writable_variable(token) : nullptr;
      if (missing) return true;
      uint64_t unsigned_value = 0;
      char16_t buf[256];
      bool is_text = token.symbol == SymString || token.symbol == SymOperand ||
                     (token.symbol == SymVar && !(token.var->target().attributes & (AttrHasInt | AttrHasDouble)));
      if (type.code == DllTypeCode::Int64 && type.is_unsigned && is_text && !token_object(token) &&
          parse_unsigned_text(token_to_text(token, buf), unsigned_value))
        value = unsigned_value;
      else
        value = uint64_t(token_to_int(token));
      return true;
    }
  }
}

// After the call: what the callee left in variables goes back into them.
Result write_back(ArgState& state, uint64_t slot) {
  Variable* v = state.var;
  if (!v) return ResultDone;
  switch (state.type.code) {
    case DllTypeCode::Str:
      if (v->text != g_empty_text) v->set_length_after_write();
      return ResultDone;
    case DllTypeCode::AStr: {
      state.ansi.back() = '\0';
      String text = ansi_text_at(state.ansi.data());
      return v->assign(text);
    }
    case DllTypeCode::Float:
    case DllTypeCode::Double:
      return v->assign_double(narrow_float(slot, state.type.code));
    default:
      return v->assign_int(narrow_integer(slot, state.type));
  }
}

// The return value as the declared type.
Result convert_return(DllType type, uint64_t rax, uint64_t xmm0, ExprToken& result) {
  uint64_t bits = type.is_float() ? xmm0 : rax;
  if (type.by_address) {
    if (!rax) {
      result = empty_token();
      return ResultDone;
    }
    bits = 0;
    std::memcpy(&bits, reinterpret_cast<const void*>(uintptr_t(rax)), size_t(pointed_size(type.code)));
  }
  switch (type.code) {
    case DllTypeCode::Float:
    case DllTypeCode::Double:
      result = double_token(narrow_float(bits, type.code));
      return ResultDone;
    case DllTypeCode::Str:
      return temp_text_token(wide_text_at(reinterpret_cast<const char16_t*>(uintptr_t(bits))), SymString, result);
    case DllTypeCode::AStr:
      return temp_text_token(ansi_text_at(reinterpret_cast<const char*>(uintptr_t(bits))), SymString, result);
    default:
      result = int_token(narrow_integer(bits, type));
      return ResultDone;
  }
}

StringView caller_name(DllCaller caller) { return caller == DllCaller::DllCall ? u"DllCall" : u"DynaCall"; }

}  // namespace

Result report_no_native_code(StringView name) {
  String text = String(message(Msg::TheFunction)) + u" \"" + String(name) + u"\" " + String(message(Msg::NoNativeCode));
  return report_runtime_error(text);
}

Result dll_call_failed(int code, ExprToken& result) {
  result = empty_token();
  return set_error_level(code);
}

bool dll_type_of(const ExprToken& token, DllType& out) {
  char16_t buf[256];
  if (token.symbol == SymMissing) return false;
  if (parse_dll_type(token_to_text(token, buf), out)) return true;
  // DllCall("f", Int, 1) with Int unquoted: the word itself is the type.
  return token.symbol == SymVar && parse_dll_type(token.var->name_view(), out);
}

bool resolve_dll_function(const ExprToken& token, void*& address, void*& loaded_library, int& error) {
  address = nullptr;
  loaded_library = nullptr;
  if (token.symbol == SymMissing || token_object(token)) {
    error = int(DllCallError::BadFunction);
    return false;
  }
  char16_t buf[256];
  NumType numeric = token_numeric_type(token);
  if (token.symbol == SymString) numeric = numeric_type_of(token.view(), NumericIntegerOnly);
  if (numeric == NumType::Float) {
    error = int(DllCallError::BadFunction);
    return false;
  }
  if (numeric == NumType::Integer) {
    address = reinterpret_cast<void*>(uintptr_t(token.symbol == SymString ? text_to_int(token.view()) : token_to_int(token)));
    return true;
  }
  StringView name = token_to_text(token, buf);
  switch (platform::find_native_function(name.data(), name.size(), address, loaded_library)) {
    case platform::NativeLookup::Found: return true;
    case platform::NativeLookup::LibraryMissing: error = int(DllCallError::LibraryMissing); return false;
    default: error = int(DllCallError::FunctionMissing); return false;
  }
}

Result make_dll_call(DllCaller caller, void* address, const DllType* types, ExprToken* args, int count,
                     DllType return_type, ExprToken& result) {
  result = empty_token();
  if (!platform::native_calls_available()) return report_no_native_code(caller_name(caller));
  std::unique_ptr<ArgState[]> states(new ArgState[size_t(count)]);
  std::vector<uint64_t> values(size_t(count) + 1), slots(size_t(count) + 1);
  for (int i = 0; i < count; ++i) {
    states[i].type = types[i];
    if (!marshal(states[i], args[i], values[i])) return dll_call_failed(int(DllCallError::BadType), result);
    // A "*" type passes where its value is, text included (the slot then
    // holds the text's address).
    slots[i] = types[i].by_address ? uint64_t(reinterpret_cast<uintptr_t>(&values[i])) : values[i];
  }
  platform::NativeCallOutcome outcome;
  outcome.last_error = g_thread ? g_thread->last_error : 0;
  const char16_t empty_before = g_empty_text[0];
  platform::call_native(address, slots.data(), size_t(count), outcome);
  if (g_thread) g_thread->last_error = outcome.last_error;
  if (g_empty_text[0] != empty_before) {
    // Every empty variable shares that text: nothing that reads one can be trusted now.
    std::memset(g_empty_text, 0, sizeof g_empty_text);
    (void)line_error(*g_script, g_thread ? g_thread->current_line : nullptr,
                     message(caller == DllCaller::DllCall ? Msg::DllCallNeedsCapacity : Msg::DynaCallNeedsCapacity),
                     ErrorKind::Critical);
    platform::exit_process(2);
  }
  if (outcome.exception) {
    result = empty_token();
    return set_error_level_text(exception_error_level(outcome.exception));
  }
  for (int i = 0; i < count; ++i)
    if (write_back(states[i], values[i]) == ResultFailed) return ResultFailed;
  if (convert_return(return_type, outcome.rax, outcome.xmm0, result) == ResultFailed) return ResultFailed;
  return set_error_level(0);
}

Result builtin_dll_call(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  if (!platform::native_calls_available()) return report_no_native_code(u"DllCall");
  int pairs = (argc - 1) / 2;
  DllType return_type{DllTypeCode::Int, false, false};
  if ((argc - 1) % 2) {
    char16_t buf[256];
    const ExprToken& last = args[argc - 1];
    bool ok = last.symbol == SymMissing || parse_return_type(token_to_text(last, buf), return_type) ||
              (last.symbol == SymVar && parse_return_type(last.var->name_view(), return_type));
    if (!ok) return dll_call_failed(int(DllCallError::BadType), result);
  }
  std::vector<DllType> types(size_t(pairs) + 1);
  std::vector<ExprToken> values(size_t(pairs) + 1);
  for (int i = 0; i < pairs; ++i) {
    if (!dll_type_of(args[1 + 2 * i], types[i])) return dll_call_failed(int(DllCallError::BadType), result);
    values[i] = args[2 + 2 * i];
  }
  void* address = nullptr;
  void* library = nullptr;
  int error = 0;
  if (!resolve_dll_function(args[0], address, library, error)) return dll_call_failed(error, result);
  Result r = make_dll_call(DllCaller::DllCall, address, types.data(), values.data(), pairs, return_type, result);
  // A library loaded for this call only is let go of once it is over.
  platform::release_library(library);
  return r;
}

}  // namespace orv
