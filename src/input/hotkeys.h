// The script's hotkeys at run time: defined from its hotkey lines when it
// loads and by the Hotkey command later, registered with the system or
// left to the hook, and launched as threads when they fire.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/text.h"

namespace orv {

struct ScriptProgram;
struct HotkeyCriterion;
class HotkeyTable;
enum class CriterionKind : uint8_t;

// Defines the hotkeys the script's lines declare; an error is a load error
// at the hotkey's line. Then registers them and installs what they need.
Result load_hotkeys(ScriptProgram& program);

// Lets go of every registration (at exit).
void remove_hotkeys();

// The ListHotkeys view, as the menu shows it.
void show_hotkeys_view();

// Window criteria (#IfWinActive and its kin) are judged by window search,
// which installs its test here; without one no window criterion holds.
using WindowCriterionTest = bool (*)(CriterionKind kind, StringView title, StringView text, uintptr_t& found);
void set_window_criterion_test(WindowCriterionTest test);

// The main thread's answer when the hook asks whether #If expression
// number `index` holds (the message the hook sends MainWindow).
intptr_t answer_if_expression(uintptr_t index);

// The criterion a hotkey or hotstring line was written under ("#If
// expression", "#IfWinActive WinTitle, WinText" and the like, as the
// reader kept it), compiled.
Result criterion_of(ScriptProgram& program, StringView kept, HotkeyCriterion& c);
// Whether it holds now, judged on the main thread; `found` is the window
// an IfWinActive/IfWinExist criterion found.
bool criterion_holds(const HotkeyCriterion& c, uintptr_t& found);

// A hotkey's or hotstring's thread starts: A_ThisHotkey and A_PriorHotkey
// (and their ticks) move on.
void note_hotkey_launch(const String& name);

// BlockInput MouseMove: the mouse hook swallows physical movement, so it
// is installed for as long as that is asked for.
void set_mouse_hook_for_blocking(bool on);

// For tests: the table of the running script.
HotkeyTable& script_hotkeys();

}  // namespace orv
