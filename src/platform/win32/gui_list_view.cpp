// List views and status bars of script windows on Win32, and what a list
// view's notifications tell the program.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/win32/gui_internal.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

HWND hw(WindowHandle h) { return reinterpret_cast<HWND>(h); }

std::wstring to_wide(StringView s) { return std::wstring(s.begin(), s.end()); }
String from_wide(std::wstring_view s) { return String(s.begin(), s.end()); }

uint32_t states_of(UINT lvis) {
  uint32_t s = 0;
  if (lvis & LVIS_SELECTED) s |= kRowSelected;
  if (lvis & LVIS_FOCUSED) s |= kRowFocused;
  if ((lvis & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2)) s |= kRowChecked;
  return s;
}

int format_of(ColumnAlign a) {
  return a == ColumnAlign::Right ? LVCFMT_RIGHT : a == ColumnAlign::Center ? LVCFMT_CENTER : LVCFMT_LEFT;
}

bool is_list_view(HWND h) {
  wchar_t name[32];
  return GetClassNameW(h, name, 32) && lstrcmpiW(name, WC_LISTVIEWW) == 0;
}

bool is_status_bar(HWND h) {
  wchar_t name[32];
  return GetClassNameW(h, name, 32) && lstrcmpiW(name, STATUSCLASSNAMEW) == 0;
}

}  // namespace

void fill_list_view_notice(const NMHDR* hdr, GuiNotice& n) {
  if (is_status_bar(hdr->hwndFrom)) {
    bool click = hdr->code == NM_CLICK || hdr->code == NM_DBLCLK || hdr->code == NM_RCLICK || hdr->code == NM_RDBLCLK;
    if (click) n.item = int32_t(reinterpret_cast<const NMMOUSE*>(hdr)->dwItemSpec);
    return;
  }
  if (!is_list_view(hdr->hwndFrom)) return;
  switch (hdr->code) {
    case NM_CLICK:
    case NM_DBLCLK:
    case NM_RCLICK:
    case NM_RDBLCLK: {
      auto* a = reinterpret_cast<const NMITEMACTIVATE*>(hdr);
      n.item = a->iItem;
      n.column = a->iSubItem;
      break;
    }
    case LVN_ITEMCHANGED:
    case LVN_COLUMNCLICK:
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG: {
      auto* v = reinterpret_cast<const NMLISTVIEW*>(hdr);
      n.item = v->iItem;
      n.column = v->iSubItem;
      if (hdr->code == LVN_ITEMCHANGED && (v->uChanged & LVIF_STATE)) {
        n.old_state = states_of(v->uOldState);
        n.new_state = states_of(v->uNewState);
      }
      break;
    }
    case LVN_KEYDOWN:
      n.key = reinterpret_cast<const NMLVKEYDOWN*>(hdr)->wVKey;
      break;
    case LVN_BEGINLABELEDITW:
    case LVN_ENDLABELEDITW:
      n.item = reinterpret_cast<const NMLVDISPINFOW*>(hdr)->item.iItem;
      break;
    default:
      break;
  }
}

int32_t Win32Gui::lv_insert_row(WindowHandle control, int32_t row, StringView text) {
  std::wstring w = to_wide(text);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row < 0 ? INT_MAX : row;
  item.pszText = w.data();
  return int32_t(SendMessageW(hw(control), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool Win32Gui::lv_delete_row(WindowHandle control, int32_t row) {
  if (row < 0) return SendMessageW(hw(control), LVM_DELETEALLITEMS, 0, 0) != 0;
  return SendMessageW(hw(control), LVM_DELETEITEM, WPARAM(row), 0) != 0;
}

int32_t Win32Gui::lv_row_count(WindowHandle control) {
  return int32_t(SendMessageW(hw(control), LVM_GETITEMCOUNT, 0, 0));
}

void Win32Gui::lv_reserve(WindowHandle control, int32_t rows) {
  SendMessageW(hw(control), LVM_SETITEMCOUNT, WPARAM(rows), LVSICF_NOINVALIDATEALL);
}

bool Win32Gui::lv_set_text(WindowHandle control, int32_t row, int32_t column, StringView text) {
  std::wstring w = to_wide(text);
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = w.data();
  return SendMessageW(hw(control), LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

String Win32Gui::lv_text(WindowHandle control, int32_t row, int32_t column) {
  if (row < 0) {
    // A column's title.
    std::wstring buf(512, L'\0');
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT;
    col.pszText = buf.data();
    col.cchTextMax = int(buf.size());
    if (!SendMessageW(hw(control), LVM_GETCOLUMNW, WPARAM(column), reinterpret_cast<LPARAM>(&col))) return {};
    return from_wide(std::wstring_view(col.pszText));
  }
  // The system copies at most the buffer's size: grow until the text fits.
  for (int size = 256;; size *= 4) {
    std::wstring buf(size_t(size), L'\0');
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buf.data();
    item.cchTextMax = size;
    int n = int(SendMessageW(hw(control), LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item)));
    if (n < size - 1 || size >= (1 << 20)) return from_wide(std::wstring_view(item.pszText, size_t(n)));
  }
}

uint32_t Win32Gui::lv_state(WindowHandle control, int32_t row) {
  UINT mask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK;
  return states_of(UINT(SendMessageW(hw(control), LVM_GETITEMSTATE, WPARAM(row), mask)));
}

void Win32Gui::lv_set_state(WindowHandle control, int32_t row, uint32_t mask, uint32_t value) {
  LVITEMW item = {};
  if (mask & kRowSelected) item.stateMask |= LVIS_SELECTED, item.state |= (value & kRowSelected) ? LVIS_SELECTED : 0;
  if (mask & kRowFocused) item.stateMask |= LVIS_FOCUSED, item.state |= (value & kRowFocused) ? LVIS_FOCUSED : 0;
  if (mask & kRowChecked)
    item.stateMask |= LVIS_STATEIMAGEMASK, item.state |= INDEXTOSTATEIMAGEMASK((value & kRowChecked) ? 2 : 1);
  SendMessageW(hw(control), LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

int32_t Win32Gui::lv_next(WindowHandle control, int32_t after, uint32_t states) {
  if (!(states & kRowChecked)) {
    UINT flags = ((states & kRowSelected) ? LVNI_SELECTED : 0) | ((states & kRowFocused) ? LVNI_FOCUSED : 0);
    return int32_t(SendMessageW(hw(control), LVM_GETNEXTITEM, WPARAM(after), flags));
  }
  // The system has no search by check state.
  int32_t count = lv_row_count(control);
  for (int32_t r = after + 1; r < count; ++r)
    if ((lv_state(control, r) & states) == states) return r;
  return -1;
}

int32_t Win32Gui::lv_selected_count(WindowHandle control) {
  return int32_t(SendMessageW(hw(control), LVM_GETSELECTEDCOUNT, 0, 0));
}

void Win32Gui::lv_ensure_visible(WindowHandle control, int32_t row) {
  SendMessageW(hw(control), LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
}

void Win32Gui::lv_set_icon(WindowHandle control, int32_t row, int32_t icon) {
  LVITEMW item = {};
  item.mask = LVIF_IMAGE;
  item.iImage = icon;
  int32_t first = row < 0 ? 0 : row, last = row < 0 ? lv_row_count(control) - 1 : row;
  for (int32_t r = first; r <= last; ++r) {
    item.iItem = r;
    SendMessageW(hw(control), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
}

int32_t Win32Gui::lv_column_count(WindowHandle control) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(hw(control), LVM_GETHEADER, 0, 0));
  return header ? int32_t(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int32_t Win32Gui::lv_insert_column(WindowHandle control, int32_t column, StringView title, int32_t width,
                                   ColumnAlign align) {
  std::wstring w = to_wide(title);
  LVCOLUMNW col = {};
  col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
  col.pszText = w.data();
  col.fmt = format_of(align);
  col.cx = width < 0 ? 0 : width;
  int32_t at = int32_t(SendMessageW(hw(control), LVM_INSERTCOLUMNW, WPARAM(column < 0 ? INT_MAX : column),
                                    reinterpret_cast<LPARAM>(&col)));
  if (at >= 0 && width < 0) SendMessageW(hw(control), LVM_SETCOLUMNWIDTH, WPARAM(at), LVSCW_AUTOSIZE_USEHEADER);
  return at;
}

bool Win32Gui::lv_delete_column(WindowHandle control, int32_t column) {
  return SendMessageW(hw(control), LVM_DELETECOLUMN, WPARAM(column), 0) != 0;
}

bool Win32Gui::lv_set_column(WindowHandle control, int32_t column, const String* title, int32_t width,
                             ColumnAlign align) {
  if (column < 0 || column >= lv_column_count(control)) return false;
  std::wstring w;
  LVCOLUMNW col = {};
  if (title) {
    w = to_wide(*title);
    col.mask |= LVCF_TEXT;
    col.pszText = w.data();
  }
  if (align != ColumnAlign::Keep) col.mask |= LVCF_FMT, col.fmt = format_of(align);
  if (col.mask && !SendMessageW(hw(control), LVM_SETCOLUMNW, WPARAM(column), reinterpret_cast<LPARAM>(&col)))
    return false;
  if (width != kWidthKeep) {
    int cx = width == kWidthAuto ? LVSCW_AUTOSIZE : width == kWidthAutoHeader ? LVSCW_AUTOSIZE_USEHEADER : width;
    SendMessageW(hw(control), LVM_SETCOLUMNWIDTH, WPARAM(column), cx);
  }
  return true;
}

int32_t Win32Gui::lv_column_width(WindowHandle control, int32_t column) {
  return int32_t(SendMessageW(hw(control), LVM_GETCOLUMNWIDTH, WPARAM(column), 0));
}

void Win32Gui::lv_set_extended_style(WindowHandle control, uint32_t mask, uint32_t value) {
  SendMessageW(hw(control), LVM_SETEXTENDEDLISTVIEWSTYLE, mask, value);
}

uint32_t Win32Gui::lv_extended_style(WindowHandle control) {
  return uint32_t(SendMessageW(hw(control), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

bool Win32Gui::sb_set_parts(WindowHandle bar, const std::vector<int32_t>& right_edges) {
  if (right_edges.size() > 255) return false;
  std::vector<int> edges(right_edges.begin(), right_edges.end());
  edges.push_back(-1);
  return SendMessageW(hw(bar), SB_SETPARTS, WPARAM(edges.size()), reinterpret_cast<LPARAM>(edges.data())) != 0;
}

int32_t Win32Gui::sb_part_count(WindowHandle bar) { return int32_t(SendMessageW(hw(bar), SB_GETPARTS, 0, 0)); }

bool Win32Gui::sb_set_text(WindowHandle bar, int32_t part, StringView text, int32_t style) {
  if (part < 0 || part >= sb_part_count(bar)) return false;
  std::wstring w = to_wide(text);
  WPARAM how = WPARAM(part) | (style == 1 ? SBT_NOBORDERS : style == 2 ? SBT_POPOUT : 0);
  return SendMessageW(hw(bar), SB_SETTEXTW, how, reinterpret_cast<LPARAM>(w.c_str())) != 0;
}

String Win32Gui::sb_text(WindowHandle bar, int32_t part) {
  LRESULT info = SendMessageW(hw(bar), SB_GETTEXTLENGTHW, WPARAM(part), 0);
  std::wstring buf(size_t(LOWORD(info)) + 1, L'\0');
  SendMessageW(hw(bar), SB_GETTEXTW, WPARAM(part), reinterpret_cast<LPARAM>(buf.data()));
  return from_wide(std::wstring_view(buf.c_str()));
}

}  // namespace orv::platform
