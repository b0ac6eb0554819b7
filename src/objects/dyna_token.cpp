// DynaCall: a native call prepared once (address, types, defaults) as a
// DynaToken object and then called like a function, any number of times.
#include <new>
#include <vector>

#include "base/messages.h"
#include "objects/bound_func.h"
#include "objects/dll_call.h"
#include "objects/dll_values.h"
#include "objects/object_model.h"
#include "platform/native_calls.h"
#include "platform/platform.h"
#include "runtime/builtin_functions.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"

namespace orv {

namespace {

constexpr int64_t kLowestAddress = 1024;

// A stored default: text is kept as a copy, an object with a reference.
struct StoredValue {
  uint32_t symbol = SymMissing;
  int64_t integer = 0;
  double number = 0;
  String text;
  ObjectRef object;

  void store(const ExprToken& token) {
    object.reset();
    text.clear();
    symbol = SymMissing;
    if (token.symbol == SymMissing) return;
    if (IObject* o = token_object(token)) {
      symbol = SymObject;
      object = ObjectRef(o);
      return;
    }
    switch (token.symbol) {
      case SymInteger: symbol = SymInteger, integer = token.integer; return;
      case SymFloat: symbol = SymFloat, number = token.number; return;
      default: {
        char16_t buf[256];
        symbol = SymString;
        text = String(token_to_text(token, buf));
      }
    }
  }
  ExprToken token() const {
    switch (symbol) {
      case SymInteger: return int_token(integer);
      case SymFloat: return double_token(number);
      case SymObject: return object_token(object.get());
      case SymString: return text_token(text);
      default: {
        ExprToken t = empty_token();
        t.symbol = SymMissing;
        return t;
      }
    }
  }
};

// "UI*" and the like, one after another: a "U" prefix, a letter, a "*"
// (or "p"/"P") suffix. False for anything else.
bool parse_letters(StringView text, std::vector<DllType>& out) {
  for (size_t i = 0; i < text.size();) {
    if (text[i] == u' ' || text[i] == u'\t') {
      ++i;
      continue;
    }
    char16_t name[3] = {};
    size_t n = 0;
    if ((text[i] == u'U' || text[i] == u'u') && i + 1 < text.size()) name[n++] = text[i++];
    name[n++] = text[i++];
    DllType type;
    if (!parse_dll_type(StringView(name, n), type)) return false;
    if (i < text.size() && (text[i] == u'*' || text[i] == u'p' || text[i] == u'P')) {
      type.by_address = true;
      ++i;
    }
    out.push_back(type);
  }
  return true;
}

class DynaToken final : public ObjectBase {
 public:
  DynaToken(void* address, void* library, DllType return_type, std::vector<DllType> params)
      : address_(address), library_(library), return_type_(return_type), params_(std::move(params)),
        defaults_(params_.size()) {}

  void set_default(size_t i, const ExprToken& value) {
    if (i < defaults_.size()) defaults_[i].store(value);
  }

  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override {
    (void)this_token;
    if ((flags & InvokeTypeMask) == InvokeSet) {
      // token[i] := value changes default i (from 1).
      if (count < 2) return ResultNotHandled;
      int64_t i = token_to_int(*params[0]);
      if (i < 1 || size_t(i) > defaults_.size()) return ResultNotHandled;
      set_default(size_t(i - 1), *params[count - 1]);
      result = *params[count - 1];
      if (IObject* o = token_object(result)) o->add_ref();
      return ResultDone;
    }
    if ((flags & InvokeTypeMask) != InvokeCall) return ResultNotHandled;
    if (!skip_call_method_name(flags, params, count)) return ResultNotHandled;
    // Extra arguments are ignored; missing ones take the defaults, and
    // without one pass 0 or the empty text.
    std::vector<ExprToken> values(params_.size() + 1);
    for (size_t i = 0; i < params_.size(); ++i) {
      if (int(i) < count && params[i]->symbol != SymMissing) values[i] = *params[i];
      else if (defaults_[i].symbol != SymMissing) values[i] = defaults_[i].token();
      else values[i] = params_[i].is_text() ? text_token(StringView()) : int_token(0);
    }
    // The call may let go of this very object.
    Ref<DynaToken> keep(this);
    return make_dll_call(DllCaller::DynaCall, address_, params_.data(), values.data(), int(params_.size()), return_type_,
                         result);
  }
  StringView type_name() const override { return u"DynaToken"; }

 protected:
  ~DynaToken() override { platform::release_library(library_); }

 private:
  void* address_;
  void* library_;  // its own reference: the address stays valid while the token lives
  DllType return_type_;
  std::vector<DllType> params_;
  std::vector<StoredValue> defaults_;
};

// The definition: a string, or an object whose element 1 is one.
bool definition_text(const ExprToken& token, String& out) {
  char16_t buf[256];
  if (IObject* o = token_object(token)) {
    ExprToken key = int_token(1);
    ExprToken* params[] = {&key};
    TempArena::Scope scope;
    OwnedToken value;
    ExprToken self = object_token(o);
    if (o->invoke(value.out(), self, InvokeGet, params, 1) == ResultFailed) return false;
    out = String(token_to_text(*value, buf));
    return true;
  }
  out = String(token_to_text(token, buf));
  return true;
}

}  // namespace

Result builtin_dyna_call(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  result = empty_token();
  if (IObject* target = token_object(args[0])) {
    std::vector<ExprToken*> rest;
    for (int i = 1; i < argc; ++i) rest.push_back(&args[i]);
    ExprToken self = object_token(target);
    Result r = target->invoke(result, self, InvokeSet, rest.data(), int(rest.size()));
    return r == ResultNotHandled ? ResultDone : r;
  }
  if (argc == 1) {
    if (token_numeric_type(args[0]) != NumType::Integer) return ResultDone;
    int64_t address = token_to_int(args[0]);
    if (address < kLowestAddress || !platform::foreign_memory_allowed()) return ResultDone;
    auto* token = reinterpret_cast<IObject*>(uintptr_t(address));
    token->add_ref();
    result = object_token(token);
    return ResultDone;
  }
  if (!platform::native_calls_available()) return report_no_native_code(u"DynaCall");
  String definition;
  if (!definition_text(args[1], definition)) return ResultFailed;
  StringView params_text = definition, return_text;
  size_t equals = definition.find(u'=');
  if (equals != String::npos) {
    return_text = StringView(definition).substr(0, equals);
    params_text = StringView(definition).substr(equals + 1);
  }
  std::vector<DllType> returns, params;
  if (!parse_letters(return_text, returns) || returns.size() > 1 || !parse_letters(params_text, params))
    return dll_call_failed(int(DllCallError::BadType), result);
  DllType return_type = returns.empty() ? DllType{DllTypeCode::Int, false, false} : returns[0];
  void* address = nullptr;
  void* loaded = nullptr;
  int error = 0;
  if (!resolve_dll_function(args[0], address, loaded, error)) return dll_call_failed(error, result);
  void* library = loaded ? loaded : platform::hold_library_of(address);
  auto* token = new (std::nothrow) DynaToken(address, library, return_type, std::move(params));
  if (!token) {
    platform::release_library(library);
    return report_runtime_error(message(Msg::OutOfMemory));
  }
  for (int i = 2; i < argc; ++i) token->set_default(size_t(i - 2), args[i]);
  result = object_token(token);
  return set_error_level(0);
}

}  // namespace orv
