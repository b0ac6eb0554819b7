// The whole parsed script: the line list, labels and everything the reader's
// directives set. It is built once at load time and then lives unchanged
// until the process ends.
#pragma once

#include <cstdint>
#include <vector>

#include "base/pool.h"
#include "base/text.h"
#include "runtime/script_line.h"
#include "runtime/variable_list.h"
#include "runtime/process_state.h"

namespace orv {

struct Func;

struct Label {
  StringView name;
  ScriptLine* line = nullptr;  // the line the label points to (null until a line follows)
  uint32_t line_number = 0;
};

// Lines whose parsers come with the hotkey and hotstring subsystems are kept
// as read so that they can be registered once those exist.
struct HotkeyDefinition {
  StringView hotkey;     // the text before "::", right-trimmed
  StringView action;     // the text after "::", left-trimmed
  StringView criterion;  // the #If / #IfWin criterion in force (empty for none)
  uint32_t line_number = 0;
  Label* label = nullptr;
  Func* func = nullptr;  // a hotkey function, defined right after the hotkey; then no label
  uint16_t alt_tab = 0;  // an Alt-Tab action named in place of the label's lines
  // The directives in force where the hotkey was written.
  bool use_hook = false;
  bool max_threads_buffer = false;
  uint8_t max_threads = 1;
  uint8_t input_level = 0;
};

struct HotstringDefinition {
  StringView options;
  StringView default_options;  // the #Hotstring options in force where it was written
  StringView abbreviation;
  StringView replacement;
  StringView criterion;
  uint32_t line_number = 0;
  Label* label = nullptr;
  Func* func = nullptr;  // a hotstring function, defined right after it; then no label
  uint8_t max_threads = 1;
  uint8_t input_level = 0;
};

enum class WarnMode : uint8_t { Off = 0, OutputDebug = 1, MsgBox = 2, StdOut = 3 };
enum WarnClass : int { WarnUseUnsetLocal, WarnUseUnsetGlobal, WarnUseEnv, WarnLocalSameAsGlobal, WarnClassCount };

// What the directives set; defaults are the program's defaults.
struct DirectiveSettings {
  bool no_tray_icon = false;
  bool persistent = false;
  SingleInstanceMode single_instance = SingleInstanceMode::NotGiven;
  bool install_keybd_hook = false;
  bool install_mouse_hook = false;
  bool use_hook = false;
  int if_timeout = 1000;
  String hotstring_end_chars = String(u"-()[]{}:;'\"/\\,.?!\n \t");
  bool hotstring_no_mouse = false;
  String hotstring_default_options;
  int hotkey_modifier_timeout = 50;
  int hotkey_interval = 2000;
  int max_hotkeys_per_interval = 70;
  int max_threads_per_hotkey = 1;
  bool max_threads_buffer = false;
  int max_threads = 10;
  int clipboard_timeout = 1000;
  bool win_activate_force = false;
  uint64_t max_var_capacity = 64ull * 1024 * 1024;
  int key_history = 40;
  String menu_mask_key = String(u"Ctrl");
  int input_level = 0;
  bool warn_continuable_exception = true;
  WarnMode warn[WarnClassCount] = {WarnMode::Off, WarnMode::Off, WarnMode::Off, WarnMode::Off};
  bool persistent_by_gui = false;       // any Gui line keeps the script resident
};

// The characters of the language's syntax that directives can change.
struct SyntaxChars {
  String comment_flag = String(u";");
  char16_t escape = u'`';
  char16_t deref = u'%';
  char16_t delimiter = u',';
  bool ltrim_sections = false;  // default LTrim option of continuation sections
};

// A function, class or property definition as read, kept for the
// definitions parser. Body lines of functions are parsed into the line list
// like any other line; the block that holds them is marked as a body.
enum class DefinitionKind : uint8_t { Function, Class, Property, Getter, Setter, ClassVariables, StaticClassVariables };
struct DefinitionRecord {
  DefinitionKind kind;
  StringView text;
  uint32_t line_number = 0;
  int class_depth = 0;  // how many class bodies enclose it
};

struct CallRecord;

// A call written by name, bound to its function once every definition is known.
struct PendingCall {
  CallRecord* call;
  uint32_t line_number;
  uint16_t file_index;
  StringView expression;
  bool variadic_call;
};

// A DllCall whose first parameter is a single quoted literal: once calls
// are bound, the literal may be replaced by the function's address.
struct LiteralDllTarget {
  ExprToken* token;
  CallRecord* call;
};

struct ScriptProgram {
  ScriptProgram() = default;
  ScriptProgram(const ScriptProgram&) = delete;
  ScriptProgram& operator=(const ScriptProgram&) = delete;
  // Functions live in the pool but own their variable lists.
  ~ScriptProgram();

  Pool pool;
  std::vector<Func*> functions;  // sorted by name, case-insensitively
  Func* current_func = nullptr;  // the function whose body is being read
  std::vector<PendingCall> pending_calls;
  std::vector<LiteralDllTarget> literal_dll_targets;
  VariableList globals{true};
  SyntaxChars syntax;
  std::vector<DefinitionRecord> definitions;
  // Open { blocks while loading; the reader uses it to find where a
  // function body ends.
  int block_depth = 0;
  bool in_function = false;  // the line being read is inside a function body
  // A SetFormat without "Fast" (or with a type known only at run time)
  // makes numbers become text when they are assigned.
  bool format_int_on_assign = false;
  bool format_float_on_assign = false;

  ScriptLine* first_line = nullptr;
  ScriptLine* last_line = nullptr;

  std::vector<Label*> labels;                 // in order of definition
  Label* clipboard_change_label = nullptr;
  std::vector<Label*> labels_awaiting_line;   // defined since the previous line

  std::vector<HotkeyDefinition> hotkeys;
  std::vector<HotstringDefinition> hotstrings;

  DirectiveSettings directives;

  // Current source position while loading: copied into each line.
  uint32_t current_line_number = 0;
  uint16_t current_file_index = 0;
  std::vector<String> source_files;  // index 0 is the stored script

  // Script parameters from the command line; they become the variables 1,
  // 2, ... and 0 holds their count.
  std::vector<String> script_params;

  // Window groups by name, in creation order.
  std::vector<StringView> window_groups;
  const StringView* find_group(StringView name) const {
    for (const StringView& g : window_groups)
      if (equals_ignore_case(g, name)) return &g;
    return nullptr;
  }

  Label* find_label(StringView name) const;
  bool has_hotkeys_or_hotstrings() const { return !hotkeys.empty() || !hotstrings.empty(); }
};

// The one program of this process, once loading has begun.
extern ScriptProgram* g_script;

}  // namespace orv
