// VARIANTs as value tokens and back: the arguments COM passes to a script
// object, and the value a script object gives back to COM.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "runtime/value.h"

namespace orv::platform {

// One argument as a parameter token. Text borrows the VARIANT's string, so
// the token is valid while the argument is. A by-reference argument is read
// through; types the language has no value for (dates, currency, decimals)
// become their text. `holder` (VariantInit'd, cleared by the caller) keeps
// what such a conversion makes. An empty VARIANT and an omitted optional
// argument are a missing parameter; an IDispatch or IUnknown that is the
// face of a script object is that object, borrowed. DISP_E_TYPEMISMATCH for
// anything else, foreign COM objects and arrays among them.
HRESULT variant_to_token(const VARIANT& in, VARIANT& holder, ExprToken& out);

// A result token as a VARIANT (`out` VariantInit'd): integers as VT_I4 when
// they fit, else VT_I8; floats as VT_R8; script objects as their IDispatch
// (with a reference for the receiver); everything else as a BSTR of its
// text. The token keeps its own reference. E_OUTOFMEMORY when a string or
// an object's face cannot be had.
HRESULT token_to_variant(const ExprToken& token, VARIANT& out);

}  // namespace orv::platform
