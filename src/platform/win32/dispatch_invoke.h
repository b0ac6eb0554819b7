// IDispatch::Invoke on a script object: the COM call becomes the script's
// own invoke, with the member named by its dispatch identifier.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace orv {
class IObject;
}

namespace orv::platform {

// Identifier 0 is the object itself; any other must have come from
// GetIDsOfNames (DISP_E_MEMBERNOTFOUND otherwise). A put (or put-by-
// reference) assigns, a method call calls (calling a member only when it
// holds a function if a property get is also allowed), anything else
// reads. Arguments go over in script order. An exception the script
// throws comes back as DISP_E_EXCEPTION with its message in `info`.
HRESULT invoke_from_com(IObject& object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* info, UINT* arg_error);

}  // namespace orv::platform
