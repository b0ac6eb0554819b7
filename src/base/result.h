// Result codes returned by every execution step, command, call and object
// invocation. Failure is always 0 so that "if (!result)" reads naturally and
// so that a failure passes outward unchanged through every caller.
#pragma once

namespace orv {

enum [[nodiscard]] Result : int {
  ResultFailed = 0,          // an error was reported or an exception is being thrown
  ResultDone = 1,
  ResultConditionTrue = 3,
  ResultConditionFalse = 4,
  ResultNotHandled = 4,      // object invocations: the member was not handled
  ResultLoopBreak = 5,
  ResultLoopContinue = 6,
  ResultReturned = 7,
  ResultExitThread = 8,
};

}  // namespace orv
