// An ordered list of functions registered for an event (OnExit(),
// OnClipboardChange()), each with a reference held.
#pragma once

#include <vector>

#include "base/result.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace orv {

class IObject;

class CallbackList {
 public:
  // Function [, AddRemove]: 1 appends, -1 inserts at the front, 0 removes;
  // a function already listed is not added twice.
  Result change(ExprToken* args, int argc);
  bool empty() const { return items_.empty(); }
  // A copy, for calling while the list may change.
  std::vector<ObjectRef> take_snapshot() const { return items_; }

 private:
  std::vector<ObjectRef> items_;
};

// A function the lists accept: an object, or the name of a function with
// no more than two required parameters; null otherwise.
IObject* callback_function(const ExprToken& token);

}  // namespace orv
