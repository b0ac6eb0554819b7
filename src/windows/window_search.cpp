#include "windows/window_search.h"

#include "windows/window_groups.h"

namespace orv {

namespace {

using platform::WindowHandle;

constexpr size_t kMaxValue = 1023;
constexpr size_t kMaxGroupName = 253;
constexpr StringView kMarker = u"orv_";

enum class Keyword : uint8_t { None, Id, Parent, Pid, Group, Exe, Class };

// Tested in this order, so that "pid" is not taken for a "parent" cut short.
constexpr struct {
  StringView word;
  Keyword keyword;
} kKeywords[] = {{u"id", Keyword::Id},       {u"parent", Keyword::Parent}, {u"pid", Keyword::Pid},
                 {u"group", Keyword::Group}, {u"exe", Keyword::Exe},       {u"class", Keyword::Class}};

Keyword keyword_at(StringView s, size_t marker, size_t& after) {
  StringView rest = s.substr(marker + kMarker.size());
  for (const auto& k : kKeywords)
    if (starts_with_ignore_case(rest, k.word)) {
      after = marker + kMarker.size() + k.word.size();
      return k.keyword;
    }
  return Keyword::None;
}

size_t skip_blanks(StringView s, size_t i) {
  while (i < s.size() && is_blank(s[i])) ++i;
  return i;
}

bool is_hex_digit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// Blanks, an optional sign, then hexadecimal after 0x or decimal, up to the
// first character that is no digit.
uint64_t number_at(StringView s, size_t i) {
  i = skip_blanks(s, i);
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  uint64_t n = 0;
  if (i + 2 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X') && is_hex_digit(s[i + 2])) {
    for (i += 2; i < s.size() && is_hex_digit(s[i]); ++i) {
      char16_t c = s[i];
      n = n * 16 + (c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10);
    }
  } else {
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) n = n * 10 + (s[i] - u'0');
  }
  return negative ? uint64_t(0) - n : n;
}

String capped(StringView s, size_t limit) { return String(s.substr(0, limit)); }

// A handle of orv_id or orv_parent: it must name a window that exists.
bool existing_window(uint64_t value, uint32_t& out, BroadcastHandle broadcast) {
  out = handle_bits(uintptr_t(value));
  if (out == kBroadcastHandle) return broadcast == BroadcastHandle::Accepted;
  return out != 0 && desktop().exists(WindowHandle(out));
}

// Where the value of orv_exe or orv_class ends: at the next marker that
// starts the value or follows a blank or tab.
size_t value_end(StringView s, size_t start) {
  for (size_t q = find_ignore_case(s, kMarker, start); q != StringView::npos; q = find_ignore_case(s, kMarker, q + 1))
    if (q == start || is_blank(s[q - 1])) return q;
  return s.size();
}

platform::WindowSystem* g_test_desktop = nullptr;

// A group may name itself through orv_group; such a loop matches nothing
// rather than recursing for ever.
int g_group_depth = 0;
constexpr int kMaxGroupDepth = 8;

bool group_matches(const WindowGroup& group, WindowHandle window, const SearchSettings& settings) {
  if (g_group_depth >= kMaxGroupDepth) return false;
  ++g_group_depth;
  bool found = false;
  for (const WindowGroupEntry& e : group.entries) {
    WindowCriteria c;
    if (parse_criteria(e.title, e.text, e.exclude_title, e.exclude_text, settings, c) && window_matches(c, window)) {
      found = true;
      break;
    }
  }
  --g_group_depth;
  return found;
}

bool exe_matches(const WindowCriteria& c, WindowHandle window) {
  String path = desktop().process_path(desktop().process_id(window));
  if (c.settings.mode == TitleMatchMode::RegEx) return class_matches(path, c.exe, TitleMatchMode::RegEx);
  if (!c.exe_name_only) return equals_ignore_case(path, c.exe);
  size_t slash = path.find_last_of(u"\\/");
  StringView name = slash == String::npos ? StringView(path) : StringView(path).substr(slash + 1);
  return equals_ignore_case(name, c.exe);
}

// WinText and ExcludeText against the window's descendants. With WinText
// empty the window passes unless a descendant holds ExcludeText, so that a
// window without controls is not rejected by ExcludeText alone.
bool text_matches(const WindowCriteria& c, WindowHandle window) {
  platform::WindowSystem& d = desktop();
  std::vector<WindowHandle> children;
  d.descendants(window, children);
  bool text_found = c.text.empty();
  for (WindowHandle child : children) {
    if (!c.settings.hidden_text && !d.visible(child)) continue;
    String t = d.control_text(child, !c.settings.fast_text);
    if (!c.exclude_text.empty() && text_contains(t, c.exclude_text, c.settings.mode)) return false;
    if (!text_found && text_contains(t, c.text, c.settings.mode)) {
      text_found = true;
      if (c.exclude_text.empty()) break;
    }
  }
  return text_found;
}

}  // namespace

platform::WindowSystem& desktop() { return g_test_desktop ? *g_test_desktop : platform::window_system(); }

void set_desktop_for_tests(platform::WindowSystem* d) { g_test_desktop = d; }

bool parse_criteria(StringView s, StringView win_text, StringView exclude_title, StringView exclude_text,
                    const SearchSettings& settings, WindowCriteria& out, BroadcastHandle broadcast) {
  out = WindowCriteria();
  out.text = win_text, out.exclude_title = exclude_title, out.exclude_text = exclude_text;
  out.settings = settings;
  bool any = false;
  bool first = true;
  bool counts_anyway = false;  // a marker that directly starts an empty value
  for (size_t pos = find_ignore_case(s, kMarker); pos != StringView::npos;) {
    size_t after = 0;
    bool counts = first || counts_anyway || (pos > 0 && is_blank(s[pos - 1]));
    first = counts_anyway = false;
    Keyword k = counts ? keyword_at(s, pos, after) : Keyword::None;
    if (k == Keyword::None) {
      pos = find_ignore_case(s, kMarker, pos + 1);
      continue;
    }
    if (!any) {
      any = true;
      // The separating blank before the first keyword is no part of the title.
      StringView title = s.substr(0, pos);
      if (!title.empty() && is_blank(title.back())) title.remove_suffix(1);
      if (!title.empty()) out.flags |= CriterionTitle, out.title = capped(title, kMaxValue);
    }
    size_t next_from = after;
    switch (k) {
      case Keyword::Id:
        if (!existing_window(number_at(s, after), out.id, broadcast)) return false;
        out.flags |= CriterionId;
        break;
      case Keyword::Parent:
        if (!existing_window(number_at(s, after), out.parent, BroadcastHandle::Refused)) return false;
        out.flags |= CriterionParent;
        break;
      case Keyword::Pid:
        out.pid = uint32_t(number_at(s, after));
        out.flags |= CriterionPid;
        break;
      case Keyword::Group: {
        size_t start = skip_blanks(s, after), end = start;
        while (end < s.size() && !is_blank(s[end])) ++end;
        out.group = find_window_group(s.substr(start, std::min(end - start, kMaxGroupName)));
        if (!out.group) return false;
        out.flags |= CriterionGroup;
        next_from = end;
        break;
      }
      case Keyword::Exe:
      case Keyword::Class: {
        size_t start = skip_blanks(s, after);
        size_t end = value_end(s, start);
        counts_anyway = end == start;
        // Trailing blanks would never match a class or file name.
        String value = capped(trim_right(s.substr(start, end - start)), kMaxValue);
        if (k == Keyword::Exe) out.exe = std::move(value), out.flags |= CriterionExe;
        else out.class_name = std::move(value), out.flags |= CriterionClass;
        next_from = end;
        break;
      }
      case Keyword::None: break;
    }
    pos = find_ignore_case(s, kMarker, next_from);
  }
  if (!any && !s.empty()) out.flags |= CriterionTitle, out.title = capped(s, kMaxValue);
  out.exe_name_only = settings.mode != TitleMatchMode::RegEx && out.exe.find(u'\\') == String::npos;
  return true;
}

bool window_matches(const WindowCriteria& c, WindowHandle window, const std::vector<WindowHandle>* skip) {
  platform::WindowSystem& d = desktop();
  TitleMatchMode mode = c.settings.mode;
  String title;
  bool have_title = false;
  auto window_title = [&]() -> StringView {
    if (!have_title) title = d.title(window), have_title = true;
    return title;
  };
  if ((c.flags & CriterionTitle) && !title_matches(window_title(), c.title, mode)) return false;
  if ((c.flags & CriterionClass) && !class_matches(d.class_name(window), c.class_name, mode)) return false;
  if ((c.flags & CriterionPid) && d.process_id(window) != c.pid) return false;
  if ((c.flags & CriterionExe) && !exe_matches(c, window)) return false;
  if ((c.flags & CriterionGroup) && !group_matches(*c.group, window, c.settings)) return false;
  if ((c.flags & CriterionId) && handle_bits(window) != c.id) return false;
  if ((c.flags & CriterionParent) && handle_bits(d.parent(window)) != c.parent) return false;
  if (!c.exclude_title.empty() && title_matches(window_title(), c.exclude_title, mode)) return false;
  if (skip)
    for (WindowHandle seen : *skip)
      if (seen == window) return false;
  if (!c.text.empty() || !c.exclude_text.empty()) return text_matches(c, window);
  return true;
}

}  // namespace orv
