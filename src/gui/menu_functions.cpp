// MenuGetHandle(MenuName): the menu's system menu, made if need be, for
// the system's own menu calls; empty for a menu that does not exist.
// MenuGetName(Handle): the name of the menu with that system menu, or empty.
#include "gui/menu_build.h"
#include "runtime/builtin_functions.h"
#include "runtime/evaluator.h"

namespace orv {

Result builtin_menu_get_handle(Func&, ExprToken& result, ExprToken* args, int) {
  char16_t buf[256];
  ScriptMenu* menu = find_menu(token_to_text(args[0], buf));
  if (!menu) return ResultDone;
  platform::MenuHandle handle = system_menu(*menu);
  if (handle) result = int_token(int64_t(handle));
  return ResultDone;
}

Result builtin_menu_get_name(Func&, ExprToken& result, ExprToken* args, int) {
  ScriptMenu* menu = find_menu_by_handle(platform::MenuHandle(token_to_int(args[0])));
  if (menu) return temp_text_token(menu->name, SymString, result);
  return ResultDone;
}

}  // namespace orv
