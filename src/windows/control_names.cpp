#include "windows/control_names.h"

namespace orv {

namespace {

// A trailing number after at least one other character splits a ClassNN.
bool split_class_nn(StringView name, StringView& cls, int64_t& n) {
  size_t i = name.size();
  while (i > 0 && name[i - 1] >= u'0' && name[i - 1] <= u'9') --i;
  if (i == 0 || i == name.size() || name.size() - i > 9) return false;
  cls = name.substr(0, i);
  n = 0;
  for (size_t k = i; k < name.size(); ++k) n = n * 10 + (name[k] - u'0');
  return n > 0;
}

}  // namespace

void class_nn_names(const std::vector<WindowHandle>& controls, std::vector<String>& out) {
  platform::WindowSystem& d = desktop();
  std::vector<std::pair<String, int>> seen;
  out.clear();
  for (WindowHandle c : controls) {
    String cls = d.class_name(c);
    int n = 1;
    for (auto& s : seen)
      if (s.first == cls) n = ++s.second;
    if (n == 1) seen.push_back({cls, 1});
    out.push_back(cls + to_string(n));
  }
}

String class_nn_of(WindowHandle window, WindowHandle control) {
  std::vector<WindowHandle> controls;
  desktop().descendants(window, controls);
  std::vector<String> names;
  class_nn_names(controls, names);
  for (size_t i = 0; i < controls.size(); ++i)
    if (controls[i] == control) return names[i];
  return String();
}

WindowHandle find_control(WindowHandle window, StringView name, const SearchSettings& settings) {
  name = trim(name);
  if (name.empty()) return window;
  platform::WindowSystem& d = desktop();
  std::vector<WindowHandle> controls;
  d.descendants(window, controls);
  if (starts_with_ignore_case(name, u"orv_id")) {
    WindowCriteria c;
    if (!parse_criteria(name, {}, {}, {}, settings, c)) return 0;
    if (handle_bits(window) == c.id) return window;
    for (WindowHandle h : controls)
      if (handle_bits(h) == c.id) return h;
    return 0;
  }
  StringView cls;
  int64_t n = 0;
  if (split_class_nn(name, cls, n)) {
    for (WindowHandle h : controls)
      if (equals_ignore_case(d.class_name(h), cls) && --n == 0) return h;
  }
  for (WindowHandle h : controls) {
    if (!settings.hidden_text && !d.visible(h)) continue;
    if (title_matches(d.control_text(h, !settings.fast_text), name, settings.mode)) return h;
  }
  return 0;
}

}  // namespace orv
