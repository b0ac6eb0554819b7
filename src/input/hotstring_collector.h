// The hook's side of hotstrings: the characters typed lately in the
// foreground window, and the test of the table on every key. Runs on the
// hook thread; reports a match to the main thread, which erases and
// replaces (or launches the hotstring's thread).
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

class HotstringTable;
class HookActions;

struct HotstringMatch {
  uint32_t index = 0;
  char16_t end_char = 0;  // 0: the hotstring needed none
  uint8_t case_mode = 0;  // see case_mode_of
  uintptr_t window = 0;   // the window typed into
};

class HotstringCollector {
 public:
  // From the next key on, matches against `table` (null: none); the table
  // must outlive its use here.
  void adopt(const HotstringTable* table, StringView end_chars, bool mouse_resets);
  bool active() const { return table_ != nullptr; }

  // A key went down in `window` and reached it, typing `chars` (empty when
  // it types nothing); `own` and `level` say whether the program sent it
  // and at which send level. True when it completed a hotstring: `match`
  // tells which, and the key must be kept from the window.
  bool on_key(uint8_t vk, StringView chars, uintptr_t window, bool own, int level, HookActions& actions,
              HotstringMatch& match);
  // A mouse button went down: the caret may be anywhere now.
  void on_click() {
    if (mouse_resets_) clear();
  }
  void clear() { length_ = 0; }

  StringView typed() const { return StringView(buffer_, length_); }

 private:
  bool try_match(uint32_t index, bool own, int level, HookActions& actions, HotstringMatch& match);
  bool is_end_char(char16_t c) const { return end_chars_.find(c) != String::npos; }

  static constexpr size_t kCapacity = 90;
  const HotstringTable* table_ = nullptr;
  String end_chars_;
  bool mouse_resets_ = true;
  char16_t buffer_[kCapacity];
  size_t length_ = 0;
  uintptr_t window_ = 0;
};

}  // namespace orv
