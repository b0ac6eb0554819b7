// The legacy string commands: StringLeft and its relatives, StringGetPos,
// StringReplace, StringSplit, Sort and SplitPath. Each reads the line's
// expanded arguments; the output variables are those the line names.
#pragma once

#include "base/result.h"
#include "runtime/command_table.h"
#include "runtime/executor.h"

namespace orv {

// Parameter i as text; empty when the line has fewer.
inline StringView arg_text(const ExpandedArgs& args, int i) { return i < args.count ? args.text[i] : StringView(); }

// Runs any of the commands above.
Result string_command(CommandId id, const ExpandedArgs& args);

// The commands by file.
Result string_slice(CommandId id, const ExpandedArgs& args);  // Left, Right, TrimLeft, TrimRight
Result string_mid(const ExpandedArgs& args);
Result string_len(const ExpandedArgs& args);
Result string_case(CommandId id, const ExpandedArgs& args);  // StringLower, StringUpper
Result string_get_pos(const ExpandedArgs& args);
Result string_replace(const ExpandedArgs& args);
Result string_split(const ExpandedArgs& args);
Result sort_command(const ExpandedArgs& args);
Result split_path(const ExpandedArgs& args);

}  // namespace orv
