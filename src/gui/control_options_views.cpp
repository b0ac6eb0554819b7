// The option words of list views: how rows show, grid lines, check boxes,
// several selected rows, sorting, editing in place and rows made ahead.
#include "gui/control_options.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

constexpr uint32_t LVS_TYPEMASK = 0x3, LVS_ICON = 0x0, LVS_REPORT = 0x1, LVS_SMALLICON = 0x2, LVS_LIST = 0x3,
                   LVS_SINGLESEL = 0x4, LVS_SORTASCENDING = 0x10, LVS_SORTDESCENDING = 0x20,
                   LVS_EDITLABELS = 0x200, LVS_NOCOLUMNHEADER = 0x4000, LVS_NOSORTHEADER = 0x8000;
constexpr uint32_t LVS_EX_GRIDLINES = 0x1, LVS_EX_CHECKBOXES = 0x4;

void bits(ControlOptions& o, uint32_t b, bool on) {
  if (on) o.style_add |= b, o.style_remove &= ~b;
  else o.style_remove |= b, o.style_add &= ~b;
}
void ex_bits(ControlOptions& o, uint32_t b, bool on) {
  if (on) o.lv_ex_add |= b, o.lv_ex_remove &= ~b;
  else o.lv_ex_remove |= b, o.lv_ex_add &= ~b;
}
void mode(ControlOptions& o, uint32_t m) {
  o.style_remove |= LVS_TYPEMASK;
  o.style_add = (o.style_add & ~LVS_TYPEMASK) | m;
}

}  // namespace

bool view_option_word(StringView word, bool on, ControlType type, ControlOptions& o, OptionError& error) {
  error = OptionError::None;
  if (type != ControlType::ListView) return false;
  auto is = [&](StringView name) { return equals_ignore_case(word, name); };
  if (is(u"Report")) mode(o, on ? LVS_REPORT : LVS_ICON);
  else if (is(u"Icon") || is(u"Tile")) mode(o, LVS_ICON);
  else if (is(u"Small") || is(u"IconSmall")) mode(o, on ? LVS_SMALLICON : LVS_ICON);
  else if (is(u"List")) mode(o, on ? LVS_LIST : LVS_ICON);
  else if (is(u"Grid")) ex_bits(o, LVS_EX_GRIDLINES, on);
  else if (is(u"Checked")) ex_bits(o, LVS_EX_CHECKBOXES, on);
  else if (is(u"Multi")) bits(o, LVS_SINGLESEL, !on);
  else if (is(u"ReadOnly")) bits(o, LVS_EDITLABELS, !on);
  else if (is(u"Hdr")) bits(o, LVS_NOCOLUMNHEADER, !on);
  else if (is(u"NoSortHdr")) bits(o, LVS_NOSORTHEADER, on);
  else if (is(u"NoSort")) o.no_sort = on;
  else if (is(u"Sort")) bits(o, LVS_SORTASCENDING, on);
  else if (is(u"SortDesc")) bits(o, LVS_SORTDESCENDING, on);
  else if (starts_with_ignore_case(word, u"Count")) {
    StringView n = word.substr(5);
    if (numeric_type_of(n) != NumType::Integer) error = OptionError::Invalid;
    else o.count = int32_t(text_to_int(n));
  } else if (starts_with_ignore_case(word, u"LV") && numeric_type_of(word.substr(2)) == NumType::Integer) {
    ex_bits(o, uint32_t(text_to_int(word.substr(2))), on);
  } else {
    return false;
  }
  return true;
}

}  // namespace orv
