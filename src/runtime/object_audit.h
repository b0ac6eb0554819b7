// The account of references that sanitizer builds keep (ORV_TRACK_OBJECTS):
// every live object, and every holder of a reference to one. A reference
// that somebody took and nobody gives back shows as an object whose count
// is higher than what its holders account for. The leak checker cannot be
// relied on for these: a stale copy of the pointer anywhere in memory (an
// old slot of the evaluator's stack, say) makes the object look reachable.
//
// The holders: owning types (Ref, OwnedToken) enter the account themselves;
// objects tell what they hold through report_references; the rest of the
// runtime (variables, the evaluator's stacks) through the reporters below.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "base/text.h"
#include "runtime/object.h"

namespace orv {

class ReferenceAudit {
 public:
  // One reference to `object`, held by something the audit was told of.
  void held(const IObject* object) {
    if (object) ++held_[object];
  }
  uint32_t held_count(const IObject* object) const {
    auto it = held_.find(object);
    return it == held_.end() ? 0 : it->second;
  }

 private:
  std::unordered_map<const IObject*, uint32_t> held_;
};

// An object whose count differs from what its holders account for: higher
// when a reference was never given back, lower when somebody will give back
// one it never had.
struct UnaccountedObject {
  const IObject* object;
  String type;
  uint32_t count;
  uint32_t held;
};

// Takes the account of all live objects and returns those whose counts are
// off. False, with nothing found, when it cannot be taken now: in a build
// without the account, or while an object is being ended, since references
// are then in flight on the native stack.
bool audit_references(std::vector<UnaccountedObject>& found);

// The reporters of the runtime: the references variables hold (globals,
// locals and statics, and the locals set aside by recursion), and those on
// the value stacks of the evaluations running now.
void report_variable_references(ReferenceAudit& audit);
void report_evaluation_references(ReferenceAudit& audit);

}  // namespace orv
