// IniRead, OutputVar, Filename [, Section, Key, Default]
// IniWrite, Value, Filename, Section [, Key]
// IniDelete, Filename, Section [, Key]
//
// A settings file is a line format: a line break in a value, key or section
// name, an equals sign in a key or a closing bracket in a section name
// would write lines of their own into the file, new keys and sections the
// script never asked for. Such writes are refused whole, before the file is
// touched.
#include "platform/files.h"
#include "platform/ini_files.h"
#include "runtime/error_level.h"
#include "runtime/executor.h"
#include "runtime/script_line.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

bool has_line_break(StringView text) { return text.find_first_of(u"\r\n") != StringView::npos; }

bool section_writable(StringView section) {
  return !has_line_break(section) && section.find(u']') == StringView::npos;
}

// A key must read back as that key: not blank, and not a line that reads
// as a comment or a section header.
bool key_writable(StringView key) {
  StringView name = trim(key);
  return !name.empty() && name[0] != u';' && name[0] != u'[' && !has_line_break(key) &&
         key.find(u'=') == StringView::npos;
}

// The block of a whole-section write as the platform takes it: lines each
// ended by a line feed, carriage returns gone and empty lines left out (an
// empty line would end the system's list and drop what follows). False
// when a line would read back as a section header.
bool section_lines(StringView block, String& lines) {
  for (size_t start = 0; start <= block.size();) {
    size_t end = block.find(u'\n', start);
    if (end == StringView::npos) end = block.size();
    String line;
    for (char16_t c : block.substr(start, end - start))
      if (c != u'\r') line += c;
    start = end + 1;
    if (line.empty()) continue;
    StringView name = trim(line);
    if (!name.empty() && name[0] == u'[') return false;
    lines += line;
    lines += u'\n';
  }
  return true;
}

String without_last_line_feed(String text) {
  if (!text.empty() && text.back() == u'\n') text.pop_back();
  return text;
}

}  // namespace

Result cmd_ini_read(const ScriptLine&, ExpandedArgs& args) {
  Variable* out = args.vars[0];
  StringView file = arg_text(args, 1), section = arg_text(args, 2), key = arg_text(args, 3);
  String value;
  if (!key.empty()) {
    if (!platform::ini_read_key(file, section, key, value)) {
      StringView fallback = arg_text(args, 4);
      value = fallback.empty() ? String(u"ERROR") : String(fallback);
    }
  } else if (!section.empty()) {
    value = without_last_line_feed(platform::ini_read_section(file, section));
  } else {
    value = without_last_line_feed(platform::ini_read_section_names(file));
  }
  if (out && !out->assign(value)) return ResultFailed;
  return ResultDone;
}

Result cmd_ini_write(const ScriptLine& line, ExpandedArgs& args) {
  StringView value = arg_text(args, 0), file = arg_text(args, 1), section = arg_text(args, 2);
  if (!section_writable(section)) return fail_with_last_error(platform::ErrorInvalidParameter);
  // A Key written but empty is refused rather than taken as no key, which
  // would replace the whole section with the value.
  if (line.arg_count > 3) {
    StringView key = arg_text(args, 3);
    if (!key_writable(key) || has_line_break(value)) return fail_with_last_error(platform::ErrorInvalidParameter);
    return report_with_system_error(platform::ini_write_key(file, section, key, value));
  }
  String lines;
  if (!section_lines(value, lines)) return fail_with_last_error(platform::ErrorInvalidParameter);
  return report_with_system_error(platform::ini_write_section(file, section, lines));
}

Result cmd_ini_delete(const ScriptLine& line, ExpandedArgs& args) {
  StringView file = arg_text(args, 0), section = arg_text(args, 1);
  // Likewise a Key written but empty deletes no section.
  if (line.arg_count > 2) return report_with_system_error(platform::ini_delete_key(file, section, arg_text(args, 2)));
  return report_with_system_error(platform::ini_delete_section(file, section));
}

}  // namespace orv
