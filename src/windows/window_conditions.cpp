// The yes-or-no questions about windows: IfWinExist and its kin, the
// functions WinExist() and WinActive(), and the window criteria of hotkeys.
// Each sets the Last Found Window when it finds one.
#include "input/hotkey_table.h"
#include "input/hotkeys.h"
#include "runtime/builtin_functions.h"
#include "runtime/evaluator.h"
#include "runtime/executor.h"
#include "runtime/script_line.h"
#include "windows/window_commands.h"
#include "windows/window_finder.h"

namespace orv {

namespace {

// The handle as scripts see it: lower-case hexadecimal after 0x; 0x0 for none.
String handle_text(WindowHandle w) {
  static const char16_t kDigits[] = u"0123456789abcdef";
  String digits;
  do {
    digits.insert(digits.begin(), kDigits[w & 15]);
    w >>= 4;
  } while (w);
  return u"0x" + digits;
}

Result window_function(bool active, ExprToken& result, ExprToken* args, int argc) {
  char16_t bufs[4][256];
  StringView s[4];
  for (int i = 0; i < 4 && i < argc; ++i)
    if (args[i].symbol != SymMissing) s[i] = token_to_text(args[i], bufs[i]);
  WindowQuery q{s[0], s[1], s[2], s[3]};
  WindowHandle w = active ? thread_find_active(q, LastFound::Set) : thread_find_window(q, LastFound::Set);
  // A handle is a number to the script: "0x0" must read as false and as 0.
  return temp_text_token(handle_text(w), SymOperand, result);
}

bool hotkey_window_criterion(CriterionKind kind, StringView title, StringView text, uintptr_t& found) {
  WindowQuery q{title, text};
  SearchContext context = thread_search_context();
  switch (kind) {
    case CriterionKind::IfWinActive: return (found = find_active_window(q, context)) != 0;
    case CriterionKind::IfWinNotActive: return find_active_window(q, context) == 0;
    case CriterionKind::IfWinExist: return (found = find_window(q, context)) != 0;
    case CriterionKind::IfWinNotExist: return find_window(q, context) == 0;
    default: return false;
  }
}

}  // namespace

String window_handle_text(WindowHandle w) { return handle_text(w); }

WindowQuery query_of(const ExpandedArgs& args, int first) {
  return {arg_text(args, first), arg_text(args, first + 1), arg_text(args, first + 2), arg_text(args, first + 3)};
}

Result cmd_if_win(const ScriptLine& line, ExpandedArgs& args) {
  WindowQuery q = query_of(args, 0);
  bool active = line.action == CmdIfWinActive || line.action == CmdIfWinNotActive;
  bool found = (active ? thread_find_active(q, LastFound::Set) : thread_find_window(q, LastFound::Set)) != 0;
  bool negated = line.action == CmdIfWinNotActive || line.action == CmdIfWinNotExist;
  return found != negated ? ResultConditionTrue : ResultConditionFalse;
}

Result builtin_win_exist(Func&, ExprToken& result, ExprToken* args, int argc) {
  return window_function(false, result, args, argc);
}

Result builtin_win_active(Func&, ExprToken& result, ExprToken* args, int argc) {
  return window_function(true, result, args, argc);
}

void install_window_search() { set_window_criterion_test(hotkey_window_criterion); }

}  // namespace orv
