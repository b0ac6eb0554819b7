#include "platform/win32/dispatch_invoke.h"

#include <cstring>

#include "runtime/thread_settings.h"
#include "runtime/object.h"
#include "platform/win32/dispatch_names.h"
#include "platform/win32/variant_tokens.h"
#include "runtime/evaluator.h"
#include "runtime/numbers.h"

namespace orv::platform {

namespace {

// Together with the member name this fills the 255 parameters a call can
// have. A call with more is refused: passing only some of them would run
// the member with arguments its caller never meant (a put would even lose
// the value to assign).
constexpr UINT kMaxArgs = 254;

uint32_t invoke_type(WORD flags) {
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return InvokeSet;
  if (flags & DISPATCH_METHOD) return InvokeCall | ((flags & DISPATCH_PROPERTYGET) ? uint32_t(InvokeCallIfFunction) : 0u);
  return InvokeGet;
}

// The member as the evaluator would name it in x.name: x.1 means the
// integer key 1, as x[1] does.
ExprToken member_token(StringView name) {
  if (numeric_type_of(name) == NumType::Integer) return int_token(text_to_int(name));
  return text_token(name, SymOperand);
}

bool named_args_allowed(const DISPPARAMS& params, uint32_t type) {
  if (params.cNamedArgs == 0) return true;
  // The value of a put is the one named argument COM itself uses.
  return type == InvokeSet && params.cNamedArgs == 1 && params.rgdispidNamedArgs &&
         params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
}

// What a thrown value says: an object's Message, else the value's text.
String thrown_message(const ThrownValue& thrown) {
  char16_t buf[256];
  ExprToken value{};
  switch (thrown.symbol) {
    case SymInteger: value = int_token(thrown.integer); break;
    case SymFloat: value = double_token(thrown.number); break;
    case SymObject: {
      ExprToken key = text_token(u"Message");
      ExprToken* params[1] = {&key};
      ExprToken self = object_token(thrown.object.get());
      OwnedToken message;
      String text;
      if (thrown.object->invoke(message.out(), self, InvokeGet, params, 1) == ResultDone)
        text = String(token_to_text(*message, buf));
      return text;
    }
    default: return thrown.text;
  }
  return String(token_to_text(value, buf));
}

HRESULT report_exception(const ThrownValue& thrown, EXCEPINFO* info) {
  if (!info) return DISP_E_EXCEPTION;
  std::memset(info, 0, sizeof *info);
  info->scode = E_FAIL;
  String message = thrown_message(thrown);
  if (!message.empty()) {
    info->bstrDescription = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(message.data()), UINT(message.size()));
  }
  return DISP_E_EXCEPTION;
}

// What the script's outcome means to COM. A value thrown and not caught
// inside goes to the COM caller and is no longer the thread's; an error
// already shown to the user has no message left to pass on.
HRESULT outcome(Result r, ThreadSettings& thread, const ExprToken& value, VARIANT* result, EXCEPINFO* info) {
  if (thread.thrown.pending) {
    ThrownValue thrown = thread.thrown.take();
    return report_exception(thrown, info);
  }
  switch (r) {
    case ResultFailed: return E_FAIL;
    case ResultExitThread: return E_ABORT;
    default:
      // A member nobody handles reads as the empty value, as in the script.
      return result ? token_to_variant(value, *result) : S_OK;
  }
}

HRESULT run_invoke(IObject& object, uint32_t flags, ExprToken** params, int count, VARIANT* result, EXCEPINFO* info) {
  ThreadSettings& thread = *g_thread;
  // A value thrown before this call waits until it is over, or the
  // object's code would take it for its own and stop at once.
  ThrownValue earlier = thread.thrown.take();
  HRESULT hr;
  {
    TempArena::Scope scope;
    // Held for the call, which may drop the last other reference.
    ObjectRef held(&object);
    ExprToken self = object_token(&object);
    OwnedToken value;
    Result r = object.invoke(value.out(), self, flags, params, count);
    // Before the outcome is read: if this was the last reference, whatever
    // the object's end throws belongs to this call too.
    held.reset();
    hr = outcome(r, thread, *value, result, info);
  }
  if (earlier.pending) {
    // It takes precedence, as it would over anything thrown by a __Delete.
    thread.thrown.object.reset();
    thread.thrown = std::move(earlier);
  }
  return hr;
}

}  // namespace

HRESULT invoke_from_com(IObject& object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* info, UINT* arg_error) {
  if (result) VariantInit(result);
  const bool self = id == DISPID_VALUE;
  StringView name;
  if (!self && (id < 0 || !dispatch_name_of_id(id, name))) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{};
  if (!params) params = &none;
  uint32_t type = invoke_type(flags);
  if (!named_args_allowed(*params, type)) return DISP_E_NONAMEDARGS;
  const UINT argc = params->cArgs;
  if (argc > kMaxArgs || (type == InvokeSet && argc == 0)) return DISP_E_BADPARAMCOUNT;
  if (argc && !params->rgvarg) return E_INVALIDARG;
  // The object itself called: no method name among the parameters.
  if (self && (type & InvokeTypeMask) == InvokeCall) type |= InvokeAsFunctionObject;

  ExprToken tokens[kMaxArgs + 1];
  ExprToken* list[kMaxArgs + 1];
  VARIANT holders[kMaxArgs];
  int count = 0;
  if (!self) tokens[count++] = member_token(name);
  HRESULT hr = S_OK;
  UINT held = 0;
  while (held < argc) {
    // COM lists the arguments last to first.
    UINT at = argc - 1 - held;
    VariantInit(&holders[held]);
    hr = variant_to_token(params->rgvarg[at], holders[held++], tokens[count]);
    if (FAILED(hr)) {
      if (arg_error) *arg_error = at;
      break;
    }
    ++count;
  }
  for (int i = 0; i < count; ++i) list[i] = &tokens[i];
  if (SUCCEEDED(hr)) hr = run_invoke(object, type, list, count, result, info);
  for (UINT i = 0; i < held; ++i) VariantClear(&holders[i]);
  return hr;
}

}  // namespace orv::platform
