// The COM face of script objects: any script object can be handed to COM
// as an IDispatch whose members are the object's own, and an IDispatch
// that came back from COM can be recognised as one of ours. Only the
// Windows build has COM; interface pointers travel as void* so that
// portable code needs no COM headers.
#pragma once

#include <cstdint>

#include "base/text.h"

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

// --- the bridge to the object model -------------------------------------------------
// Script objects and the evaluator that runs their code sit above the
// platform, so the COM face never calls an object itself: it converts what
// COM passes into DispatchValues and goes through the bridge the object
// model fills in at start-up.

enum class DispatchValueKind : uint8_t { Missing, Integer, Float, Text, Object };

// A value crossing between COM and a script object. As an argument an
// object is borrowed for the call; as a result it carries one reference
// for the receiver.
struct DispatchValue {
  DispatchValueKind kind = DispatchValueKind::Missing;
  int64_t integer = 0;
  double number = 0;
  String text;
  IObject* object = nullptr;
};

inline DispatchValue integer_value(int64_t integer) {
  DispatchValue v;
  v.kind = DispatchValueKind::Integer;
  v.integer = integer;
  return v;
}

inline DispatchValue float_value(double number) {
  DispatchValue v;
  v.kind = DispatchValueKind::Float;
  v.number = number;
  return v;
}

inline DispatchValue text_value(StringView text) {
  DispatchValue v;
  v.kind = DispatchValueKind::Text;
  v.text = String(text);
  return v;
}

inline DispatchValue object_value(IObject* object) {
  DispatchValue v;
  v.kind = DispatchValueKind::Object;
  v.object = object;
  return v;
}

// The most arguments a call may pass: with the member name they fill the
// 255 parameters an invoke can take.
constexpr int kMaxDispatchArgs = 254;

enum class DispatchCallKind : uint8_t {
  Get,
  Set,  // the last argument is the value to assign
  Call,
  CallIfFunction,  // a call if the member holds a function, else a get
};

struct DispatchCall {
  DispatchCallKind kind = DispatchCallKind::Get;
  // No member: the object itself, whose keys a get or set names by its
  // arguments and which a call calls as a function.
  bool itself = false;
  StringView member;
  const DispatchValue* args = nullptr;  // in the script's order
  int arg_count = 0;
};

enum class DispatchOutcome : uint8_t {
  Done,          // the result is the member's value (empty text if it has none)
  Failed,        // an error, already reported to the user
  ThreadExited,  // the script's thread is ending
  Thrown,        // a value was thrown and not caught inside
};

struct DispatchBridge {
  void (*add_ref)(IObject& object) = nullptr;
  void (*release)(IObject& object) = nullptr;
  // Runs `call` on `object`, holding it for the call. `result` (null when
  // the caller wants none) is set only when the outcome is Done; `message`
  // (null when not wanted) gets what a thrown value says. A value thrown
  // before the call is set aside for it and stays the thread's; one thrown
  // inside is the caller's and no longer pending.
  DispatchOutcome (*invoke)(IObject& object, const DispatchCall& call, DispatchValue* result,
                            String* message) = nullptr;
};
extern DispatchBridge g_dispatch_bridge;

}  // namespace orv::platform
