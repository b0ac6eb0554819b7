// VARIANTs as dispatch values and back: the arguments COM passes to a
// script object, and the value a script object gives back to COM.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "platform/dispatch.h"

namespace orv::platform {

// One argument as a dispatch value. A by-reference argument is read
// through; types the language has no value for (dates, currency, decimals)
// become their text. An empty VARIANT and an omitted optional argument are
// a missing value, a null one the empty text; an IDispatch or IUnknown that
// is the face of a script object is that object, borrowed.
// DISP_E_TYPEMISMATCH for anything else, foreign COM objects and arrays
// among them.
HRESULT variant_to_value(const VARIANT& in, DispatchValue& out);

// A result as a VARIANT (`out` VariantInit'd): integers as VT_I4 when they
// fit, else VT_I8; floats as VT_R8; text as a BSTR; script objects as their
// IDispatch (with a reference for the receiver; the value keeps its own).
// E_OUTOFMEMORY when a string or an object's face cannot be had.
HRESULT value_to_variant(const DispatchValue& value, VARIANT& out);

}  // namespace orv::platform
