#include "events/clipboard_callbacks.h"

#include <vector>

#include "events/callable.h"
#include "events/callback_list.h"
#include "events/script_threads.h"
#include "platform/clipboard_watch.h"
#include "runtime/builtin_functions.h"
#include "runtime/error_level.h"
#include "runtime/object.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"

namespace orv {

namespace {

CallbackList g_functions;
bool g_running = false;  // a clipboard thread runs: further changes are ignored

Label* clipboard_label() { return g_script ? g_script->clipboard_change_label : nullptr; }

}  // namespace

void update_clipboard_watch() { (void)platform::watch_clipboard(clipboard_label() || !g_functions.empty()); }

void launch_clipboard_thread(bool functions_too) {
  Label* label = clipboard_label();
  if (g_running || (!label && (!functions_too || g_functions.empty()))) return;
  Callable first;
  first.label = label;
  if (!thread_gate(0, first_action(first))) return;
  g_running = true;
  {
    LaunchedThread thread(0, first_action(first));
    int kind = platform::clipboard_content_kind();
    g_thread->event_info = kind;
    (void)set_error_level(kind);
    if (label) (void)run_callable(first);
    if (functions_too) {
      std::vector<ObjectRef> functions = g_functions.take_snapshot();
      for (const ObjectRef& f : functions) {
        ExprToken arg = int_token(kind);
        Callable c;
        c.object = f;
        (void)run_callable(c, &arg, 1);
      }
    }
  }
  g_running = false;
}

Result builtin_on_clipboard_change(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  (void)result;
  Result r = g_functions.change(args, argc);
  update_clipboard_watch();
  return r;
}

}  // namespace orv
