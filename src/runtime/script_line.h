// The line model. Every executable statement is one ScriptLine; lines form a
// doubly linked list in source order and are linked to each other for jumps
// once the whole script has been read. Lines, their arguments and their
// texts live in the load-time pool and are never freed.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "runtime/command_table.h"

namespace orv {

struct Variable;
struct Func;
struct ExprToken;
struct Label;

// One %name% reference or function call found in a parameter's text.
struct DerefRecord {
  const char16_t* marker = nullptr;  // the opening dereference character, or the function name
  union {
    Variable* var;
    Func* func;
  } target{nullptr};
  uint8_t is_function = 0;
  uint8_t param_count = 0;
  uint16_t length = 0;  // %name%: including both dereference characters; call: the name
};

// The variable a text stands for when the whole text is one %name%; null
// otherwise. `derefs` may be null (no references at all).
inline Variable* sole_deref_var(const DerefRecord* derefs, const char16_t* text, size_t length) {
  return derefs && derefs[0].marker == text && derefs[0].length == length ? derefs[0].target.var : nullptr;
}

inline constexpr int kMaxDerefsPerParam = 512;
inline constexpr int kMaxVarNameLength = 253;

struct LineArg {
  ParamKind kind = ParamKind::Normal;
  uint8_t is_expression = 0;
  uint8_t dynamic_name = 0;  // a variable parameter whose name is built at run time
  uint16_t length = 0;
  const char16_t* text = u"";
  // A variable parameter whose name has no dereferences holds its Variable;
  // any other parameter holds its dereference list (null when there is none,
  // otherwise ending with a record whose marker is null).
  union {
    DerefRecord* derefs;
    Variable* var;
  } ref{nullptr};
  ExprToken* postfix = nullptr;
  // A plain integer found at load time (see the line parser), kept so that
  // the executor does not parse it again.
  bool has_integer = false;
  int64_t integer = 0;

  StringView view() const { return StringView(text, length); }
};

// What a Loop line iterates over, kept in its attribute. Unknown means the
// first parameter is built at run time and decides then.
enum class LoopKind : uintptr_t { Unknown = 0, Count, FilePattern, Files, Read, Parse, Registry, Reg, While, For };

struct ScriptLine {
  CommandId action = CmdInvalid;
  uint8_t arg_count = 0;
  uint16_t file_index = 0;
  uint32_t line_number = 0;
  LineArg* args = nullptr;
  ScriptLine* prev = nullptr;
  ScriptLine* next = nullptr;
  ScriptLine* related = nullptr;
  ScriptLine* parent = nullptr;
  // Gosub only: see the block pass.
  bool leaves_function = false;

  StringView arg_text(int i) const { return i < arg_count ? args[i].view() : StringView(); }

  // One word per line says something that depends on the command; each
  // command reads it only through the accessor of its kind.
  // Loop: what it iterates over.
  LoopKind loop_kind() const { return static_cast<LoopKind>(attribute_.kind); }
  void set_loop_kind(LoopKind kind) { attribute_.kind = static_cast<uintptr_t>(kind); }
  // "{": whether it opens a function body.
  bool is_function_body() const { return action == CmdBlockBegin && attribute_.kind == kFunctionBody; }
  void mark_function_body() { attribute_.kind = kFunctionBody; }
  // Goto, Gosub, SetTimer, OnExit and labelled Break/Continue: the label
  // their plain-text parameter names, once resolved; null when the name is
  // built at run time.
  Label* label() const { return attribute_.label; }
  void set_label(Label* label) { attribute_.label = label; }

 private:
  static constexpr uintptr_t kFunctionBody = 1;
  union {
    uintptr_t kind;
    Label* label;
  } attribute_{0};
};

// Whether `candidate` encloses `line` (is one of its parents).
inline bool is_ancestor(const ScriptLine* candidate, const ScriptLine* line) {
  for (const ScriptLine* p = line->parent; p; p = p->parent)
    if (p == candidate) return true;
  return false;
}

// Whether `line` lies in a function body.
inline bool inside_function(const ScriptLine* line) {
  for (const ScriptLine* p = line->parent; p; p = p->parent)
    if (p->is_function_body()) return true;
  return false;
}

}  // namespace orv
