// The line parser: one logical line in, one or more ScriptLines out. It
// recognises the command or the assignment or expression form, splits and
// classifies the parameters and checks what can be checked before the
// script runs.
#pragma once

#include <vector>

#include "base/result.h"
#include "base/text.h"
#include "runtime/command_table.h"
#include "runtime/script_program.h"

namespace orv {

struct Func;

class LineParser {
 public:
  explicit LineParser(ScriptProgram& program) : program_(program) {}

  Result parse_line(StringView line, CommandId forced = CmdInvalid);

  // "{" and "}" lines; a function body's "{" is marked so that the executor
  // passes over the body.
  enum class Block : uint8_t { Plain, FunctionBody };
  Result add_block_begin(Block kind = Block::Plain);
  Result add_block_end();
  // Creates a label pointing at the next line added. Hotkey labels' names
  // may repeat under different criteria; other labels' may not.
  enum class LabelNames : uint8_t { Unique, MayRepeat };
  Result add_label(StringView name, LabelNames names, StringView line_text, Label** created = nullptr);
  // The Exit lines that end every script.
  Result add_closing_lines();

  struct Param {
    String text;
    std::vector<bool> escaped;
    bool expression_prefix = false;  // began with "% "
  };

  // Adds a line with its parameters (already split, escapes translated).
  Result add_line(CommandId id, std::vector<Param>& params, StringView line_text);

 private:
  Result parse_statement(StringView line, CommandId forced, StringView& body);
  Result parse_declaration_line(StringView line, bool& handled);
  Result parse_block_keyword(StringView word, StringView rest, StringView line, StringView& body);
  Result parse_assignment_form(StringView word, StringView rest, bool command_like, StringView line, bool& handled);
  Result add_assignment(CommandId id, StringView word, StringView value, StringView line);
  Result parse_command_line(const CommandLookup& cmd, StringView word, StringView rest, StringView line);
  Result parse_command(const CommandLookup& cmd, StringView word, StringView rest, StringView line);
  Result parse_if(StringView after_if, StringView line);
  Result parse_declaration(StringView keyword, StringView list, StringView line);
  Result declare_in_function(Func& f, StringView keyword, StringView name, StringView line);
  Result parse_for(StringView rest, StringView line);
  Result add_expression_line(CommandId id, StringView text, StringView line);
  Result add_simple_line(CommandId id, StringView line);
  Result add_step_line(StringView name, char16_t sign, StringView line);
  Result check_derefs(const Param& param, StringView line);
  Result build_arg(CommandId id, int index, int count, Param& p, LineArg& arg, StringView line_text);
  Result build_derefs(const Param& p, StringView stored, LineArg& arg);
  bool numeric_needs_expression(const Param& p) const;
  Result validate_line(ScriptLine& line, StringView line_text);
  // `first_param` is the command's parameter number of the first one in `raw`.
  void split_params(StringView raw, const CommandLookup& cmd, std::vector<Param>& out, int max_params,
                    int first_param = 1);

  ScriptProgram& program_;
};

// The index of the first delimiter at or after `start` that is not escaped,
// not inside quotes and not inside brackets; the text's length if none.
size_t find_expression_end(StringView text, char16_t delimiter, size_t start, const std::vector<bool>* escaped);

}  // namespace orv
