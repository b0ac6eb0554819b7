// The script's hotstrings: typed abbreviations replaced by text or running
// a label or function. Defined once, when the script loads; from then on
// the table does not change, so the hook reads it without a snapshot.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "base/text.h"
#include "events/callable.h"
#include "input/hotkey_table.h"

namespace orv {

inline constexpr size_t kMaxAbbreviationLength = 40;

// How the replacement is sent; "Input" alone is not offered: a hotstring
// that cannot use SendInput falls back to Play, never to slow single events.
enum class HotstringSendMode : uint8_t { Event = 0, Play = 2, InputThenPlay = 3 };

// What the options between the first two colons set. `#Hotstring` options
// change the defaults for the hotstrings after it.
struct HotstringOptions {
  int32_t priority = 0;
  int32_t key_delay = 0;
  HotstringSendMode send_mode = HotstringSendMode::InputThenPlay;
  bool case_sensitive = false;
  bool adapt_case = true;
  bool backspace = true;
  bool drop_end_char = false;
  bool raw = false;
  bool needs_end_char = true;
  bool inside_word = false;
  bool reset_after_fire = false;
};

// Reads options text ("*?B0C1K10O P5 R SI Z") into `o`, over what it holds.
void apply_hotstring_options(StringView text, HotstringOptions& o);

struct HotstringEntry {
  Callable callable;     // none for an auto-replace hotstring
  String name;           // ":options:abbreviation", as A_ThisHotkey shows it
  String abbreviation;   // at most 40 characters
  String replacement;    // empty for a label or function hotstring
  HotkeyCriterion criterion;
  HotstringOptions options;
  uint8_t input_level = 0;
  uint8_t max_threads = 1;
  uint8_t running_threads = 0;

  bool auto_replace() const { return !replacement.empty(); }
};

enum class HotstringError : uint8_t { None, TooLong };

// A hotstring as a bucket lists it: enough to turn most candidates away
// without reading the entry itself.
struct HotstringCandidate {
  uint32_t index;
  char16_t before_last;  // the abbreviation's letter before its last, folded (0: it has one letter)
};

class HotstringTable {
 public:
  HotstringTable() { entries_.reserve(kGrowth); }

  HotstringError define(HotstringEntry entry);
  size_t size() const { return entries_.size(); }
  HotstringEntry& at(size_t i) { return entries_[i]; }
  const HotstringEntry& at(size_t i) const { return entries_[i]; }

  // The hotstrings whose abbreviation ends in `c` (folded), in table order,
  // those that need an ending character after it or those that do not:
  // matching never scans the whole table on every key.
  const std::vector<HotstringCandidate>* ending_in(char16_t c, bool needs_end_char) const;

 private:
  // The array grows in steps of this many entries.
  static constexpr size_t kGrowth = 1024;
  std::vector<HotstringEntry> entries_;
  std::unordered_map<char16_t, std::vector<HotstringCandidate>> by_last_char_[2];  // [needs an ending character]
};

// How a typed abbreviation asks the replacement to be written: 0 as
// given, 1 all in capitals, 2 with a capital first letter.
uint8_t case_mode_of(StringView typed);

// The text the erase-and-replace step sends for `h` typed with
// `end_char` (0: none) in case mode `case_mode`.
String replacement_keys(const HotstringEntry& h, char16_t end_char, uint8_t case_mode);

// A letter or digit, as the word boundary before an abbreviation sees it.
bool is_word_char(char16_t c);

}  // namespace orv
