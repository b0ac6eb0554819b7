#include "windows/control_lists.h"

#include "windows/control_messages.h"
#include "windows/control_target.h"

namespace orv {

namespace {

constexpr uint32_t kTimeoutMs = 5000;

// The message for a combo box, else the one for a list box.
uint32_t pick(WindowHandle c, uint32_t combo, uint32_t list) { return is_combo(c) ? combo : list; }

void tell_choice(WindowHandle c) {
  if (is_combo(c)) {
    notify_parent(c, wm::CbnSelEndOk);
    notify_parent(c, wm::CbnSelChange);
  } else {
    notify_parent(c, wm::LbnSelChange);
  }
}

}  // namespace

intptr_t find_item(WindowHandle c, StringView text) {
  bool ok = false;
  intptr_t i = ask_text(c, pick(c, wm::CbFindStringExact, wm::LbFindStringExact), uintptr_t(-1), text, &ok);
  return ok ? i : -1;
}

intptr_t selected_item(WindowHandle c) {
  bool ok = false;
  intptr_t i = ask(c, pick(c, wm::CbGetCurSel, wm::LbGetCurSel), 0, 0, &ok);
  return ok ? i : -1;
}

bool item_text(WindowHandle c, intptr_t index, String& out) {
  if (index < 0) return false;
  bool ok = false;
  intptr_t length = ask(c, pick(c, wm::CbGetLbTextLen, wm::LbGetTextLen), uintptr_t(index), 0, &ok);
  if (!ok || length < 0) return false;
  return desktop().send_receive(c, pick(c, wm::CbGetLbText, wm::LbGetText), uintptr_t(index), size_t(length),
                                kTimeoutMs, out);
}

bool all_items(WindowHandle c, String& out) {
  bool ok = false;
  intptr_t n = ask(c, pick(c, wm::CbGetCount, wm::LbGetCount), 0, 0, &ok);
  if (!ok || n < 0) return false;
  out.clear();
  String item;
  for (intptr_t i = 0; i < n; ++i) {
    if (!item_text(c, i, item)) return false;
    if (i) out += u'\n';
    out += item;
  }
  return true;
}

bool add_item(WindowHandle c, StringView text) {
  bool ok = false;
  intptr_t i = ask_text(c, pick(c, wm::CbAddString, wm::LbAddString), 0, text, &ok);
  return ok && i >= 0;
}

bool delete_item(WindowHandle c, intptr_t index) {
  bool ok = false;
  intptr_t left = index < 0 ? -1 : ask(c, pick(c, wm::CbDeleteString, wm::LbDeleteString), uintptr_t(index), 0, &ok);
  return ok && left >= 0;
}

bool choose_item(WindowHandle c, intptr_t index) {
  if (index < 0) return false;
  bool ok = false;
  intptr_t got = ask(c, pick(c, wm::CbSetCurSel, wm::LbSetCurSel), uintptr_t(index), 0, &ok);
  // A list box that allows several selections refuses the single-selection
  // message; it takes one item's selection instead.
  if (ok && got == wm::Error && !is_combo(c)) got = ask(c, wm::LbSetSel, 1, index, &ok) == wm::Error ? wm::Error : index;
  if (!ok || got == wm::Error) return false;
  tell_choice(c);
  return true;
}

bool choose_item_text(WindowHandle c, StringView text) {
  bool ok = false;
  intptr_t got = ask_text(c, pick(c, wm::CbSelectString, wm::LbSelectString), uintptr_t(-1), text, &ok);
  if (!ok || got == wm::Error) return false;
  tell_choice(c);
  return true;
}

bool edit_line(WindowHandle c, int64_t n, String& out) {
  bool ok = false;
  intptr_t lines = ask(c, wm::EmGetLineCount, 0, 0, &ok);
  if (!ok || n < 1 || n > lines) return false;
  intptr_t start = ask(c, wm::EmLineIndex, uintptr_t(n - 1), 0, &ok);
  intptr_t length = ok && start >= 0 ? ask(c, wm::EmLineLength, uintptr_t(start), 0, &ok) : -1;
  if (!ok || length < 0) return false;
  // Cut from the whole text rather than asked for by line: the line request
  // comes back short from another process under some systems.
  String text = desktop().control_text(c, true);
  out = size_t(start) < text.size() ? text.substr(size_t(start), size_t(length)) : String();
  return true;
}

}  // namespace orv
