#include "startup/literal_dll_targets.h"

#include <vector>

#include "platform/native_calls.h"
#include "runtime/builtin_functions.h"
#include "runtime/func.h"
#include "runtime/numbers.h"
#include "runtime/script_program.h"
#include "runtime/value.h"

namespace orv {

void resolve_literal_dll_targets(ScriptProgram& program) {
  std::vector<LiteralDllTarget> targets;
  targets.swap(program.literal_dll_targets);
  if (!platform::native_calls_available()) return;
  for (const LiteralDllTarget& t : targets) {
    if (!t.call->func || t.call->func->routine != builtin_dll_call) continue;
    StringView name = t.token->view();
    // A number is an address already; anything else the run-time lookup
    // would refuse is left for it to refuse, with its own ErrorLevel.
    if (name.empty() || numeric_type_of(name) != NumType::NotNumeric) continue;
    void* address = nullptr;
    platform::LibraryRef loaded = nullptr;
    if (platform::find_native_function(name.data(), name.size(), address, loaded) != platform::NativeLookup::Found)
      continue;
    // The address must stay valid for as long as the program runs: the
    // library keeps the reference the lookup took, or one of its own when
    // it was loaded already (the script could let that one go).
    if (!loaded) (void)platform::hold_library_of(address);
    *t.token = int_token(int64_t(reinterpret_cast<uintptr_t>(address)));
  }
}

}  // namespace orv
