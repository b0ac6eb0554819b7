#include "runtime/builtin_vars.h"

#include <cstring>
#include <iterator>

#include "base/name_table.h"
#include "runtime/thread_settings.h"
#include "runtime/builtin_producers.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

constexpr VarType B = VarType::Builtin;

// Sorted case-insensitively: lookups bisect.
const BuiltinVariable kPlain[] = {
    {u"Clipboard", VarType::Clipboard, nullptr},
    {u"ClipboardAll", VarType::ClipboardAll, nullptr},
    {u"ComSpec", B, produce_directory},
    {u"False", B, produce_constant},
    {u"Null", B, produce_constant},
    {u"ProgramFiles", B, produce_special_folder},
    {u"True", B, produce_constant},
};

// The names after "A_", sorted case-insensitively.
const BuiltinVariable kPrefixed[] = {
    {u"AppData", B, produce_special_folder},
    {u"AppDataCommon", B, produce_special_folder},
    {u"AutoTrim", B, produce_on_off_setting},
    {u"BatchLines", B, produce_batch_lines},
    {u"CaretX", B, produce_caret},
    {u"CaretY", B, produce_caret},
    {u"ComputerName", B, produce_system_fact},
    {u"ControlDelay", B, produce_delay},
    {u"CoordModeCaret", B, produce_coord_mode},
    {u"CoordModeMenu", B, produce_coord_mode},
    {u"CoordModeMouse", B, produce_coord_mode},
    {u"CoordModePixel", B, produce_coord_mode},
    {u"CoordModeToolTip", B, produce_coord_mode},
    {u"Cursor", B, produce_caret},
    {u"DD", B, produce_date_part},
    {u"DDD", B, produce_date_name},
    {u"DDDD", B, produce_date_name},
    {u"DefaultGui", B, produce_gui_event},
    {u"DefaultListView", B, produce_gui_event},
    {u"DefaultMouseSpeed", B, produce_delay},
    {u"DefaultTreeView", B, produce_gui_event},
    {u"Desktop", B, produce_special_folder},
    {u"DesktopCommon", B, produce_special_folder},
    {u"DetectHiddenText", B, produce_on_off_setting},
    {u"DetectHiddenWindows", B, produce_on_off_setting},
    {u"DllDir", B, produce_module},
    {u"DllPath", B, produce_module},
    {u"EndChar", B, produce_hotkey},
    {u"EventInfo", B, produce_event_info},
    {u"ExitReason", B, produce_exit_reason},
    {u"FileEncoding", B, produce_file_encoding},
    {u"FormatFloat", B, produce_number_format},
    {u"FormatInteger", B, produce_number_format},
    {u"GlobalStruct", B, produce_address},
    {u"Gui", B, produce_gui_event},
    {u"GuiControl", B, produce_gui_event},
    {u"GuiControlEvent", B, produce_gui_event},
    {u"GuiEvent", B, produce_gui_event},
    {u"GuiHeight", B, produce_gui_event},
    {u"GuiWidth", B, produce_gui_event},
    {u"GuiX", B, produce_gui_event},
    {u"GuiY", B, produce_gui_event},
    {u"Hour", B, produce_date_part},
    {u"IconFile", B, produce_tray_icon},
    {u"IconHidden", B, produce_tray_icon},
    {u"IconNumber", B, produce_tray_icon},
    {u"IconTip", B, produce_tray_icon},
    {u"Index", B, produce_loop_index},
    {u"IPAddress1", B, produce_system_fact},
    {u"IPAddress2", B, produce_system_fact},
    {u"IPAddress3", B, produce_system_fact},
    {u"IPAddress4", B, produce_system_fact},
    {u"Is64bitOS", B, produce_constant},
    {u"IsAdmin", B, produce_system_fact},
    {u"IsCompiled", B, produce_constant},
    {u"IsCritical", B, produce_thread_state},
    {u"IsDll", B, produce_module},
    {u"IsMini", B, produce_constant},
    {u"IsPaused", B, produce_thread_state},
    {u"IsSuspended", B, produce_thread_state},
    {u"IsUnicode", B, produce_constant},
    {u"KeyDelay", B, produce_delay},
    {u"KeyDelayPlay", B, produce_delay},
    {u"KeyDuration", B, produce_delay},
    {u"KeyDurationPlay", B, produce_delay},
    {u"Language", B, produce_system_fact},
    {u"LastError", B, produce_last_error},
    {u"LineFile", B, produce_line},
    {u"LineNumber", B, produce_line},
    {u"LoopField", B, produce_loop_item},
    {u"LoopFileAttrib", B, produce_loop_item},
    {u"LoopFileDir", B, produce_loop_item},
    {u"LoopFileExt", B, produce_loop_item},
    {u"LoopFileFullPath", B, produce_loop_item},
    {u"LoopFileLongPath", B, produce_loop_item},
    {u"LoopFileName", B, produce_loop_item},
    {u"LoopFileShortName", B, produce_loop_item},
    {u"LoopFileShortPath", B, produce_loop_item},
    {u"LoopFileSize", B, produce_loop_item},
    {u"LoopFileSizeKB", B, produce_loop_item},
    {u"LoopFileSizeMB", B, produce_loop_item},
    {u"LoopFileTimeAccessed", B, produce_loop_item},
    {u"LoopFileTimeCreated", B, produce_loop_item},
    {u"LoopFileTimeModified", B, produce_loop_item},
    {u"LoopReadLine", B, produce_loop_item},
    {u"LoopRegKey", B, produce_loop_item},
    {u"LoopRegName", B, produce_loop_item},
    {u"LoopRegSubKey", B, produce_loop_item},
    {u"LoopRegTimeModified", B, produce_loop_item},
    {u"LoopRegType", B, produce_loop_item},
    {u"MDay", B, produce_date_part},
    {u"MemoryModule", B, produce_address},
    {u"Min", B, produce_date_part},
    {u"MM", B, produce_date_part},
    {u"MMM", B, produce_date_name},
    {u"MMMM", B, produce_date_name},
    {u"ModuleHandle", B, produce_address},
    {u"Mon", B, produce_date_part},
    {u"MouseDelay", B, produce_delay},
    {u"MouseDelayPlay", B, produce_delay},
    {u"MSec", B, produce_date_part},
    {u"MyDocuments", B, produce_special_folder},
    {u"Now", B, produce_now},
    {u"NowUTC", B, produce_now},
    {u"NumBatchLines", B, produce_batch_lines},
    {u"OrvDir", B, produce_install_dir},
    {u"OrvPath", B, produce_install_dir},
    {u"OrvVersion", B, produce_constant},
    {u"OSType", B, produce_constant},
    {u"OSVersion", B, produce_system_fact},
    {u"PriorHotkey", B, produce_hotkey},
    {u"PriorKey", B, produce_hotkey},
    {u"ProgramFiles", B, produce_special_folder},
    {u"Programs", B, produce_special_folder},
    {u"ProgramsCommon", B, produce_special_folder},
    {u"PtrSize", B, produce_constant},
    {u"RegView", B, produce_reg_view},
    {u"ScreenDPI", B, produce_screen},
    {u"ScreenHeight", B, produce_screen},
    {u"ScreenWidth", B, produce_screen},
    {u"ScriptDir", B, produce_script_file},
    {u"ScriptFullPath", B, produce_script_file},
    {u"ScriptHwnd", B, produce_script_file},
    {u"ScriptName", B, produce_script_file},
    {u"ScriptStruct", B, produce_address},
    {u"Sec", B, produce_date_part},
    {u"SendLevel", B, produce_delay},
    {u"SendMode", B, produce_send_mode},
    {u"Space", B, produce_constant},
    {u"StartMenu", B, produce_special_folder},
    {u"StartMenuCommon", B, produce_special_folder},
    {u"Startup", B, produce_special_folder},
    {u"StartupCommon", B, produce_special_folder},
    {u"StoreCapslockMode", B, produce_on_off_setting},
    {u"StringCaseSense", B, produce_string_case_sense},
    {u"Tab", B, produce_constant},
    {u"Temp", B, produce_directory},
    {u"ThisFunc", B, produce_this_routine},
    {u"ThisHotkey", B, produce_hotkey},
    {u"ThisLabel", B, produce_this_routine},
    {u"ThisMenu", B, produce_menu_item},
    {u"ThisMenuItem", B, produce_menu_item},
    {u"ThisMenuItemPos", B, produce_menu_item},
    {u"TickCount", B, produce_tick_count},
    {u"TimeIdle", B, produce_idle_time},
    {u"TimeIdlePhysical", B, produce_idle_time},
    {u"TimeSincePriorHotkey", B, produce_hotkey_time},
    {u"TimeSinceThisHotkey", B, produce_hotkey_time},
    {u"TitleMatchMode", B, produce_title_match},
    {u"TitleMatchModeSpeed", B, produce_title_match},
    {u"UserName", B, produce_system_fact},
    {u"WDay", B, produce_date_part},
    {u"WinDelay", B, produce_delay},
    {u"WinDir", B, produce_directory},
    {u"WorkingDir", B, produce_directory},
    {u"YDay", B, produce_date_part},
    {u"Year", B, produce_date_part},
    {u"YWeek", B, produce_date_part},
    {u"YYYY", B, produce_date_part},
};


bool has_prefix(StringView name) { return name.size() > 2 && (name[0] == u'A' || name[0] == u'a') && name[1] == u'_'; }

// The value of a small fixed fact.
struct Constant {
  const char16_t* name;
  const char16_t* value;
};
constexpr Constant kConstants[] = {
    {u"True", u"1"},        {u"False", u"0"},     {u"Null", u"0"},          {u"Space", u" "},
    {u"Tab", u"\t"},        {u"IsCompiled", u"1"}, {u"IsUnicode", u"1"},    {u"Is64bitOS", u"1"},
    {u"IsMini", u"0"},      {u"PtrSize", u"8"},   {u"OSType", u"WIN32_NT"}, {u"OrvVersion", u"1.1.24.04"},
};

}  // namespace

const BuiltinVariable* find_builtin_variable(StringView name) {
  if (has_prefix(name)) return find_by_name(kPrefixed, std::size(kPrefixed), name.substr(2));
  return find_by_name(kPlain, std::size(kPlain), name);
}

String builtin_variable_text(const char16_t* name) {
  const BuiltinVariable* b = find_builtin_variable(name);
  if (!b || !b->producer) return String();
  Variable v;
  v.name = name;
  String text(b->producer(nullptr, v), u'\0');
  text.resize(b->producer(text.data(), v));
  return text;
}

BuiltinVariableRun builtin_variables_plain() { return {kPlain, std::size(kPlain)}; }
BuiltinVariableRun builtin_variables_prefixed() { return {kPrefixed, std::size(kPrefixed)}; }

bool builtin_variable_integer(const Variable& var, int64_t& out) {
  if (var.type != VarType::Builtin) return false;
  if (var.producer == produce_loop_index) {
    out = g_thread->loop_index;
    return true;
  }
  if (var.producer == produce_event_info) {
    out = g_thread->event_info;
    return true;
  }
  return false;
}

StringView builtin_suffix(const Variable& var) {
  StringView name = var.name_view();
  return has_prefix(name) ? name.substr(2) : name;
}

size_t put_text(char16_t* dest, StringView text) {
  if (dest) {
    if (!text.empty()) std::memcpy(dest, text.data(), text.size() * sizeof(char16_t));
    dest[text.size()] = 0;
  }
  return text.size();
}

size_t put_int(char16_t* dest, int64_t value) {
  char16_t buf[32];
  return put_text(dest, StringView(buf, format_int(value, IntegerFormat::Decimal, buf)));
}

size_t put_changing_text(char16_t* dest, StringView text, size_t bound) {
  if (!dest) return bound;
  return put_text(dest, text.substr(0, bound));
}

size_t put_changing_int(char16_t* dest, int64_t value) {
  // The longest 64-bit integer in decimal: a sign and 19 digits.
  constexpr size_t kLongestInt = 20;
  if (!dest) return kLongestInt;
  return put_int(dest, value);
}

size_t put_on_off(char16_t* dest, bool on) { return put_text(dest, on ? u"On" : u"Off"); }

size_t produce_constant(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  for (const Constant& c : kConstants)
    if (equals_ignore_case(name, c.name)) return put_text(dest, c.value);
  return put_text(dest, StringView());
}

}  // namespace orv
