#include "platform/win32/variant_tokens.h"

#include <climits>

#include "runtime/object.h"
#include "platform/dispatch.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"

namespace orv::platform {

namespace {

ExprToken missing_token() {
  ExprToken t{};
  t.symbol = SymMissing;
  return t;
}

HRESULT object_to_token(IUnknown* unknown, ExprToken& out) {
  // Nothing (a null object) reads as the empty value, as an unset variable does.
  if (!unknown) {
    out = text_token(StringView());
    return S_OK;
  }
  // Foreign objects need a script-side wrapper of their own; until that
  // exists they are refused rather than passed as something they are not.
  IObject* object = object_of_dispatch(unknown);
  if (!object) return DISP_E_TYPEMISMATCH;
  out = object_token(object);
  return S_OK;
}

// The value of a VARIANT that is not by-reference.
HRESULT direct_value_to_token(const VARIANT& v, ExprToken& out) {
  switch (V_VT(&v)) {
    case VT_EMPTY: out = missing_token(); return S_OK;
    case VT_NULL: out = text_token(StringView()); return S_OK;
    case VT_I1: out = int_token(static_cast<signed char>(V_I1(&v))); return S_OK;
    case VT_I2: out = int_token(V_I2(&v)); return S_OK;
    case VT_I4: out = int_token(V_I4(&v)); return S_OK;
    case VT_I8: out = int_token(V_I8(&v)); return S_OK;
    case VT_INT: out = int_token(V_INT(&v)); return S_OK;
    case VT_UI1: out = int_token(V_UI1(&v)); return S_OK;
    case VT_UI2: out = int_token(V_UI2(&v)); return S_OK;
    case VT_UI4: out = int_token(V_UI4(&v)); return S_OK;
    // Above the signed range the bits are kept, as 64-bit arithmetic would.
    case VT_UI8: out = int_token(int64_t(V_UI8(&v))); return S_OK;
    case VT_UINT: out = int_token(V_UINT(&v)); return S_OK;
    case VT_BOOL: out = int_token(V_BOOL(&v) ? -1 : 0); return S_OK;
    case VT_R4: out = double_token(V_R4(&v)); return S_OK;
    case VT_R8: out = double_token(V_R8(&v)); return S_OK;
    case VT_BSTR: {
      BSTR s = V_BSTR(&v);
      out = text_token(StringView(reinterpret_cast<const char16_t*>(s), s ? SysStringLen(s) : 0));
      return S_OK;
    }
    case VT_DISPATCH: return object_to_token(V_DISPATCH(&v), out);
    case VT_UNKNOWN: return object_to_token(V_UNKNOWN(&v), out);
    case VT_ERROR:
      // The caller left out an optional argument.
      if (V_ERROR(&v) == DISP_E_PARAMNOTFOUND) {
        out = missing_token();
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

HRESULT text_to_variant(StringView text, VARIANT& out) {
  BSTR s = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), UINT(text.size()));
  if (!s) return E_OUTOFMEMORY;
  V_VT(&out) = VT_BSTR;
  V_BSTR(&out) = s;
  return S_OK;
}

HRESULT integer_to_variant(int64_t value, VARIANT& out) {
  if (value >= INT32_MIN && value <= INT32_MAX) {
    V_VT(&out) = VT_I4;
    V_I4(&out) = LONG(value);
  } else {
    V_VT(&out) = VT_I8;
    V_I8(&out) = value;
  }
  return S_OK;
}

HRESULT double_to_variant(double value, VARIANT& out) {
  V_VT(&out) = VT_R8;
  V_R8(&out) = value;
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

HRESULT variant_to_token(const VARIANT& in, VARIANT& holder, ExprToken& out) {
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
  return direct_value_to_token(*v, out);
}

HRESULT token_to_variant(const ExprToken& token, VARIANT& out) {
  switch (token.symbol) {
    case SymInteger: return integer_to_variant(token.integer, out);
    case SymFloat: return double_to_variant(token.number, out);
    case SymObject: return object_to_variant(token.object, out);
    case SymVar: {
      Variable& v = token.var->target();
      if (v.attributes & AttrObject) return object_to_variant(v.contents.object, out);
      // A number stored as a number stays one; text that merely reads as a
      // number keeps its spelling.
      if (v.type == VarType::Normal && (v.attributes & AttrTextStale)) {
        if (v.attributes & AttrHasInt) return integer_to_variant(v.contents.integer, out);
        if (v.attributes & AttrHasDouble) return double_to_variant(v.contents.number, out);
      }
      break;
    }
    default: break;
  }
  char16_t buf[256];
  return text_to_variant(token_to_text(token, buf), out);
}

}  // namespace orv::platform
