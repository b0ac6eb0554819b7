// The command vocabulary: one row per command, indexed by CommandId. The
// parser fills lines from it and the executor dispatches on the id, so the
// ids and the row order are part of the program's line model.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/text.h"

namespace orv {

enum CommandId : uint8_t {
#define ORV_COMMAND(id, Name, ...) Cmd##Name,
#include "runtime/command_list.h"
#undef ORV_COMMAND
  kCommandCount
};

inline constexpr int kMaxNumericParams = 7;

enum class ParamKind : uint8_t { Normal, InputVar, OutputVar };

struct ScriptLine;
struct ExpandedArgs;

// The routine a command runs. Unless the row says RawArgs, `args` holds the
// line's arguments expanded; a handler reads its output variables there.
using CommandHandler = Result (*)(const ScriptLine& line, ExpandedArgs& args);

enum CommandFlags : uint8_t { CopyInputs = 1, RawArgs = 2 };

struct CommandInfo {
  const char16_t* name;  // empty for the forms only the parser produces
  uint8_t min_params;
  uint8_t max_params;
  uint8_t flags;  // CommandFlags
  uint8_t numeric[kMaxNumericParams];  // one-based positions, ascending, 0-terminated
  const char* var_kinds;               // per position: 'i' input variable, 'o' output variable, '-' normal
  CommandHandler handler;

  bool copy_inputs() const { return flags & CopyInputs; }
};

// Every handler the list names, so that the table can point at them; each is
// defined in the folder of its concern.
#define ORV_COMMAND(id, Name, text, min, max, flags, kinds, numeric, handler) \
  Result handler(const ScriptLine& line, ExpandedArgs& args);
#include "runtime/command_list.h"
#undef ORV_COMMAND

const CommandInfo& command_info(CommandId id);

// The first word of a line as a command: entries 24 onward, then the legacy
// aliases. Returns false when the word names no command.
struct CommandLookup {
  CommandId id;
  int alias;  // 0 when the word is a command name; otherwise the alias number (1 to 13)
  uint8_t min_params;
  uint8_t max_params;
};
bool find_command(StringView word, CommandLookup& out);
// The name as the table spells it (the alias for an alias), for messages.
StringView command_name(const CommandLookup& cmd);

enum AliasId : int {
  AliasNone = 0, AliasSetEnv, AliasEnvAdd, AliasEnvSub, AliasEnvMult, AliasEnvDiv,
  AliasIfEqual, AliasIfNotEqual, AliasIfGreater, AliasIfGreaterOrEqual, AliasIfLess,
  AliasIfLessOrEqual, AliasWinGetActiveTitle, AliasWinGetActiveStats,
};

// Kind of a zero-based parameter position; positions past the table are normal.
ParamKind param_kind(CommandId id, int position);
bool is_numeric_param(CommandId id, int one_based_position);
// Numeric positions of an alias differ from its command's (EnvAdd..EnvDiv).
bool is_numeric_param(const CommandLookup& cmd, int one_based_position);

}  // namespace orv
