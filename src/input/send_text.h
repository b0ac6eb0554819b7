// The key strings of Send and its kin ("^a", "{Enter 2}", "{Shift down}",
// "{U+20AC}", "{Raw}...") read into a list of what to type. Reading does
// not depend on the keyboard layout: which key types a character is the
// sender's question, asked of the layout of the window it types into.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"

namespace orv {

enum class SendItemKind : uint8_t {
  Key,        // a key by virtual key and/or scan code (mouse buttons included)
  Char,       // a character, typed by whatever key the layout has for it
  Unicode,    // a code point sent as a Unicode packet, whatever the layout has
  AltNumpad,  // a character typed as Alt and its decimal code on the numpad
  Click,      // a mouse click in the Click command's own terms
};

enum class SendAction : uint8_t { Press, Down, DownTemp, Up };

struct SendItem {
  SendItemKind kind = SendItemKind::Char;
  SendAction action = SendAction::Press;
  uint8_t vk = 0;
  uint16_t sc = 0;
  char32_t ch = 0;          // Char, Unicode: the code point; AltNumpad: the code
  uint32_t count = 1;       // how many times (0: none)
  uint8_t modifiers = 0;    // left/right bits of the one-shot ^ + ! # before it
  bool leading_zero = false;  // AltNumpad: typed with a 0 first ("{ASC 0233}")
  String click;             // Click: the text after "Click"
};

struct SendText {
  bool blind = false;  // "{Blind}": nothing the user holds is let go
  std::vector<SendItem> items;
};

// Reads `text`; with `raw` every character is itself. Brace items that
// name no key are left out.
SendText parse_send_text(StringView text, bool raw);

// Whether the text has a lower-case or capital L outside brace items (a
// hotkey holding Win waits for it to be released before typing one: Win+L
// would lock the workstation).
bool send_text_types_l(StringView text);

}  // namespace orv
