// The execution engine: runs lines from a starting line until a Return or
// Exit ends the thread.
#pragma once

#include "base/result.h"
#include "runtime/object.h"
#include "runtime/script_program.h"
#include "runtime/value.h"

namespace orv {

struct Variable;
class IObject;

// A line's arguments with their variable references substituted, as the
// commands see them. The texts live in `buffer` until the next expansion.
struct ExpandedArgs {
  static constexpr int kMaxArgs = 16;
  int count = 0;
  StringView text[kMaxArgs];
  Variable* vars[kMaxArgs] = {};
  // An expression parameter whose value is an object (a function object
  // given to SetTimer, say), held until the next expansion.
  ObjectRef objects[kMaxArgs];
  String buffer;

  ExpandedArgs() = default;
  ExpandedArgs(const ExpandedArgs&) = delete;
  ExpandedArgs& operator=(const ExpandedArgs&) = delete;

  Result expand(const ScriptLine& line);
  // Lets go of the objects of the last expansion and forgets its values, as
  // a fresh buffer would hold.
  void clear();
  // The variable a parameter names when its name is built at run time.
  Variable* resolve_name(const LineArg& arg);

 private:
  // False, with the report made, when the text would grow past what a
  // variable may hold.
  bool append_with_derefs(const LineArg& arg);
  void release_objects();
  bool holds_objects_ = false;
};

// Parameter i as text; empty when the line has fewer.
inline StringView arg_text(const ExpandedArgs& args, int i) { return i < args.count ? args.text[i] : StringView(); }

Result execute_from(ScriptProgram& program, ScriptLine* start);

// What a function's Return hands back: a typed value, or text held here.
struct CallResult {
  OwnedToken value;
  String text;
  bool returned = false;  // the body ended with a Return (methods and meta-functions tell callers)
};

// Runs a function body from its "{" until its "}" or a Return.
Result execute_body(ScriptProgram& program, ScriptLine* open_brace, CallResult& result);

// Static initialisers run once, before the auto-execute section.
Result run_static_initializers(ScriptProgram& program);

}  // namespace orv
