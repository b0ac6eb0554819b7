#include "runtime/calls.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/messages.h"
#include "base/small_array.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/executor.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/object.h"
#include "runtime/object_audit.h"
#include "runtime/script_program.h"
#include "runtime/stack_guard.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

// Script calls nest native frames (a few kilobytes per level); past this
// depth, or when the native stack is nearly used up, whichever comes first,
// the call fails with a message instead of overflowing the stack. Both
// hosts reserve 256 MB for the script's thread.
constexpr int kMaxCallDepth = 10000;
int g_call_depth = 0;
// Whether the script function called last ended with a Return; a method or
// meta-function called through invoke reports that to the object model.
bool g_last_call_returned = false;

// A local's state, set aside while a recursive call of its function runs.
struct SavedLocal {
  Variable* var;
  decltype(Variable::contents) contents;
  char16_t* text;
  size_t length_bytes;
  size_t capacity_bytes;
  size_t block_bytes;
  AllocKind alloc;
  uint8_t attributes;
  VarType type;
};

std::vector<SavedLocal>& saved_locals() {
  static std::vector<SavedLocal> stack;
  return stack;
}


void reset_local(Variable* v) {
  v->contents.integer = 0;
  v->text = g_empty_text;
  v->length_bytes = 0;
  v->capacity_bytes = 0;
  v->block_bytes = 0;
  v->alloc = AllocKind::None;
  v->attributes = AttrUninitialized;
  v->type = VarType::Normal;
}

// Empties the locals after a call: objects released, heap buffers returned,
// by-reference bindings undone.
void release_locals(Func& f) {
  f.locals.for_each([](Variable* v) {
    if (v->type == VarType::Alias) {
      reset_local(v);
      return;
    }
    v->free_buffer(FreeMode::Release, true);
  });
}

// Copies a text value into the caller's temporary memory.
Result keep_text(StringView text, uint32_t symbol, ExprToken& out) { return temp_text_token(text, symbol, out); }

// Argument lists of recursive calls, copied so that values read out of the
// locals about to be set aside can take the variables' places, and the
// objects among those, held for the length of the call. Calls nest, so the
// newest copy is always the one to go; one level per depth of recursion,
// kept with its memory, spares each call a holder of its own, and a deeper
// call never moves the copy a shallower one reads. The caller's own list
// stays as it was, for its owner to let go of what it took (the evaluator's
// stack), or of nothing (a method call's or a variadic call's copy). Out of
// line: the calls that copy nothing stay lean.
class ArgumentCopies {
 public:
  [[gnu::noinline]] ExprToken* copy(const ExprToken* args, size_t argc) {
    if (depth_ == levels_.size()) levels_.emplace_back();
    Level& level = levels_[depth_++];
    level.tokens.assign(args, args + argc);
    return level.tokens.data();
  }
  // The object, as a token of the newest copy, which holds it.
  ExprToken hold(IObject* object) {
    levels_[depth_ - 1].held.emplace_back(object);
    return object_token(object);
  }
  [[gnu::noinline]] void drop() {
    Level& level = levels_[--depth_];
    if (level.held.empty()) return;
    // Let go once the level is free: a __Delete run by the release may
    // call recursively and take this level again.
    std::vector<ObjectRef> held = std::move(level.held);
    level.held.clear();
  }

 private:
  struct Level {
    std::vector<ExprToken> tokens;
    std::vector<ObjectRef> held;
  };
  std::vector<Level> levels_;
  size_t depth_ = 0;
};

// Never destroyed: an exit from inside a recursion must not release objects
// once the script is gone.
ArgumentCopies& argument_copies() {
  static ArgumentCopies& copies = *new ArgumentCopies;
  return copies;
}

// A variable passed by value may be one of the running instance's locals:
// its value is taken before the locals are set aside for the recursion.
// Recursion sets them aside on one shared stack; calls end in the reverse
// order of their start, so each takes its own entries back from the top.
// The values read out take the variables' places in a copy of the list,
// made (and `copied` set) at the first of them, which `args` then points at;
// a list with none, such as fib(n - 1)'s, is not copied.
Result set_locals_aside(Func& f, ExprToken*& args, size_t argc, std::vector<SavedLocal>& backups, bool& copied) {
  ArgumentCopies& copy = argument_copies();
  for (size_t i = 0; i < argc; ++i) {
    bool by_ref = i < f.params.size() && f.params[i].by_ref;
    if (args[i].symbol != SymVar) continue;
    if (by_ref) {
      // The caller's variable may be one of these locals bound by
      // reference: resolve it to the real variable before the backup
      // moves the binding away.
      args[i].var = &args[i].var->target();
      continue;
    }
    if (!copied) {
      args = copy.copy(args, argc);
      copied = true;
    }
    Variable& v = args[i].var->target();
    if (v.attributes & AttrObject) {
      args[i] = copy.hold(v.contents.object);
    } else if (v.attributes & AttrHasInt) {
      ExprToken t{};
      t.symbol = SymInteger;
      t.integer = v.to_int();
      if (!(v.attributes & AttrTextStale)) {
        if (!keep_text(v.view(), SymOperand, t)) return ResultFailed;
      }
      args[i] = t;
    } else {
      if (!keep_text(v.view(), SymOperand, args[i])) return ResultFailed;
    }
  }
  f.locals.for_each([&](Variable* v) {
    backups.push_back({v, v->contents, v->text, v->length_bytes, v->capacity_bytes, v->block_bytes, v->alloc,
                       v->attributes, v->type});
    reset_local(v);
  });
  return ResultDone;
}

// Empties the locals of the call that ends and gives the instance below
// its own back.
void restore_locals(Func& f, std::vector<SavedLocal>& backups, size_t base) {
  release_locals(f);
  for (size_t i = base; i < backups.size(); ++i) {
    const SavedLocal& s = backups[i];
    Variable* v = s.var;
    v->contents = s.contents;
    v->text = s.text;
    v->length_bytes = s.length_bytes;
    v->capacity_bytes = s.capacity_bytes;
    v->block_bytes = s.block_bytes;
    v->alloc = s.alloc;
    v->attributes = s.attributes;
    v->type = s.type;
  }
  backups.resize(base);
}

// The named parameters: what the call supplies (by reference, a binding),
// else what a variadic call's array names, else the default.
Result bind_parameters(Func& f, ExprToken* args, size_t argc, IObject* named) {
  Result r = ResultDone;
  for (size_t i = 0; i < f.params.size() && r; ++i) {
    FuncParam& p = f.params[i];
    if (f.variadic && i + 1 == f.params.size()) break;
    bool supplied = i < argc && args[i].symbol != SymMissing;
    if (supplied) {
      if (p.by_ref && args[i].symbol == SymVar) {
        Variable& target = args[i].var->target();
        if (&target != p.var) {
          p.var->type = VarType::Alias;
          p.var->alias_target = &target;
        }
      } else {
        r = p.var->assign_token(args[i]);
      }
      continue;
    }
    if (named) {
      ExprToken item;
      if (g_object_model.named_item(*named, p.var->name_view(), item)) {
        r = p.var->assign_token(item);
        continue;
      }
    }
    switch (p.default_kind) {
      case DefaultKind::Text: r = p.var->assign(p.default_text); break;
      case DefaultKind::Integer: r = p.var->assign_int(p.default_int); break;
      case DefaultKind::Float: r = p.var->assign_double(p.default_float); break;
      case DefaultKind::None: break;
    }
  }
  return r;
}

// A variable's value as an array item: an object, its number when it holds
// one, else its text.
ExprToken item_of_variable(Variable& v) {
  ExprToken value{};
  if (v.attributes & AttrObject) {
    value.symbol = SymObject;
    value.object = v.contents.object;
  } else if (!(v.attributes & (AttrHasInt | AttrHasDouble))) {
    StringView t = v.view();
    value.symbol = SymOperand;
    value.text = t.data();
    value.length = uint32_t(t.size());
  } else if (v.attributes & AttrHasInt) {
    value.symbol = SymInteger;
    value.integer = v.to_int();
  } else {
    value.symbol = SymFloat;
    value.number = v.to_double();
  }
  return value;
}

// The arguments past the named parameters, as the variadic parameter's
// array (keeping the named values of a variadic call's array).
Result gather_rest(Func& f, ExprToken* args, size_t argc, IObject* named) {
  size_t first = f.params.size() - 1;
  ObjectRef rest = ObjectRef::adopt(g_object_model.new_rest_array(named));
  if (!rest) return report_runtime_error(message(Msg::OutOfMemory), f.name);
  for (size_t i = first; i < argc; ++i) {
    if (args[i].symbol == SymMissing) continue;
    ExprToken value = args[i].symbol == SymVar ? item_of_variable(args[i].var->target()) : args[i];
    if (!g_object_model.set_item(*rest, int64_t(i - first + 1), value))
      return report_runtime_error(message(Msg::OutOfMemory), f.name);
  }
  return f.params.back().var->assign_object(std::move(rest));
}

Result call_script_function(Func& f, ExprToken* args, size_t argc, ExprToken& result, IObject* named = nullptr) {
  if (g_call_depth >= kMaxCallDepth || stack_exhausted())
    return report_runtime_error(message(Msg::FunctionRecursionTooDeep), f.name);

  std::vector<SavedLocal>& backups = saved_locals();
  const size_t backup_base = backups.size();
  bool copied = false;
  if (f.instances > 0 && !set_locals_aside(f, args, argc, backups, copied)) {
    if (copied) argument_copies().drop();
    return ResultFailed;
  }

  Result r = bind_parameters(f, args, argc, named);
  if (r && f.variadic) r = gather_rest(f, args, argc, named);

  CallResult call_result;
  if (r) {
    Func* caller = g_thread->current_func;
    const ScriptLine* caller_line = g_thread->current_line;
    g_thread->current_func = &f;
    ++f.instances;
    ++g_call_depth;
    r = execute_body(*g_script, f.body, call_result);
    --g_call_depth;
    --f.instances;
    g_thread->current_func = caller;
    g_thread->current_line = caller_line;
  }

  g_last_call_returned = call_result.returned;
  if (r) {
    const ExprToken& v = *call_result.value;
    if (v.symbol == SymString || v.symbol == SymOperand) {
      // An Exit in the body still ends the thread once the text is kept.
      if (!keep_text(call_result.text, v.symbol, result)) r = ResultFailed;
    } else result = call_result.value.detach();  // numbers, and an object whose reference passes to the caller
  } else {
    call_result.value.reset();
  }

  restore_locals(f, backups, backup_base);
  if (copied) argument_copies().drop();
  return r;
}

// invoke takes its parameters as pointers.
struct TokenPointers : SmallArray<ExprToken*, 16> {
  TokenPointers(ExprToken* args, size_t argc) : SmallArray(argc) {
    for (size_t i = 0; i < argc; ++i) (*this)[i] = &args[i];
  }
};

// Invokes the object named by args[0] with the rest as parameters; a value
// that is no object, or a member the object does not handle, gives the
// empty default.
Result invoke_target(uint32_t flags, ExprToken* args, size_t argc, ExprToken& result) {
  TokenPointers params(args, argc);
  Result r = g_object_model.invoke_member(result, flags, params.data(), int(argc));
  if (r == ResultNotHandled) return ResultDone;
  return r;
}

// x.y++ and the like: read the member, step it, store it back.
Result step_member(OperatorKind op, ExprToken* args, size_t argc, ExprToken& result) {
  OwnedToken old;
  if (!invoke_target(InvokeGet, args, argc, old.out())) return ResultFailed;
  int delta = (op == OperatorKind::PreIncrement || op == OperatorKind::PostIncrement) ? 1 : -1;
  ExprToken stepped{};
  const NumType type = token_numeric_type(*old);
  switch (type) {
    case NumType::Integer:
      stepped.symbol = SymInteger;
      stepped.integer = int64_t(uint64_t(token_to_int(*old)) + uint64_t(delta));
      break;
    case NumType::Float:
      stepped.symbol = SymFloat;
      stepped.number = token_to_double(*old) + delta;
      break;
    default:
      stepped.symbol = SymString;
      stepped.text = u"";
      break;
  }
  std::vector<ExprToken> with_value(args, args + argc);
  with_value.push_back(stepped);
  OwnedToken ignored;
  Result r = invoke_target(InvokeSet, with_value.data(), with_value.size(), ignored.out());
  ignored.reset();
  if (!r) return r;
  bool post = op == OperatorKind::PostIncrement || op == OperatorKind::PostDecrement;
  // Text that is no number steps to nothing, and nothing is what it was.
  if (post && type == NumType::NotNumeric) result = empty_token();
  else result = post ? old.detach() : stepped;
  return ResultDone;
}

}  // namespace

IObject* function_object(StringView name) { return find_function(*g_script, name); }

void* set_aside_throw() { return new ThrownValue(g_thread->thrown.take()); }

void restore_throw(void* p) {
  auto* saved = static_cast<ThrownValue*>(p);
  ThrownValue& now = g_thread->thrown;
  if (saved->pending) {
    // An exception raised by __Delete gives way to the one already pending.
    now.object.reset();
    now = std::move(*saved);
  }
  delete saved;
}

// Inside a method: its class and its `this`, for base.Method().
bool running_method(IObject*& defining_class, ExprToken& this_value) {
  Func* f = g_thread->current_func;
  if (!f || !f->class_object || f->params.empty()) return false;
  defining_class = f->class_object;
  this_value = ExprToken{};
  this_value.symbol = SymVar;
  this_value.var = f->params[0].var;
  return true;
}

ObjectModelOps g_object_model;

#if ORV_TRACK_OBJECTS
// Here rather than with the variables: the locals set aside by recursion
// are this file's.
void report_variable_references(ReferenceAudit& audit) {
  auto report = [&](const Variable* v) {
    if (v->type == VarType::Normal && (v->attributes & AttrObject)) audit.held(v->contents.object);
  };
  if (g_script) {
    g_script->globals.for_each(report);
    for (const Func* f : g_script->functions) {
      f->locals.for_each(report);
      f->statics.for_each(report);
    }
  }
  for (const SavedLocal& s : saved_locals())
    if (s.type == VarType::Normal && (s.attributes & AttrObject)) audit.held(s.contents.object);
}
#endif

Result call_operator(Func& f, ExprToken* args, size_t argc, ExprToken& result) {
  switch (f.op) {
    case OperatorKind::MemberGet:
    case OperatorKind::MemberGetDynamicCount:
      return invoke_target(InvokeGet, args, argc, result);
    case OperatorKind::MemberSet:
      return invoke_target(InvokeSet, args, argc, result);
    case OperatorKind::MemberCall:
      return invoke_target(InvokeCall, args, argc, result);
    case OperatorKind::PreIncrement:
    case OperatorKind::PreDecrement:
    case OperatorKind::PostIncrement:
    case OperatorKind::PostDecrement:
      return step_member(f.op, args, argc, result);
    case OperatorKind::New:
      return g_object_model.new_object(args, argc, result);
    default:
      return ResultDone;
  }
}

// f(args*): the array's items 1..n become parameters (a gap gives an
// omitted one); its named items can supply parameters by name.
Result call_variadic(Func& f, ExprToken* args, size_t argc, ExprToken& result) {
  std::vector<ExprToken> all(args, args + argc - 1);
  IObject* array = token_object(args[argc - 1]);
  if (array && !g_object_model.array_items(*array, all)) array = nullptr;
  ObjectRef held(array);  // the call may overwrite where the array came from
  if (f.kind == FuncKind::Operator) return call_operator(f, all.data(), all.size(), result);
  if (f.kind == FuncKind::Builtin) return f.routine(f, result, all.data(), int(all.size()));
  return call_script_function(f, all.data(), all.size(), result, array);
}

Result call_function(const CallRecord& call, ExprToken* dynamic_name, ExprToken* args, size_t argc, ExprToken& result) {
  Func* f = call.func;
  if (!f && dynamic_name && dynamic_name->symbol == SymObject) {
    IObject* callee = dynamic_name->object;
    if (callee->type_name() == StringView(u"Func")) {
      f = static_cast<Func*>(callee);
    } else {
      // Any other object is called with the empty method name: function
      // objects take it as a call of themselves, a script's object can
      // answer it with __Call.
      SmallArray<ExprToken*, 16> params(argc + 1);
      ExprToken no_name = empty_token();
      params[0] = &no_name;
      for (size_t i = 0; i < argc; ++i) params[i + 1] = &args[i];
      Result r = callee->invoke(result, *dynamic_name, InvokeCall, params.data(), int(argc + 1));
      return r == ResultNotHandled || r == ResultReturned ? ResultDone : r;
    }
  }
  if (!f) {
    char16_t buf[256];
    StringView name = dynamic_name ? token_to_text(*dynamic_name, buf) : StringView();
    f = find_function(*g_script, name);
    if (!f) return report_runtime_error(message(Msg::CallToMissingFunction), name);
  }
  if (call.kind == CallVariadic && argc > 0) return call_variadic(*f, args, argc, result);
  if (f->kind == FuncKind::Operator) return call_operator(*f, args, argc, result);
  // Too few parameters: the function is not called and the result is empty.
  if (int(argc) < f->min_params) return ResultDone;
  // More than a built-in takes are let go, as a script function lets go of
  // what it has no parameter for: a function object may be handed more
  // than it declares (Abs as a __Get gets the object and the key).
  if (f->kind == FuncKind::Builtin) return f->routine(*f, result, args, std::min(int(argc), f->max_params));
  return call_script_function(*f, args, argc, result);
}

Result call_function_object(Func& f, ExprToken** params, int count, ExprToken& result) {
  SmallArray<ExprToken, 8> args{size_t(count)};
  for (int i = 0; i < count; ++i) args[i] = *params[i];
  CallRecord call;
  call.func = &f;
  g_last_call_returned = false;
  Result r = call_function(call, nullptr, args.data(), size_t(count), result);
  // A built-in always gives its value back, as a script function's Return
  // does: one bound as __Get answers the lookup.
  if (r == ResultDone && (f.kind == FuncKind::Builtin || g_last_call_returned)) return ResultReturned;
  return r;
}

}  // namespace orv
