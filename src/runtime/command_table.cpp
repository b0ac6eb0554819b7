#include "runtime/command_table.h"

namespace orv {

namespace {

#define NUMERIC(...) {__VA_ARGS__}
const CommandInfo kCommands[kCommandCount] = {
#define ORV_COMMAND(id, Name, text, min, max, flags, kinds, numeric, handler) \
  {text, min, max, flags, numeric, kinds, handler},
#include "runtime/command_list.h"
#undef ORV_COMMAND
};
#undef NUMERIC

// A row out of place would renumber every command after it.
#define ORV_COMMAND(id, Name, ...) static_assert(Cmd##Name == id, "command list out of order at " #Name);
#include "runtime/command_list.h"
#undef ORV_COMMAND

struct AliasInfo {
  const char16_t* name;
  CommandId becomes;
  uint8_t min_params, max_params;
};

const AliasInfo kAliases[] = {
    {u"", CmdInvalid, 0, 0},
    {u"SetEnv", CmdAssign, 1, 2},
    {u"EnvAdd", CmdAddAssign, 2, 3},
    {u"EnvSub", CmdSubAssign, 1, 3},
    {u"EnvMult", CmdMultAssign, 2, 2},
    {u"EnvDiv", CmdDivAssign, 2, 2},
    {u"IfEqual", CmdIfEqual, 1, 2},
    {u"IfNotEqual", CmdIfNotEqual, 1, 2},
    {u"IfGreater", CmdIfGreater, 1, 2},
    {u"IfGreaterOrEqual", CmdIfGreaterOrEqual, 1, 2},
    {u"IfLess", CmdIfLess, 1, 2},
    {u"IfLessOrEqual", CmdIfLessOrEqual, 1, 2},
    {u"WinGetActiveTitle", CmdWinGetTitle, 1, 1},
    {u"WinGetActiveStats", CmdWinGetPos, 5, 5},
};

}  // namespace

const CommandInfo& command_info(CommandId id) { return kCommands[id]; }

bool find_command(StringView word, CommandLookup& out) {
  for (int i = 24; i < kCommandCount; ++i) {
    if (equals_ignore_case(word, kCommands[i].name)) {
      out = {CommandId(i), AliasNone, kCommands[i].min_params, kCommands[i].max_params};
      return true;
    }
  }
  for (int i = 1; i <= AliasWinGetActiveStats; ++i) {
    if (equals_ignore_case(word, kAliases[i].name)) {
      out = {kAliases[i].becomes, i, kAliases[i].min_params, kAliases[i].max_params};
      return true;
    }
  }
  return false;
}

StringView command_name(const CommandLookup& cmd) {
  return cmd.alias != AliasNone ? kAliases[cmd.alias].name : kCommands[cmd.id].name;
}

ParamKind param_kind(CommandId id, int position) {
  const char* kinds = kCommands[id].var_kinds;
  for (int i = 0; kinds[i]; ++i) {
    if (i == position) return kinds[i] == 'o' ? ParamKind::OutputVar : kinds[i] == 'i' ? ParamKind::InputVar : ParamKind::Normal;
  }
  return ParamKind::Normal;
}

bool is_numeric_param(CommandId id, int one_based_position) {
  for (uint8_t p : kCommands[id].numeric) {
    if (p == 0) break;
    if (p == one_based_position) return true;
  }
  return false;
}

bool is_numeric_param(const CommandLookup& cmd, int one_based_position) {
  if (cmd.alias >= AliasEnvAdd && cmd.alias <= AliasEnvDiv) return one_based_position == 2;
  if (cmd.alias != AliasNone) return false;
  return is_numeric_param(cmd.id, one_based_position);
}

}  // namespace orv
