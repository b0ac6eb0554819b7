// What an event runs: a label (as Gosub would) or a function object called
// with the event's parameters.
#pragma once

#include "base/result.h"
#include "parser/command_table.h"
#include "runtime/value.h"

namespace orv {

struct Label;
class IObject;

struct Callable {
  Label* label = nullptr;
  IObject* object = nullptr;  // one reference held by the owner of the Callable

  bool empty() const { return !label && !object; }
  bool operator==(const Callable& o) const { return label == o.label && object == o.object; }
};

// The first command the callable runs, for the thread limit's exceptions
// and for Critical at the start of a thread.
CommandId first_action(const Callable& callable);

// Runs the callable in the current thread. A function object's return value
// goes to `returned` when given (text in temporary memory) and `has_value`
// tells whether it returned one; a thrown value nothing caught is reported.
Result run_callable(const Callable& callable, ExprToken* args, int argc, ExprToken* returned = nullptr,
                    bool* has_value = nullptr);

}  // namespace orv
