#include "platform/win32/variant_values.h"

#include <climits>

namespace orv::platform {

namespace {

HRESULT object_to_value(IUnknown* unknown, DispatchValue& out) {
  // Nothing (a null object) reads as the empty value, as an unset variable does.
  if (!unknown) {
    out = text_value(StringView());
    return S_OK;
  }
  // Foreign objects need a script-side wrapper of their own; until that
  // exists they are refused rather than passed as something they are not.
  IObject* object = object_of_dispatch(unknown);
  if (!object) return DISP_E_TYPEMISMATCH;
  out = object_value(object);
  return S_OK;
}

// The value of a VARIANT that is not by-reference.
HRESULT direct_value(const VARIANT& v, DispatchValue& out) {
  switch (V_VT(&v)) {
    case VT_EMPTY: out = DispatchValue(); return S_OK;
    case VT_NULL: out = text_value(StringView()); return S_OK;
    case VT_I1: out = integer_value(static_cast<signed char>(V_I1(&v))); return S_OK;
    case VT_I2: out = integer_value(V_I2(&v)); return S_OK;
    case VT_I4: out = integer_value(V_I4(&v)); return S_OK;
    case VT_I8: out = integer_value(V_I8(&v)); return S_OK;
    case VT_INT: out = integer_value(V_INT(&v)); return S_OK;
    case VT_UI1: out = integer_value(V_UI1(&v)); return S_OK;
    case VT_UI2: out = integer_value(V_UI2(&v)); return S_OK;
    case VT_UI4: out = integer_value(V_UI4(&v)); return S_OK;
    // Above the signed range the bits are kept, as 64-bit arithmetic would.
    case VT_UI8: out = integer_value(int64_t(V_UI8(&v))); return S_OK;
    case VT_UINT: out = integer_value(V_UINT(&v)); return S_OK;
    case VT_BOOL: out = integer_value(V_BOOL(&v) ? -1 : 0); return S_OK;
    case VT_R4: out = float_value(V_R4(&v)); return S_OK;
    case VT_R8: out = float_value(V_R8(&v)); return S_OK;
    case VT_BSTR: {
      BSTR s = V_BSTR(&v);
      out = text_value(StringView(reinterpret_cast<const char16_t*>(s), s ? SysStringLen(s) : 0));
      return S_OK;
    }
    case VT_DISPATCH: return object_to_value(V_DISPATCH(&v), out);
    case VT_UNKNOWN: return object_to_value(V_UNKNOWN(&v), out);
    case VT_ERROR:
      // The caller left out an optional argument.
      if (V_ERROR(&v) == DISP_E_PARAMNOTFOUND) {
        out = DispatchValue();
        return S_OK;
      }
      return DISP_E_TYPEMISMATCH;
    default: return DISP_E_TYPEMISMATCH;
  }
}

bool has_direct_value(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT: case VT_BOOL:
    case VT_R4: case VT_R8: case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: case VT_ERROR:
      return true;
    default: return false;
  }
}

// `holder` keeps what reading through a reference or a conversion to text
// makes, until the value has been taken from it.
HRESULT any_value(const VARIANT& in, VARIANT& holder, DispatchValue& out) {
  // The system's declarations lack const; neither call writes its source.
  auto* v = const_cast<VARIANT*>(&in);
  if (V_VT(v) & VT_BYREF) {
    // Read through the reference (one level of VT_VARIANT included).
    if (FAILED(VariantCopyInd(&holder, v)) || (V_VT(&holder) & VT_BYREF)) return DISP_E_TYPEMISMATCH;
    v = &holder;
  }
  if (V_ISARRAY(v)) return DISP_E_TYPEMISMATCH;
  if (!has_direct_value(V_VT(v))) {
    if (FAILED(VariantChangeType(&holder, v, 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
    v = &holder;
  }
  return direct_value(*v, out);
}

HRESULT text_to_variant(StringView text, VARIANT& out) {
  BSTR s = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), UINT(text.size()));
  if (!s) return E_OUTOFMEMORY;
  V_VT(&out) = VT_BSTR;
  V_BSTR(&out) = s;
  return S_OK;
}

HRESULT object_to_variant(IObject* object, VARIANT& out) {
  void* face = dispatch_for(object);
  if (!face) return E_OUTOFMEMORY;
  V_VT(&out) = VT_DISPATCH;
  V_DISPATCH(&out) = static_cast<IDispatch*>(face);
  return S_OK;
}

}  // namespace

HRESULT variant_to_value(const VARIANT& in, DispatchValue& out) {
  VARIANT holder;
  VariantInit(&holder);
  HRESULT hr = any_value(in, holder, out);
  VariantClear(&holder);
  return hr;
}

HRESULT value_to_variant(const DispatchValue& value, VARIANT& out) {
  switch (value.kind) {
    case DispatchValueKind::Integer:
      if (value.integer >= INT32_MIN && value.integer <= INT32_MAX) {
        V_VT(&out) = VT_I4;
        V_I4(&out) = LONG(value.integer);
      } else {
        V_VT(&out) = VT_I8;
        V_I8(&out) = value.integer;
      }
      return S_OK;
    case DispatchValueKind::Float:
      V_VT(&out) = VT_R8;
      V_R8(&out) = value.number;
      return S_OK;
    case DispatchValueKind::Object: return object_to_variant(value.object, out);
    // The object model answers with text for anything else; a missing
    // value is the empty text, as a member nobody handles reads.
    default: return text_to_variant(value.text, out);
  }
}

}  // namespace orv::platform
