// The COM face of script objects: any script object can be handed to COM
// as an IDispatch whose members are the object's own, and an IDispatch
// that came back from COM can be recognised as one of ours. Only the
// Windows build has COM; interface pointers travel as void* so that
// portable code needs no COM headers.
#pragma once

namespace orv {
class IObject;
}

namespace orv::platform {

// The object's IDispatch, with one reference for the caller; null for a
// null object or when memory is short. Every COM reference holds one
// reference to the object, so the object lives as long as COM holds it.
// While COM holds any, the same object gives the same interface pointer.
void* dispatch_for(IObject* object);

// The script object whose face `unknown` (an IUnknown or IDispatch) is;
// null for a null pointer or any other COM object. No reference is added:
// the object lives as long as the caller's interface pointer.
IObject* object_of_dispatch(void* unknown);

}  // namespace orv::platform
