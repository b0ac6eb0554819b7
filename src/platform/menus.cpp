// The record-keeping menus of the base class: what the headless host has,
// and what the Win32 side builds on for nothing (it overrides every call).
#include "platform/menus.h"

namespace orv::platform {

MenuSystem::Record* MenuSystem::find(MenuHandle menu) {
  for (Record& r : records_)
    if (r.handle == menu) return &r;
  return nullptr;
}

MenuHandle MenuSystem::create(bool) {
  records_.push_back(Record{next_, {}});
  return next_++;
}

void MenuSystem::destroy(MenuHandle menu) {
  std::erase_if(records_, [menu](const Record& r) { return r.handle == menu; });
}

bool MenuSystem::exists(MenuHandle menu) { return find(menu) != nullptr; }

bool MenuSystem::set_entries(MenuHandle menu, const std::vector<MenuEntry>& entries) {
  Record* r = find(menu);
  if (!r) return false;
  r->entries = entries;
  return true;
}

bool MenuSystem::entries(MenuHandle menu, std::vector<MenuEntry>& out) {
  Record* r = find(menu);
  if (!r) return false;
  out = r->entries;
  return true;
}

void MenuSystem::set_look(MenuHandle, const MenuLook&) {}

}  // namespace orv::platform
