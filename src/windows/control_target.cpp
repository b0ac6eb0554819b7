#include "windows/control_target.h"

#include "runtime/executor.h"
#include "runtime/thread_settings.h"
#include "windows/control_messages.h"
#include "windows/window_actions.h"
#include "windows/window_commands.h"

namespace orv {

namespace {
constexpr uint32_t kAnswerTimeoutMs = 5000;
}

WindowHandle control_of(const WindowQuery& query, StringView name) {
  WindowHandle w = target_window(query);
  return w ? find_control(w, name, thread_search_context().settings) : 0;
}

WindowHandle control_of(const ExpandedArgs& args, int control, int first) {
  return control_of(query_of(args, first), arg_text(args, control));
}

void control_delay() {
  if (g_thread->control_delay >= 0) pause_ms(g_thread->control_delay);
}

intptr_t ask(WindowHandle control, uint32_t msg, uintptr_t wparam, intptr_t lparam, bool* ok) {
  intptr_t result = 0;
  bool answered = desktop().send(control, msg, wparam, lparam, kAnswerTimeoutMs, result);
  if (ok) *ok = answered;
  return answered ? result : 0;
}

intptr_t ask_text(WindowHandle control, uint32_t msg, uintptr_t wparam, StringView text, bool* ok) {
  intptr_t result = 0;
  bool answered = desktop().send_text(control, msg, wparam, text, kAnswerTimeoutMs, result);
  if (ok) *ok = answered;
  return answered ? result : 0;
}

void notify_parent(WindowHandle control, uint32_t code) {
  platform::WindowSystem& d = desktop();
  uint32_t id = uint32_t(d.control_id(control)) & 0xFFFF;
  // Posted: the parent may belong to a process that is slow to answer.
  d.post(d.parent(control), wm::Command, uintptr_t(id | (code << 16)), intptr_t(control));
}

bool is_combo(WindowHandle control) {
  String cls = desktop().class_name(control);
  for (char16_t& c : cls) c = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
  return cls.find(u"combo") != String::npos;
}

}  // namespace orv
