// An ordered list of functions registered for an event (OnExit(),
// OnClipboardChange()), each with a reference held.
#pragma once

#include <vector>

#include "base/result.h"
#include "runtime/value.h"

namespace orv {

class IObject;

class CallbackList {
 public:
  // Function [, AddRemove]: 1 appends, -1 inserts at the front, 0 removes;
  // a function already listed is not added twice.
  Result change(ExprToken* args, int argc);
  bool empty() const { return items_.empty(); }
  // A copy with a reference on each, for calling while the list may change;
  // give it back to release().
  std::vector<IObject*> take_snapshot() const;
  static void release(std::vector<IObject*>& snapshot);

 private:
  std::vector<IObject*> items_;
};

// A function the lists accept: an object, or the name of a function with
// no more than two required parameters; null otherwise.
IObject* callback_function(const ExprToken& token);

}  // namespace orv
