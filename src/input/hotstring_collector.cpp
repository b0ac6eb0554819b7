#include "input/hotstring_collector.h"

#include "input/hook_events.h"
#include "input/hotstring_table.h"
#include "input/key_codes.h"

namespace orv {

namespace {

// Past this many characters the oldest are let go of in one step, so that
// the buffer is not shifted on every key.
constexpr size_t kShiftAt = 88, kDropped = 45;

// Keys that move the caret: what was typed before is no longer what
// precedes it.
bool moves_caret(uint8_t v) { return v >= vk::PageUp && v <= vk::Down; }

}  // namespace

void HotstringCollector::adopt(const HotstringTable* table, StringView end_chars, bool mouse_resets) {
  table_ = table && table->size() ? table : nullptr;
  end_chars_.assign(end_chars);
  mouse_resets_ = mouse_resets;
  clear();
}

bool HotstringCollector::try_match(uint32_t index, bool own, int level, HookActions& actions, HotstringMatch& match) {
  const HotstringEntry& h = table_->at(index);
  // The program's own keys count only for hotstrings below their send level.
  if (own && h.input_level >= level) return false;
  const size_t n = h.abbreviation.size();
  const bool with_end = h.options.needs_end_char;
  if (length_ < n + (with_end ? 1 : 0)) return false;
  const size_t start = length_ - n - (with_end ? 1 : 0);
  // From the end: the bucket vouches for the last letter, and the one
  // before it tells most candidates apart.
  for (size_t i = n; i-- > 0;) {
    char16_t typed = buffer_[start + i], wanted = h.abbreviation[i];
    if (typed != wanted && (h.options.case_sensitive || fold_case(typed) != fold_case(wanted))) return false;
  }
  if (!h.options.inside_word && start > 0 && is_word_char(buffer_[start - 1])) return false;
  switch (h.criterion.kind) {
    case CriterionKind::None: break;
    case CriterionKind::IfExpression:
      if (!actions.if_expression(h.criterion.if_expression, kNoHotkey)) return false;
      break;
    default:
      if (!actions.window_criterion(h.criterion)) return false;
  }
  match.index = index;
  match.end_char = with_end ? buffer_[length_ - 1] : 0;
  match.case_mode = h.options.adapt_case ? case_mode_of(StringView(buffer_ + start, n)) : 0;
  match.window = window_;
  if (h.options.reset_after_fire || h.auto_replace()) clear();
  return true;
}

bool HotstringCollector::on_key(uint8_t v, StringView chars, uintptr_t window, bool own, int level,
                                HookActions& actions, HotstringMatch& match) {
  if (!table_ || (own && level == 0)) return false;
  if (window != window_) {
    clear();
    window_ = window;
  }
  if (v == vk::Back) {
    if (length_) --length_;
    return false;
  }
  if (moves_caret(v)) {
    clear();
    return false;
  }
  bool added = false;
  for (char16_t c : chars) {
    if (c == u'\r') c = u'\n';
    // Control characters (Control with a letter) type nothing in a text.
    if (c < 0x20 && c != u'\n' && c != u'\t') continue;
    if (length_ >= kShiftAt) {
      for (size_t i = kDropped; i < length_; ++i) buffer_[i - kDropped] = buffer_[i];
      length_ -= kDropped;
    }
    buffer_[length_++] = c;
    added = true;
  }
  if (!added) return false;

  // Two candidate lists, each in table order: hotstrings ending in the new
  // character, and (when it ends words) those ending in the one before it.
  // The first in table order that matches wins.
  const char16_t last = buffer_[length_ - 1];
  static const std::vector<HotstringCandidate> none;
  const bool ends_word = length_ >= 2 && is_end_char(last);
  const std::vector<HotstringCandidate>* direct = table_->ending_in(last, false);
  const std::vector<HotstringCandidate>* ended = ends_word ? table_->ending_in(buffer_[length_ - 2], true) : nullptr;
  const std::vector<HotstringCandidate>& a = direct ? *direct : none;
  const std::vector<HotstringCandidate>& b = ended ? *ended : none;
  // The typed letter before each list's last one, folded: most candidates
  // differ there.
  const char16_t before_a = length_ >= 2 ? fold_case(buffer_[length_ - 2]) : 0;
  const char16_t before_b = length_ >= 3 ? fold_case(buffer_[length_ - 3]) : 0;
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    const bool from_a = j >= b.size() || (i < a.size() && a[i].index < b[j].index);
    const HotstringCandidate& c = from_a ? a[i++] : b[j++];
    if (c.before_last && c.before_last != (from_a ? before_a : before_b)) continue;
    if (try_match(c.index, own, level, actions, match)) return true;
  }
  return false;
}

}  // namespace orv
