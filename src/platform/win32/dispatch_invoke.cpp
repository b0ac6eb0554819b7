#include "platform/win32/dispatch_invoke.h"

#include <cstring>

#include "platform/dispatch.h"
#include "platform/win32/dispatch_names.h"
#include "platform/win32/variant_values.h"

namespace orv::platform {

namespace {

DispatchCallKind call_kind(WORD flags) {
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return DispatchCallKind::Set;
  if (flags & DISPATCH_METHOD)
    return (flags & DISPATCH_PROPERTYGET) ? DispatchCallKind::CallIfFunction : DispatchCallKind::Call;
  return DispatchCallKind::Get;
}

bool named_args_allowed(const DISPPARAMS& params, DispatchCallKind kind) {
  if (params.cNamedArgs == 0) return true;
  // The value of a put is the one named argument COM itself uses.
  return kind == DispatchCallKind::Set && params.cNamedArgs == 1 && params.rgdispidNamedArgs &&
         params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
}

HRESULT report_exception(const String& message, EXCEPINFO* info) {
  if (!info) return DISP_E_EXCEPTION;
  std::memset(info, 0, sizeof *info);
  info->scode = E_FAIL;
  if (!message.empty()) {
    info->bstrDescription = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(message.data()), UINT(message.size()));
  }
  return DISP_E_EXCEPTION;
}

// What the script's outcome means to COM. A thrown value is the COM
// caller's to hear of; an error already shown to the user has no message
// left to pass on.
HRESULT run_invoke(IObject& object, const DispatchCall& call, VARIANT* result, EXCEPINFO* info) {
  DispatchValue value;
  String message;
  switch (g_dispatch_bridge.invoke(object, call, result ? &value : nullptr, info ? &message : nullptr)) {
    case DispatchOutcome::Thrown: return report_exception(message, info);
    case DispatchOutcome::Failed: return E_FAIL;
    case DispatchOutcome::ThreadExited: return E_ABORT;
    case DispatchOutcome::Done: break;
  }
  if (!result) return S_OK;
  HRESULT hr = value_to_variant(value, *result);
  if (value.kind == DispatchValueKind::Object && value.object) g_dispatch_bridge.release(*value.object);
  return hr;
}

}  // namespace

HRESULT invoke_from_com(IObject& object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* info, UINT* arg_error) {
  if (result) VariantInit(result);
  DispatchCall call;
  call.itself = id == DISPID_VALUE;
  if (!call.itself && (id < 0 || !dispatch_name_of_id(id, call.member))) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{};
  if (!params) params = &none;
  call.kind = call_kind(flags);
  if (!named_args_allowed(*params, call.kind)) return DISP_E_NONAMEDARGS;
  const UINT argc = params->cArgs;
  // More arguments than a script invoke takes are refused: passing only
  // some of them would run the member with arguments its caller never
  // meant (a put would even lose the value to assign).
  if (argc > UINT(kMaxDispatchArgs) || (call.kind == DispatchCallKind::Set && argc == 0)) return DISP_E_BADPARAMCOUNT;
  if (argc && !params->rgvarg) return E_INVALIDARG;

  DispatchValue args[kMaxDispatchArgs];
  for (UINT i = 0; i < argc; ++i) {
    // COM lists the arguments last to first.
    UINT at = argc - 1 - i;
    HRESULT hr = variant_to_value(params->rgvarg[at], args[i]);
    if (FAILED(hr)) {
      if (arg_error) *arg_error = at;
      return hr;
    }
  }
  call.args = args;
  call.arg_count = int(argc);
  return run_invoke(object, call, result, info);
}

}  // namespace orv::platform
