// Menu, MenuName, SubCommand [, P3, P4, P5, P6]: builds and changes the
// script's menus and the tray menu, and shows them.
#include <optional>

#include "base/messages.h"
#include "gui/menu_build.h"
#include "gui/menus.h"
#include "platform/menus.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/executor.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/numbers.h"
#include "runtime/tray_icon_settings.h"
#include "windows/window_set_values.h"

namespace orv {

namespace {

bool g_use_error_level = false;

enum class Sub : uint8_t {
  Add, Insert, Rename, Check, Uncheck, ToggleCheck, Enable, Disable, ToggleEnable, Default, NoDefault, Delete,
  DeleteAll, Standard, NoStandard, Color, Icon, NoIcon, Show, UseErrorLevel, Tip, Click, MainWindow, NoMainWindow,
};

constexpr struct {
  StringView name;
  Sub sub;
} kSubs[] = {
    {u"Add", Sub::Add}, {u"Insert", Sub::Insert}, {u"Rename", Sub::Rename}, {u"Check", Sub::Check},
    {u"Uncheck", Sub::Uncheck}, {u"ToggleCheck", Sub::ToggleCheck}, {u"Enable", Sub::Enable},
    {u"Disable", Sub::Disable}, {u"ToggleEnable", Sub::ToggleEnable}, {u"Default", Sub::Default},
    {u"NoDefault", Sub::NoDefault}, {u"Delete", Sub::Delete}, {u"DeleteAll", Sub::DeleteAll},
    {u"Standard", Sub::Standard}, {u"NoStandard", Sub::NoStandard}, {u"Color", Sub::Color}, {u"Icon", Sub::Icon},
    {u"NoIcon", Sub::NoIcon}, {u"Show", Sub::Show}, {u"UseErrorLevel", Sub::UseErrorLevel}, {u"Tip", Sub::Tip},
    {u"Click", Sub::Click}, {u"MainWindow", Sub::MainWindow}, {u"NoMainWindow", Sub::NoMainWindow},
};

Result fail(MenuError error, StringView culprit) {
  if (error == MenuError::None) return ResultDone;
  if (g_use_error_level) return set_error_level(1);
  return report_runtime_error(menu_error_text(error), culprit);
}

// A target as written: a function object, ":Submenu", or the name of a
// label or else a function; blank means the item's own name.
MenuError resolve_target(ExpandedArgs& args, int i, StringView item_name, bool keep_if_blank, MenuTarget& out) {
  if (args.objects[i]) {
    out.callable.object = args.objects[i];
    out.given = true;
    return MenuError::None;
  }
  StringView text = trim(arg_text(args, i));
  if (text.empty()) {
    if (keep_if_blank || item_name.empty()) return MenuError::None;
    text = item_name;
  }
  out.given = true;
  if (text[0] == u':') {
    out.submenu = find_menu(trim(text.substr(1)));
    return out.submenu ? MenuError::None : MenuError::SubmenuMissing;
  }
  if (Label* label = g_script->find_label(text)) {
    out.callable.label = label;
    return MenuError::None;
  }
  // An item's thread passes three parameters; a function needing more
  // could never run.
  Func* f = find_function(*g_script, text);
  if (!f || f->min_params > 3) return MenuError::TargetMissing;
  out.callable.object = ObjectRef(f);
  return MenuError::None;
}

bool is_int(StringView s) { return numeric_type_of(s) == NumType::Integer; }

std::optional<int32_t> coordinate(StringView s) {
  if (s.empty()) return std::nullopt;
  return int32_t(text_to_int(s));
}

Result tray_icon(ScriptMenu&, StringView file, StringView number, StringView freeze) {
  if (!freeze.empty()) platform::set_tray_icon_frozen(text_to_int(freeze) != 0);
  if (file.empty()) {
    // Blank: the icon comes back if the script had removed it.
    if (number.empty() && freeze.empty() && g_tray_icon.hidden) {
      g_tray_icon.hidden = false;
      platform::set_tray_icon_visible(true);
    }
    return ResultDone;
  }
  bool builtin = file == u"*";
  int32_t n = number.empty() ? 1 : int32_t(text_to_int(number));
  String full;
  if (!platform::set_tray_icon_file(builtin ? StringView() : file, n, full)) return fail(MenuError::CantLoadIcon, file);
  g_tray_icon.file = builtin ? String() : full.substr(0, 259);
  g_tray_icon.number = builtin ? 0 : n;
  return ResultDone;
}

Result item_icon(ScriptMenu& menu, ScriptMenuItem& item, StringView file, StringView number, StringView width) {
  platform::MenuSystem& system = platform::menu_system();
  platform::BitmapHandle bitmap = 0;
  if (!file.empty()) {
    int32_t n = number.empty() ? 1 : int32_t(text_to_int(number));
    bitmap = system.load_icon_bitmap(file, n, width.empty() ? 0 : int32_t(text_to_int(width)));
    if (!bitmap) return fail(MenuError::CantLoadIcon, file);
  }
  if (item.icon) system.free_bitmap(item.icon);
  item.icon = bitmap;
  menu_changed(menu);
  return ResultDone;
}

Result state_change(ScriptMenu& menu, Sub sub, StringView spec) {
  if (spec.empty()) return fail(MenuError::Param3Blank, spec);
  ScriptMenuItem* item = find_item(menu, spec);
  if (!item) return fail(MenuError::ItemMissing, spec);
  switch (sub) {
    case Sub::Check: item->checked = true; break;
    case Sub::Uncheck: item->checked = false; break;
    case Sub::ToggleCheck: item->checked = !item->checked; break;
    case Sub::Enable: item->disabled = false; break;
    case Sub::Disable: item->disabled = true; break;
    default: item->disabled = !item->disabled; break;
  }
  menu_changed(menu);
  return ResultDone;
}

}  // namespace

Result cmd_menu(const ScriptLine&, ExpandedArgs& args) {
  StringView name = trim(arg_text(args, 0)), word = trim(arg_text(args, 1));
  StringView p3 = trim(arg_text(args, 2)), p4 = trim(arg_text(args, 3)), p5 = trim(arg_text(args, 4)),
             p6 = trim(arg_text(args, 5));
  if (g_use_error_level) (void)set_error_level(0);
  const Sub* found = nullptr;
  for (const auto& s : kSubs)
    if (equals_ignore_case(word, s.name)) found = &s.sub;
  if (!found) return fail(MenuError::ParamInvalid2, word);
  Sub sub = *found;
  if (sub == Sub::UseErrorLevel) {
    g_use_error_level = !equals_ignore_case(p3, u"Off");
    return ResultDone;
  }

  ScriptMenu* menu = find_menu(name);
  if (!menu) {
    size_t pos = 0;
    bool creates = sub == Sub::Add || sub == Sub::Standard ||
                   (sub == Sub::Insert && (p3.empty() || (item_position(p3, pos) && pos == 0)));
    if (!creates) return fail(name.size() > kMaxMenuNameLength ? MenuError::MenuNameTooLong : MenuError::MenuMissing, name);
    if (MenuError e = create_menu(name, menu); e != MenuError::None) return fail(e, name);
  }
  bool tray = menu->is_tray();
  switch (sub) {
    case Sub::Tip:
    case Sub::Click:
    case Sub::MainWindow:
    case Sub::NoMainWindow:
      if (!tray) return fail(MenuError::TrayOnly, word);
      break;
    default:
      break;
  }

  switch (sub) {
    case Sub::Add: {
      MenuTarget target;
      bool exists = !p3.empty() && find_item(*menu, p3);
      size_t pos = 0;
      if (!exists && item_position(p3, pos)) return fail(MenuError::ItemMissing, p3);
      if (MenuError e = resolve_target(args, 3, p3, exists, target); e != MenuError::None)
        return fail(e, p4.empty() ? p3 : p4);
      MenuError e = add_item(*menu, p3, target, parse_menu_item_options(p5));
      return fail(e, e == MenuError::SubmenuContainsParent ? p4 : p3);
    }
    case Sub::Insert: {
      MenuTarget target;
      bool exists = !p4.empty() && find_item(*menu, p4);
      if (MenuError e = resolve_target(args, 4, p4, exists, target); e != MenuError::None)
        return fail(e, p5.empty() ? p4 : p5);
      MenuError e = insert_item(*menu, p3, p4, target, parse_menu_item_options(p6));
      return fail(e, e == MenuError::ItemMissing ? p3 : e == MenuError::SubmenuContainsParent ? p5 : p4);
    }
    case Sub::Rename:
      if (p3.empty()) return fail(MenuError::Param3Blank, p3);
      if (MenuError e = rename_item(*menu, p3, p4); e != MenuError::None)
        return fail(e, e == MenuError::ItemMissing ? p3 : p4);
      return ResultDone;
    case Sub::Check:
    case Sub::Uncheck:
    case Sub::ToggleCheck:
    case Sub::Enable:
    case Sub::Disable:
    case Sub::ToggleEnable:
      return state_change(*menu, sub, p3);
    case Sub::Default:
    case Sub::NoDefault: {
      ScriptMenuItem* item = nullptr;
      if (sub == Sub::Default && !p3.empty() && !(item = find_item(*menu, p3))) return fail(MenuError::ItemMissing, p3);
      menu->default_item = item && !item->separator() ? item : nullptr;
      menu_changed(*menu);
      return ResultDone;
    }
    case Sub::Delete:
      if (p3.empty()) return fail(delete_menu(*menu), name);
      return fail(delete_item(*menu, p3), p3);
    case Sub::DeleteAll:
      return fail(delete_all_items(*menu), name);
    case Sub::Standard:
    case Sub::NoStandard:
      set_standard(*menu, sub == Sub::Standard);
      return ResultDone;
    case Sub::Color: {
      platform::MenuLook look;
      uint32_t rgb = 0;
      if (!p3.empty() && !equals_ignore_case(p3, u"Default") && parse_color(p3, rgb)) {
        look.has_color = true;
        look.rgb = rgb;
      }
      look.to_submenus = !equals_ignore_case(p4, u"Single");
      menu->look = look;
      menu->look_set = true;
      menu_changed(*menu);
      return ResultDone;
    }
    case Sub::Icon: {
      // The tray menu's own icon unless an item of it is named with a file.
      ScriptMenuItem* item = p3.empty() ? nullptr : find_item(*menu, p3);
      if (tray && !(item && !p4.empty())) return tray_icon(*menu, p3, p4, p5);
      if (p3.empty()) return fail(MenuError::Param3Blank, p3);
      if (!item) return fail(MenuError::ItemMissing, p3);
      return item_icon(*menu, *item, p4, p5, p6);
    }
    case Sub::NoIcon: {
      if (p3.empty()) {
        if (!tray) return fail(MenuError::Param3Blank, p3);
        g_tray_icon.hidden = true;
        platform::set_tray_icon_visible(false);
        return ResultDone;
      }
      ScriptMenuItem* item = find_item(*menu, p3);
      if (!item) return fail(MenuError::ItemMissing, p3);
      return item_icon(*menu, *item, StringView(), StringView(), StringView());
    }
    case Sub::Show:
      show_menu(*menu, coordinate(p3), coordinate(p4));
      return ResultDone;
    case Sub::Tip:
      set_tray_tip_text(p3);
      return ResultDone;
    case Sub::Click: {
      int64_t n = is_int(p3) ? text_to_int(p3) : 2;
      menu->tray_clicks = n >= 2 ? 2 : 1;
      return ResultDone;
    }
    case Sub::MainWindow:
    case Sub::NoMainWindow:
      g_main_window_allowed = sub == Sub::MainWindow;
      for (auto& m : script_menus())
        if (m->standard) menu_changed(*m);
      return ResultDone;
    case Sub::UseErrorLevel:
      break;
  }
  return ResultDone;
}

}  // namespace orv
