// The built-in function vocabulary: every name a script can call without
// defining it, with its parameter range and routine.
#pragma once

#include "base/text.h"
#include "runtime/func.h"

namespace orv {

struct BuiltinInfo {
  const char16_t* name;
  int min_params;
  int max_params;  // 10000 means unlimited
  BuiltinRoutine routine;
};

const BuiltinInfo* find_builtin(StringView name);

// Whether the script passed parameter i (an omitted one counts as not given).
inline bool arg_given(const ExprToken* args, int argc, int i) { return i < argc && args[i].symbol != SymMissing; }

// Routines defined in the library, grouped by concern.
Result builtin_math(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_mod(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_strlen(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_is_name(Func& func, ExprToken& result, ExprToken* args, int argc);
// Objects: the constructors, IsObject, and the Obj... functions that reach
// an Object's built-in methods directly.
Result builtin_object(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_array(Func& func, ExprToken& result, ExprToken* args, int argc);
// Struct(Definition [, Address | Object [, Object]]) and Sizeof(Definition).
Result builtin_struct(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_sizeof(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_critical_object(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_is_object(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_obj_method(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_obj_add_ref(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_obj_raw_set(Func& func, ExprToken& result, ExprToken* args, int argc);
// Function objects and serialised objects.
Result builtin_obj_bind_method(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_obj_dump(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_obj_load(Func& func, ExprToken& result, ExprToken* args, int argc);
// FileExist(FilePattern): the attribute letters of the first match, or "".
Result builtin_file_exist(Func& func, ExprToken& result, ExprToken* args, int argc);
// FileOpen(Filename, Flags [, Encoding]): a file object, or 0.
Result builtin_file_open(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_exception(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_substr(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_instr(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_trim(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_strreplace(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_strsplit(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_ord(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_chr(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_var_set_capacity(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_numget(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_numput(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_strget(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_strput(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_format(Func& func, ExprToken& result, ExprToken* args, int argc);
// RegExMatch(Haystack, NeedleRegEx [, OutputVar, StartingPosition]) and
// RegExReplace(Haystack, NeedleRegEx [, Replacement, OutputVarCount, Limit,
// StartingPosition]).
Result builtin_regex_match(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_regex_replace(Func& func, ExprToken& result, ExprToken* args, int argc);
// Callbacks on events: OnClipboardChange(Function [, AddRemove]),
// OnExit(Function [, AddRemove]), OnMessage(Msg [, Window], Function [, MaxThreads]).
Result builtin_on_clipboard_change(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_on_exit(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_on_message(Func& func, ExprToken& result, ExprToken* args, int argc);
// GetKeyState(KeyName [, Mode]); GetKeyName, GetKeyVK and GetKeySC(KeyName).
Result builtin_get_key_state(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_get_key_info(Func& func, ExprToken& result, ExprToken* args, int argc);
// WinExist() and WinActive() with WinTitle, WinText, ExcludeTitle, ExcludeText:
// the window's handle as 0x... text, 0x0 for none.
Result builtin_win_exist(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_win_active(Func& func, ExprToken& result, ExprToken* args, int argc);
// MenuGetHandle(MenuName) and MenuGetName(Handle).
Result builtin_menu_get_handle(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_menu_get_name(Func& func, ExprToken& result, ExprToken* args, int argc);
// Native calls: DllCall(Function, Type1, Arg1, ..., [ReturnType]),
// DynaCall(Function, Definition, Defaults...) and its other forms, and
// RegisterCallback(Function [, Options, ParamCount, EventInfo]).
Result builtin_dll_call(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_dyna_call(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_register_callback(Func& func, ExprToken& result, ExprToken* args, int argc);
// The list view functions: LV_Add(Options, Cells...), LV_Insert(Row, Options,
// Cells...), LV_Modify(Row, Options, Cells...), LV_Delete([Row]),
// LV_GetCount([S|Col]), LV_GetNext([After, C|F]), LV_GetText(Out, Row [, Col]),
// LV_InsertCol(N [, Options, Title]), LV_ModifyCol([N, Options, Title]) and
// LV_DeleteCol(N).
Result builtin_lv_add(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_insert(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_modify(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_delete(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_get_count(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_get_next(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_get_text(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_insert_col(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_modify_col(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_lv_delete_col(Func& func, ExprToken& result, ExprToken* args, int argc);
// SB_SetText(Text [, Part, Style]) and SB_SetParts([Width...]): the default
// window's status bar.
Result builtin_sb_set_text(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_sb_set_parts(Func& func, ExprToken& result, ExprToken* args, int argc);
Result builtin_not_available(Func& func, ExprToken& result, ExprToken* args, int argc);

}  // namespace orv
