#include "runtime/builtin_functions.h"

#include <iterator>

#include "base/messages.h"
#include "base/name_table.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"

namespace orv {

namespace {

constexpr int N = 10000;  // unlimited
constexpr BuiltinRoutine kLater = builtin_not_available;

// Sorted case-insensitively so that lookups can bisect.
const BuiltinInfo kBuiltins[] = {
    {u"Abs", 1, 1, builtin_math}, {u"ACos", 1, 1, builtin_math}, {u"Alias", 1, 2, kLater},
    {u"Array", 0, N, builtin_array}, {u"Asc", 1, 1, builtin_ord}, {u"ASin", 1, 1, builtin_math}, {u"ATan", 1, 1, builtin_math},
    {u"CacheEnable", 1, 1, kLater}, {u"Ceil", 1, 1, builtin_math}, {u"Chr", 1, 1, builtin_chr},
    {u"ComObjActive", 0, 3, kLater}, {u"ComObjArray", 2, 9, kLater}, {u"ComObjConnect", 0, 3, kLater},
    {u"ComObjCreate", 0, 3, kLater}, {u"ComObjDll", 0, 3, kLater}, {u"ComObjEnwrap", 0, 3, kLater},
    {u"ComObjError", 0, 3, kLater}, {u"ComObjFlags", 0, 3, kLater}, {u"ComObjGet", 0, 3, kLater},
    {u"ComObjMissing", 0, 3, kLater}, {u"ComObjParameter", 0, 3, kLater}, {u"ComObjQuery", 0, 3, kLater},
    {u"ComObjType", 0, 3, kLater}, {u"ComObjUnwrap", 0, 3, kLater}, {u"ComObjValue", 0, 3, kLater},
    {u"Cos", 1, 1, builtin_math}, {u"CriticalObject", 0, 2, builtin_critical_object}, {u"CryptAES", 3, 5, kLater},
    {u"DllCall", 1, N, builtin_dll_call}, {u"DynaCall", 1, N, builtin_dyna_call}, {u"Exception", 1, 3, builtin_exception},
    {u"Exp", 1, 1, builtin_math}, {u"FileExist", 1, 1, builtin_file_exist}, {u"FileOpen", 2, 3, builtin_file_open},
    {u"FindFunc", 1, 1, kLater}, {u"FindLabel", 1, 1, kLater}, {u"Floor", 1, 1, builtin_math},
    {u"Format", 1, N, builtin_format}, {u"Func", 1, 1, builtin_is_name}, {u"GetKeyName", 1, 1, builtin_get_key_info}, {u"GetKeySC", 1, 1, builtin_get_key_info},
    {u"GetKeyState", 1, 2, builtin_get_key_state}, {u"GetKeyVK", 1, 1, builtin_get_key_info}, {u"getTokenValue", 1, 2, kLater},
    {u"Getvar", 1, 1, kLater}, {u"IL_Add", 2, 4, kLater}, {u"IL_Create", 0, 3, kLater}, {u"IL_Destroy", 1, 1, kLater},
    {u"InStr", 2, 5, builtin_instr}, {u"IsByRef", 1, 1, builtin_is_name}, {u"IsFunc", 1, 1, builtin_is_name}, {u"IsLabel", 1, 1, builtin_is_name},
    {u"IsObject", 1, N, builtin_is_object}, {u"Ln", 1, 1, builtin_math}, {u"LoadPicture", 1, 3, kLater},
    {u"Log", 1, 1, builtin_math}, {u"LTrim", 1, 2, builtin_trim}, {u"LV_Add", 0, N, builtin_lv_add}, {u"LV_Delete", 0, 1, builtin_lv_delete},
    {u"LV_DeleteCol", 1, 1, builtin_lv_delete_col}, {u"LV_GetCount", 0, 1, builtin_lv_get_count}, {u"LV_GetNext", 0, 2, builtin_lv_get_next},
    {u"LV_GetText", 2, 3, builtin_lv_get_text}, {u"LV_Insert", 1, N, builtin_lv_insert}, {u"LV_InsertCol", 1, 3, builtin_lv_insert_col},
    {u"LV_Modify", 1, N, builtin_lv_modify}, {u"LV_ModifyCol", 0, 3, builtin_lv_modify_col}, {u"LV_SetImageList", 1, 2, kLater},
    {u"MemoryCallEntryPoint", 1, 2, kLater}, {u"MemoryFindResource", 2, 4, kLater},
    {u"MemoryFreeLibrary", 1, 1, kLater}, {u"MemoryGetProcAddress", 2, 2, kLater},
    {u"MemoryLoadLibrary", 1, 6, kLater}, {u"MemoryLoadResource", 2, 2, kLater},
    {u"MemoryLoadString", 2, 4, kLater}, {u"MemorySizeOfResource", 2, 2, kLater}, {u"MenuGetHandle", 1, 1, builtin_menu_get_handle},
    {u"MenuGetName", 1, 1, builtin_menu_get_name}, {u"Mod", 2, 2, builtin_mod}, {u"NumGet", 1, 3, builtin_numget},
    {u"NumPut", 2, 4, builtin_numput}, {u"ObjAddRef", 1, 1, builtin_obj_add_ref}, {u"ObjBindMethod", 2, 10001, builtin_obj_bind_method},
    {u"ObjClone", 1, 1, builtin_obj_method}, {u"ObjCount", 1, 1, builtin_obj_method},
    {u"ObjDelete", 2, 3, builtin_obj_method}, {u"ObjDump", 1, 4, builtin_obj_dump}, {u"Object", 0, N, builtin_object},
    {u"ObjGetAddress", 2, 2, builtin_obj_method}, {u"ObjGetCapacity", 1, 2, builtin_obj_method},
    {u"ObjHasKey", 2, 2, builtin_obj_method}, {u"ObjInsert", 2, 10001, builtin_obj_method},
    {u"ObjInsertAt", 3, 10001, builtin_obj_method}, {u"ObjLength", 1, 1, builtin_obj_method},
    {u"ObjLoad", 1, 3, builtin_obj_load}, {u"ObjMaxIndex", 1, 1, builtin_obj_method},
    {u"ObjMinIndex", 1, 1, builtin_obj_method}, {u"ObjNewEnum", 1, 1, builtin_obj_method},
    {u"ObjPop", 1, 1, builtin_obj_method}, {u"ObjPush", 2, 10001, builtin_obj_method},
    {u"ObjRawSet", 3, 3, builtin_obj_raw_set}, {u"ObjRelease", 1, 1, builtin_obj_add_ref},
    {u"ObjRemove", 1, 3, builtin_obj_method}, {u"ObjRemoveAt", 2, 3, builtin_obj_method},
    {u"ObjSetCapacity", 2, 3, builtin_obj_method}, {u"OnClipboardChange", 1, 2, builtin_on_clipboard_change}, {u"OnExit", 1, 2, builtin_on_exit},
    {u"OnMessage", 1, 4, builtin_on_message}, {u"Ord", 1, 1, builtin_ord}, {u"RegExMatch", 2, 4, builtin_regex_match},
    {u"RegExReplace", 2, 6, builtin_regex_replace}, {u"RegisterCallback", 1, 4, builtin_register_callback}, {u"ResourceLoadLibrary", 1, 2, kLater},
    {u"Round", 1, 2, builtin_math}, {u"RTrim", 1, 2, builtin_trim}, {u"SB_SetIcon", 1, 3, kLater},
    {u"SB_SetParts", 0, 255, builtin_sb_set_parts}, {u"SB_SetText", 1, 3, builtin_sb_set_text}, {u"Sin", 1, 1, builtin_math},
    {u"Sizeof", 1, 2, builtin_sizeof}, {u"Sqrt", 1, 1, builtin_math}, {u"StrGet", 1, 3, builtin_strget},
    {u"StrLen", 1, 1, builtin_strlen}, {u"StrPut", 1, 4, builtin_strput}, {u"StrReplace", 2, 5, builtin_strreplace},
    {u"StrSplit", 1, 4, builtin_strsplit}, {u"Struct", 1, 3, builtin_struct}, {u"SubStr", 2, 3, builtin_substr}, {u"Tan", 1, 1, builtin_math},
    {u"Trim", 1, 2, builtin_trim}, {u"TV_Add", 1, 3, kLater}, {u"TV_Delete", 0, 1, kLater}, {u"TV_Get", 2, 2, kLater},
    {u"TV_GetChild", 1, 1, kLater}, {u"TV_GetCount", 0, 0, kLater}, {u"TV_GetNext", 0, 2, kLater},
    {u"TV_GetParent", 1, 1, kLater}, {u"TV_GetPrev", 1, 1, kLater}, {u"TV_GetSelection", 0, 0, kLater},
    {u"TV_GetText", 2, 2, kLater}, {u"TV_Modify", 1, 3, kLater}, {u"TV_SetImageList", 1, 2, kLater},
    {u"UnZip", 2, 5, kLater}, {u"UnZipBuffer", 2, 5, kLater}, {u"UnZipRawMemory", 2, 3, kLater},
    {u"VarSetCapacity", 1, 3, builtin_var_set_capacity}, {u"WinActive", 0, 4, builtin_win_active}, {u"WinExist", 0, 4, builtin_win_exist},
    {u"ZipAddBuffer", 3, 4, kLater}, {u"ZipAddFile", 2, 3, kLater}, {u"ZipAddFolder", 2, 2, kLater},
    {u"ZipCloseBuffer", 1, 1, kLater}, {u"ZipCloseFile", 1, 1, kLater}, {u"ZipCreateBuffer", 1, 2, kLater},
    {u"ZipCreateFile", 1, 2, kLater}, {u"ZipInfo", 1, 1, kLater}, {u"ZipOptions", 2, 2, kLater},
    {u"ZipRawMemory", 2, 3, kLater},
};

}  // namespace

const BuiltinInfo* find_builtin(StringView name) {
  if (const BuiltinInfo* info = find_by_name(kBuiltins, std::size(kBuiltins), name)) return info;
  // Every other ComObj... name is served by the generic COM routine.
  if (name.size() > 6 && starts_with_ignore_case(name, u"ComObj")) {
    static const BuiltinInfo kComObj = {u"ComObj", 0, 3, kLater};
    return &kComObj;
  }
  return nullptr;
}

Result builtin_not_available(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)result;
  (void)args;
  (void)argc;
  return report_not_available(func.name, message(Msg::TheFunction));
}

Result builtin_strlen(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  (void)argc;
  char16_t buf[256];
  result = ExprToken{};
  result.symbol = SymInteger;
  result.integer = int64_t(token_to_text(args[0], buf).size());
  return ResultDone;
}

}  // namespace orv
