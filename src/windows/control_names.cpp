#include "windows/control_names.h"

namespace orv {

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
  // Compared whole: a class name may itself end in digits.
  std::vector<String> names;
  class_nn_names(controls, names);
  for (size_t i = 0; i < controls.size(); ++i)
    if (equals_ignore_case(names[i], name)) return controls[i];
  for (WindowHandle h : controls) {
    if (!settings.hidden_text && !d.visible(h)) continue;
    if (title_matches(d.control_text(h, !settings.fast_text), name, settings.mode)) return h;
  }
  return 0;
}

}  // namespace orv
