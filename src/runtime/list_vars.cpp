#include "runtime/list_vars.h"

#include <cstdint>

#include "base/messages.h"

namespace orv {

namespace {

constexpr StringView kSeparator = u"\r\n--------------------------------------------------\r\n";
constexpr size_t kShownChars = 60;

// Appends as much of `text` as the listing still has room for.
void put(String& out, StringView text) {
  size_t room = out.size() < kListVarsMaxChars ? kListVarsMaxChars - out.size() : 0;
  out.append(text.substr(0, room));
}

// Sixteen upper-case hexadecimal digits: how the system's own listings show
// an address.
String address_text(const void* p) {
  auto value = reinterpret_cast<uintptr_t>(p);
  String s(16, u'0');
  for (size_t i = 16; i-- > 0; value >>= 4) s[i] = u"0123456789ABCDEF"[value & 15];
  return s;
}

// The heading of one of a function's sections: "HEADING NAME()".
String heading_for(Msg heading, StringView function) {
  return String(message(heading)) + u" " + String(function) + u"()";
}

}  // namespace

void append_var_lines(String& out, const VariableList& list) {
  for (Variable* entry : list.in_order()) {
    if (out.size() >= kListVarsMaxChars) return;
    Variable& v = entry->target();
    if (v.type != VarType::Normal) continue;
    String line(entry->name_view());
    if (v.attributes & AttrObject) {
      line += u": Object(0x";
      line += address_text(v.contents.object);
      line += u")";
    } else {
      StringView text = v.view();
      size_t capacity = v.capacity_bytes ? v.capacity_bytes / sizeof(char16_t) - 1 : 0;
      line += u"[";
      line += to_string(int64_t(text.size()));
      line += u" of ";
      line += to_string(int64_t(capacity));
      line += u"]: ";
      // At least one character wide, as the empty text shows as a blank.
      line += text.empty() ? StringView(u" ") : text.substr(0, kShownChars);
      if (text.size() > kShownChars) line += u"...";
    }
    put(out, line);
    if (kListVarsMaxChars - out.size() >= 2) out += u"\r\n";
  }
}

String function_var_sections(StringView function, const VariableList& statics, const VariableList& locals) {
  String out;
  put(out, heading_for(Msg::StaticVariablesFor, function));
  put(out, kSeparator);
  append_var_lines(out, statics);
  put(out, u"\r\n\r\n");
  put(out, heading_for(Msg::LocalVariablesFor, function));
  put(out, kSeparator);
  append_var_lines(out, locals);
  return out;
}

String list_vars_text(const VariableList& globals, StringView function_sections) {
  String out;
  put(out, function_sections);
  if (!function_sections.empty()) put(out, u"\r\n\r\n");
  put(out, message(Msg::GlobalVariablesHeading));
  put(out, kSeparator);
  append_var_lines(out, globals);
  return out;
}

}  // namespace orv
