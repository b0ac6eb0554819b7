#include "objects/dispatch_bridge.h"

#include "platform/dispatch.h"
#include "runtime/evaluator.h"
#include "runtime/object.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

using platform::DispatchCall;
using platform::DispatchCallKind;
using platform::DispatchOutcome;
using platform::DispatchValue;
using platform::DispatchValueKind;
using platform::float_value;
using platform::integer_value;
using platform::object_value;
using platform::text_value;

uint32_t invoke_flags(const DispatchCall& call) {
  uint32_t flags = InvokeGet;
  switch (call.kind) {
    case DispatchCallKind::Get: break;
    case DispatchCallKind::Set: flags = InvokeSet; break;
    case DispatchCallKind::Call: flags = InvokeCall; break;
    case DispatchCallKind::CallIfFunction: flags = InvokeCall | InvokeCallIfFunction; break;
  }
  // The object itself called: no method name among the parameters.
  if (call.itself && (flags & InvokeTypeMask) == InvokeCall) flags |= InvokeAsFunctionObject;
  return flags;
}

// The member as the evaluator would name it in x.name: x.1 means the
// integer key 1, as x[1] does.
ExprToken member_token(StringView name) {
  if (numeric_type_of(name) == NumType::Integer) return int_token(text_to_int(name));
  return text_token(name, SymOperand);
}

// Borrows the argument's text and object for the call.
ExprToken argument_token(const DispatchValue& arg) {
  switch (arg.kind) {
    case DispatchValueKind::Integer: return int_token(arg.integer);
    case DispatchValueKind::Float: return double_token(arg.number);
    case DispatchValueKind::Text: return text_token(arg.text);
    case DispatchValueKind::Object: return object_token(arg.object);
    case DispatchValueKind::Missing: break;
  }
  ExprToken t{};
  t.symbol = SymMissing;
  return t;
}

// The result, taking over the token's reference to an object. A variable
// holding a number stored as a number gives the number; text that merely
// reads as a number keeps its spelling.
DispatchValue result_value(const ExprToken& token) {
  switch (token.symbol) {
    case SymInteger: return integer_value(token.integer);
    case SymFloat: return float_value(token.number);
    case SymObject: return object_value(token.object);
    case SymVar: {
      Variable& var = token.var->target();
      if (var.attributes & AttrObject) {
        if (var.contents.object) var.contents.object->add_ref();
        return object_value(var.contents.object);
      }
      if (var.type == VarType::Normal && (var.attributes & AttrTextStale)) {
        if (var.attributes & AttrHasInt) return integer_value(var.contents.integer);
        if (var.attributes & AttrHasDouble) return float_value(var.contents.number);
      }
      break;
    }
    default: break;
  }
  char16_t buf[256];
  return text_value(token_to_text(token, buf));
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

// A value thrown and not caught inside goes to the caller and is no longer
// the thread's.
DispatchOutcome outcome(Result r, ThreadSettings& thread, String* message) {
  if (thread.thrown.pending) {
    ThrownValue thrown = thread.thrown.take();
    if (message) *message = thrown_message(thrown);
    return DispatchOutcome::Thrown;
  }
  switch (r) {
    case ResultFailed: return DispatchOutcome::Failed;
    case ResultExitThread: return DispatchOutcome::ThreadExited;
    // A member nobody handles reads as the empty value, as in the script.
    default: return DispatchOutcome::Done;
  }
}

DispatchOutcome invoke(IObject& object, const DispatchCall& call, DispatchValue* result, String* message) {
  if (call.arg_count < 0 || call.arg_count > platform::kMaxDispatchArgs) return DispatchOutcome::Failed;
  ExprToken tokens[platform::kMaxDispatchArgs + 1];
  ExprToken* params[platform::kMaxDispatchArgs + 1];
  int count = 0;
  if (!call.itself) tokens[count++] = member_token(call.member);
  for (int i = 0; i < call.arg_count; ++i) tokens[count++] = argument_token(call.args[i]);
  for (int i = 0; i < count; ++i) params[i] = &tokens[i];

  ThreadSettings& thread = *g_thread;
  // A value thrown before this call waits until it is over, or the
  // object's code would take it for its own and stop at once.
  ThrownValue earlier = thread.thrown.take();
  DispatchOutcome done;
  {
    TempArena::Scope scope;
    // Held for the call, which may drop the last other reference.
    ObjectRef held(&object);
    ExprToken self = object_token(&object);
    OwnedToken value;
    Result r = object.invoke(value.out(), self, invoke_flags(call), params, count);
    // Before the outcome is read: if this was the last reference, whatever
    // the object's end throws belongs to this call too.
    held.reset();
    done = outcome(r, thread, message);
    if (done == DispatchOutcome::Done && result) *result = result_value(value.detach());
  }
  // It takes precedence, as it would over anything thrown by a __Delete.
  if (earlier.pending) thread.thrown = std::move(earlier);
  return done;
}

void add_ref(IObject& object) { object.add_ref(); }
void release(IObject& object) { object.release(); }

}  // namespace

void install_dispatch_bridge() {
  platform::g_dispatch_bridge.add_ref = add_ref;
  platform::g_dispatch_bridge.release = release;
  platform::g_dispatch_bridge.invoke = invoke;
}

}  // namespace orv
