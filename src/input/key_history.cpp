#include "input/key_history.h"

#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "input/key_codes.h"

namespace orv {

namespace {

String modifier_names(uint8_t mods) {
  static const char16_t* const kNames[] = {u"LCtrl", u"RCtrl", u"LAlt", u"RAlt", u"LShift", u"RShift", u"LWin", u"RWin"};
  String out;
  for (int bit = 0; bit < 8; ++bit) {
    if (!(mods & (1 << bit))) continue;
    if (!out.empty()) out.push_back(u' ');
    out.append(kNames[bit]);
  }
  return out;
}

// The name a row shows: the program's name of the key, a letter or digit
// as itself, else "not found".
String key_name(const HistoryEntry& e) {
  StringView name = e.sc ? name_of_sc(e.sc) : StringView();
  if (name.empty()) name = name_of_vk(e.vk);
  if (!name.empty()) return String(name);
  if ((e.vk >= '0' && e.vk <= '9')) return String(1, char16_t(e.vk));
  if (e.vk >= 'A' && e.vk <= 'Z') return String(1, char16_t(e.vk + 32));
  return u"not found";
}

String ascii(const char* text) { return String(text, text + strlen(text)); }

}  // namespace

String key_history_report(const HookStateView& view, String (*title_of)(uintptr_t window)) {
  String out = u"Modifiers (Hook's Logical) = " + modifier_names(view.logical_modifiers) +
               u"\r\nModifiers (Hook's Physical) = " + modifier_names(view.physical_modifiers) +
               u"\r\nPrefix key is down: " + (view.prefix_down ? u"yes" : u"no") + u"\r\n";
  if (!view.keyboard_hook) out += u"\r\n" + String(message(Msg::KeyHistoryNoHook)) + u"\r\n";
  out += u"\r\n" + String(message(Msg::KeyHistoryExplanation)) +
         u"\r\n\r\nVK  SC\tType\tUp/Dn\tElapsed\tKey\t\tWindow\r\n" + String(109, u'-');
  uintptr_t last_window = 0;
  bool first = true;
  for (const HistoryEntry& e : view.history) {
    if (!e.vk && !e.sc) continue;
    // A title only where the window changed.
    String title;
    if (first || e.window != last_window) title = e.window ? title_of(e.window) : String(u"N/A");
    first = false;
    last_window = e.window;
    char row[96];
    char up = e.key_up ? 'u' : 'd';
    if (e.type == u'U') {
      snprintf(row, sizeof row, "\r\nE7 %04X\t%c\t%c\t%0.2f\t", unsigned(e.sc), char(e.type), up, e.elapsed);
      out += ascii(row) + String(1, char16_t(e.sc)) + u"              \t" + title;
    } else {
      String name = key_name(e);
      snprintf(row, sizeof row, "\r\n%02X  %03X\t%c\t%c\t%0.2f\t", unsigned(e.vk), unsigned(e.sc), char(e.type), up,
               e.elapsed);
      if (name.size() < 15) name.append(15 - name.size(), u' ');
      out += ascii(row) + name + u"\t" + title;
    }
  }
  return out;
}

}  // namespace orv
