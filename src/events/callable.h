// What an event runs: a label (as Gosub would) or a function object called
// with the event's parameters.
#pragma once

#include "base/result.h"
#include "runtime/command_table.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace orv {

struct Label;
class IObject;

struct Callable {
  Label* label = nullptr;
  ObjectRef object;

  bool empty() const { return !label && !object; }
  bool operator==(const Callable& o) const { return label == o.label && object.get() == o.object.get(); }
};

// The first command the callable runs, for the thread limit's exceptions
// and for Critical at the start of a thread.
CommandId first_action(const Callable& callable);

// What a function object gave back, for the events that listen to it.
struct CallAnswer {
  bool has_value = false;  // it returned a value
  bool truth = false;
  bool numeric = false;    // a number, or text that reads as one
  int64_t integer = 0;
};

// Events pass at most this many parameters.
inline constexpr int kMaxCallableArgs = 6;

// Runs the callable in the current thread; a thrown value nothing caught is
// reported. What a function object returns is summed up in `answer` when
// given; the value itself does not outlive the call.
Result run_callable(const Callable& callable, ExprToken* args = nullptr, int argc = 0, CallAnswer* answer = nullptr);

}  // namespace orv
