// The script reader: physical lines to logical lines (comments, block
// comments, continuation lines and sections), then each logical line routed
// to where it belongs: directives, labels, hotkeys and hotstrings,
// definitions, block braces, or the line parser.
#pragma once

#include <vector>

#include "base/result.h"
#include "base/text.h"
#include "runtime/script_program.h"
#include "base/text_source.h"

namespace orv {

class LineParser;

inline constexpr size_t kMaxLogicalLine = 16384;

enum class DirectiveOutcome { Handled, NotDirective, Failed };

class ScriptReader {
 public:
  ScriptReader(ScriptProgram& program, LineParser& parser) : program_(program), parser_(parser) {}

  // Reads and routes every line; on success the line list ends with the
  // closing Exit lines. Errors have been reported when this fails.
  Result load(TextSource& source);

  // Applies a directive line; also used for directives that follow a hotkey.
  DirectiveOutcome apply_directive(StringView line);

  // The next logical line with the number of its first physical line; false
  // at the end of the text or after an error (then `error` is ResultFailed).
  // load() is built on it; tests use it to see the joins directly.
  void begin(TextSource& source) { source_ = &source; }
  bool next_logical_line(String& line, uint32_t& number, Result& error) { return read_logical_line(line, number, error); }

 private:
  enum class Held { None, Function, Class, Property, Accessor };
  enum class Scope { Class, Property, Function };
  struct OpenScope {
    Scope kind;
    int body_depth;     // block depth inside the body, for functions
    size_t definition;  // its record in program_.definitions
    String instance_inits;  // "this.x := ..., " items for the class's __Init
  };
  String class_name() const;
  Result declare_class_variables(StringView list, bool is_static);
  Result close_class();

  // Physical lines.
  int read_line(String& line, int mode);
  void strip_trailing_comment(String& line, bool trim_after);
  void strip_comments(String& line);
  bool next_code_line(String& line, uint32_t& number);
  // Logical lines.
  bool read_logical_line(String& line, uint32_t& number, Result& error);
  bool is_continuation_line(StringView line) const;
  bool starts_section(StringView line) const;
  Result read_section(StringView options_line, String& logical);
  // Routing.
  Result route(StringView line);
  Result route_piece(StringView line, StringView& rest);
  Result route_after_held(StringView line);
  Result attach_hotkey_function(Func& f, StringView text);
  Result confirm_held(bool confirmed);
  Result open_definition(Held kind, StringView text);
  Result route_in_class(StringView line);
  Result route_in_property(StringView line);
  Result route_hotkey_or_hotstring(StringView line, bool& handled);
  bool is_defined_hotkey(StringView hotkey) const;
  Result route_label(StringView line, bool& handled);
  Result parse_ordinary(StringView line);
  Result finish();
  void close_finished_functions();
  bool in_function() const;
  int class_depth() const;

  // Directives.
  DirectiveOutcome apply_single_char(StringView line, StringView arg, char16_t& setting, int which);

  ScriptProgram& program_;
  LineParser& parser_;
  TextSource* source_ = nullptr;

  bool in_block_comment_ = false;
  bool have_pending_ = false;
  String pending_;
  uint32_t pending_number_ = 0;

  Held held_ = Held::None;
  String held_text_;
  uint32_t held_number_ = 0;
  bool held_brace_ = false;

  std::vector<OpenScope> scopes_;
  String criterion_;  // #If / #IfWin criterion for following hotkeys
};

}  // namespace orv
