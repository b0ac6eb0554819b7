// MouseGetPos: where the pointer is, in the thread's CoordMode for the
// mouse, and the window and control under it.
#include "platform/input_sender.h"
#include "runtime/executor.h"
#include "runtime/numbers.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"
#include "windows/control_names.h"
#include "windows/window_commands.h"
#include "windows/window_finder.h"
#include "windows/window_search.h"

namespace orv {

// MouseGetPos [, OutputVarX, OutputVarY, OutputVarWin, OutputVarControl, Flag]:
// Flag 2 gives the control's handle instead of its ClassNN.
Result cmd_mouse_get_pos(const ScriptLine&, ExpandedArgs& args) {
  platform::WindowSystem& ws = desktop();
  int32_t x = 0, y = 0;
  platform::input_sender().cursor_pos(x, y);
  WindowHandle under = ws.window_from_point(x, y);
  WindowHandle top = under;
  while (top && ws.is_child(top)) top = ws.parent(top);
  int32_t ox = 0, oy = 0;
  WindowHandle active = ws.foreground();
  CoordMode mode = g_thread->coord_mode(CoordTarget::Mouse);
  if (active && mode == CoordMode::Client) {
    if (ws.to_client(active, ox, oy)) ox = -ox, oy = -oy;
    else ox = oy = 0;
  } else if (active && mode == CoordMode::Window) {
    platform::WindowRect r;
    if (ws.rect(active, r)) ox = r.x, oy = r.y;
  }
  int64_t flag = text_to_int(trim(arg_text(args, 4)));
  Result r = ResultDone;
  if (Variable* v = args.vars[0]) r = v->assign_int(x - ox);
  if (r && args.vars[1]) r = args.vars[1]->assign_int(y - oy);
  if (r && args.vars[2]) r = args.vars[2]->assign(top ? window_handle_text(top) : String());
  if (r && args.vars[3]) {
    WindowHandle control = under != top ? under : 0;
    if (!control) r = args.vars[3]->assign_empty();
    else if (flag & 2) r = args.vars[3]->assign(window_handle_text(control));
    else r = args.vars[3]->assign(class_nn_of(top, control));
  }
  return r;
}

}  // namespace orv
