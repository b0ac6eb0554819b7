#include "runtime/evaluator.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/builtin_vars.h"
#include "runtime/calls.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/numbers.h"
#include "runtime/object.h"
#include "runtime/object_audit.h"
#include "runtime/scope.h"
#include "runtime/script_line.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"
#include "runtime/warnings.h"

namespace orv {

// --- temporary memory -------------------------------------------------------------------

TempArena::~TempArena() {
  for (Block& b : blocks_) std::free(b.data);
}

char16_t* TempArena::allocate(size_t chars) {
  if (blocks_.empty()) {
    blocks_.push_back({static_cast<char16_t*>(std::malloc(64 * 1024 * sizeof(char16_t))), 64 * 1024, 0});
    current_ = 0;
  }
  for (;;) {
    Block& b = blocks_[current_];
    if (b.data && b.size - b.used >= chars) {
      char16_t* p = b.data + b.used;
      b.used += chars;
      return p;
    }
    if (current_ + 1 < blocks_.size() && blocks_[current_ + 1].size >= chars) {
      ++current_;
      blocks_[current_].used = 0;
      continue;
    }
    // A new block large enough, placed after the current one; later blocks
    // (free at this point) are dropped.
    size_t size = chars > 64 * 1024 ? chars : 64 * 1024;
    while (blocks_.size() > current_ + 1) {
      std::free(blocks_.back().data);
      blocks_.pop_back();
    }
    auto* data = static_cast<char16_t*>(std::malloc(size * sizeof(char16_t)));
    if (!data) return nullptr;
    blocks_.push_back({data, size, 0});
    ++current_;
  }
}

void TempArena::release(Mark m) {
  if (blocks_.empty()) return;
  current_ = m.block;
  blocks_[current_].used = m.used;
}

Result temp_text_token(StringView text, uint32_t symbol, ExprToken& out) {
  char16_t* p = temp_arena().allocate(text.size() + 1);
  if (!p) return report_runtime_error(message(Msg::OutOfMemory));
  if (!text.empty()) std::memcpy(p, text.data(), text.size() * sizeof(char16_t));
  p[text.size()] = 0;
  out = ExprToken{};
  out.symbol = symbol;
  out.text = p;
  out.length = uint32_t(text.size());
  return ResultDone;
}

// --- values ---------------------------------------------------------------------------------

namespace {

ExprToken empty_string() { return text_token(StringView()); }

}  // namespace

NumType token_numeric_type(const ExprToken& t) {
  switch (t.symbol) {
    case SymInteger: return NumType::Integer;
    case SymFloat: return NumType::Float;
    case SymVar: return t.var->numeric_type();
    case SymOperand: return t.preparsed ? NumType::Integer : numeric_type_of(t.view());
    default: return NumType::NotNumeric;
  }
}

int64_t token_to_int(const ExprToken& t) {
  switch (t.symbol) {
    case SymInteger: return t.integer;
    case SymFloat: return std::isfinite(t.number) && std::fabs(t.number) < 9.2e18 ? int64_t(t.number) : INT64_MIN;
    case SymVar: return t.var->to_int();
    case SymOperand: return t.preparsed ? *t.preparsed : text_to_int(t.view());
    case SymString: return text_to_int(t.view());
    default: return 0;
  }
}

double token_to_double(const ExprToken& t) {
  switch (t.symbol) {
    case SymInteger: return double(t.integer);
    case SymFloat: return t.number;
    case SymVar: return t.var->to_double();
    case SymOperand: return t.preparsed ? double(*t.preparsed) : text_to_double(t.view());
    case SymString: return text_to_double(t.view());
    default: return 0;
  }
}

StringView token_to_text(const ExprToken& t, char16_t* buf) {
  switch (t.symbol) {
    case SymInteger: return StringView(buf, format_int(t.integer, g_thread->integer_format, buf));
    case SymFloat: return StringView(buf, format_double(t.number, g_thread->float_format, buf, 256));
    case SymVar: {
      Variable& v = t.var->target();
      if (v.type == VarType::Normal) return v.view();
      // The length asked first may be more than the value then written.
      size_t n = v.read_text(nullptr);
      if (n < 256) return StringView(buf, v.read_text(buf));
      char16_t* p = temp_arena().allocate(n + 1);
      if (!p) return StringView();
      return StringView(p, v.read_text(p));
    }
    case SymString:
    case SymOperand: return t.view();
    default: return StringView();
  }
}

bool token_truth(const ExprToken& t) {
  switch (t.symbol) {
    case SymInteger: return t.integer != 0;
    case SymFloat: return t.number != 0 || std::isnan(t.number);
    case SymObject: return true;
    case SymVar: {
      Variable& v = t.var->target();
      if (v.attributes & AttrObject) return true;
      switch (v.numeric_type()) {
        case NumType::Integer: return v.to_int() != 0;
        case NumType::Float: { double d = v.to_double(); return d != 0 || std::isnan(d); }
        default: {
          char16_t buf[256];
          return !token_to_text(t, buf).empty();
        }
      }
    }
    case SymOperand:
      switch (token_numeric_type(t)) {
        case NumType::Integer: return token_to_int(t) != 0;
        case NumType::Float: { double d = token_to_double(t); return d != 0 || std::isnan(d); }
        default: return t.length != 0;
      }
    case SymString: return t.length != 0;
    default: return false;
  }
}

bool condition_truth(const ExprToken& t) {
  if (t.symbol == SymString) {
    StringView s = t.view();
    if (s.empty() || s == u"0") return false;
    switch (numeric_type_of(s)) {
      case NumType::Integer: return text_to_int(s) != 0;
      case NumType::Float: { double d = text_to_double(s); return d != 0 || std::isnan(d); }
      default: return true;
    }
  }
  return token_truth(t);
}

namespace {

int compare_text(StringView a, StringView b, StringCaseSense sense) {
  if (sense == StringCaseSense::On) return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
  return compare_ignore_case(a, b);
}

// Value stacks for evaluations, handed out in stack order. They live on the
// heap so that an evaluation nested in a deep chain of calls costs the
// native stack only a few hundred bytes.
class StackBlocks {
 public:
  static constexpr size_t kTokens = 512;
  ExprToken* acquire() {
    if (used_ == blocks_.size()) {
      auto* b = static_cast<ExprToken*>(std::malloc(kTokens * sizeof(ExprToken)));
      if (!b) return nullptr;
      blocks_.push_back(b);
    }
    return blocks_[used_++];
  }
  void release() { --used_; }

 private:
  std::vector<ExprToken*> blocks_;
  size_t used_ = 0;
};

StackBlocks& stack_blocks() {
  static StackBlocks blocks;
  return blocks;
}

class Evaluation;

#if ORV_TRACK_OBJECTS
// The evaluations running now, innermost last: their stacks hold references.
std::vector<const Evaluation*>& running_evaluations() {
  static std::vector<const Evaluation*> running;
  return running;
}
#endif

class Evaluation {
 public:
  explicit Evaluation(const ExprToken* code) : code_(code), stack_(stack_blocks().acquire()) {
#if ORV_TRACK_OBJECTS
    running_evaluations().push_back(this);
#endif
  }
  ~Evaluation() {
#if ORV_TRACK_OBJECTS
    running_evaluations().pop_back();
#endif
    if (stack_) stack_blocks().release();
  }
  bool ready() const { return stack_ != nullptr; }

  // Every value on the stack that is an object owns its reference.
  void report_references(ReferenceAudit& audit) const {
    for (size_t i = 0; i < sp_; ++i)
      if (stack_[i].symbol == SymObject) audit.held(stack_[i].object);
  }

  Result run(ExprToken& result) {
    for (const ExprToken* tok = code_;; ++tok) {
      uint32_t sym = tok->symbol;
      if (sym == SymEnd) break;
      if (sym <= SymDynamic) {
        if (!push_operand(*tok)) return fail_cleanup();
      } else if (sym >= SymEqual && sym <= SymFloorDivide && integer_operation(sym)) {
        // done in place; a short-circuit link below may still follow it
      } else {
        const ExprToken* jump = nullptr;
        Result applied = apply(tok, jump);
        if (applied == ResultExitThread) {
          // Exit in a function called here ends the thread, not just the call.
          (void)fail_cleanup();
          return ResultExitThread;
        }
        if (!applied) return fail_cleanup();
        if (jump) {
          tok = jump;
          continue;
        }
      }
      // Short-circuit points: the value just produced decides a jump.
      if (tok->link && tok->symbol != SymIfThen && !names_function(*tok)) {
        const ExprToken* target = tok->link;
        for (;;) {
          uint32_t ls = target->symbol;
          if (ls == SymIfThen) {
            // cond ? a : b  -- false goes to the else branch.
            ExprToken cond = pop();
            bool truth = token_truth(cond);
            release(cond);
            if (!truth) {
              tok = target;  // continue after "?", at the else branch
              // A "?" without a ":" has no else branch: its value is empty.
              if (!target->link) push(empty_string());
            }
            break;
          }
          bool truth = token_truth(top());
          if ((ls == SymOr && truth) || (ls == SymAnd && !truth)) {
            ExprToken v = pop();
            release(v);
            push(int_token(truth ? 1 : 0));
            tok = target;
            if (target->link && (target->link->symbol == SymOr || target->link->symbol == SymAnd)) {
              target = target->link;
              continue;
            }
            if (target->link && target->link->symbol == SymIfThen) {
              target = target->link;
              continue;
            }
          } else {
            // Not short-circuited: the left value is no longer needed.
            ExprToken v = pop();
            release(v);
          }
          break;
        }
      }
    }
    if (sp_ == 0) {
      result = empty_string();
      return ResultDone;
    }
    result = stack_[sp_ - 1];
    for (size_t i = 0; i + 1 < sp_; ++i) release(stack_[i]);
    sp_ = 0;
    return ResultDone;
  }

 private:
  static constexpr size_t kStackSize = StackBlocks::kTokens;

  Result fail_cleanup() {
    while (sp_) release(stack_[--sp_]);
    return ResultFailed;
  }

  void push(const ExprToken& t) { stack_[sp_++] = t; }
  ExprToken pop() { return stack_[--sp_]; }
  ExprToken& top() { return stack_[sp_ - 1]; }
  static void release(ExprToken& t) {
    if (t.symbol == SymObject && t.object) t.object->release();
  }
  // A dynamic name links to its call when it names the function called; a
  // dynamic variable's link is a short-circuit like any operand's.
  static bool names_function(const ExprToken& t) {
    return t.symbol == SymDynamic && t.link && t.link->symbol == SymCall;
  }

  Result push_operand(const ExprToken& tok) {
    if (sp_ >= kStackSize) return report_runtime_error(message(Msg::ExpressionTooLong));
    switch (tok.symbol) {
      case SymObject:
        tok.object->add_ref();
        push(tok);
        return ResultDone;
      case SymVar: {
        ExprToken t = tok;
        Variable& v = tok.var->target();
        // Reading a variable never assigned is worth a warning; being the
        // target of := is no read.
        if ((v.attributes & AttrUninitialized) && v.type == VarType::Normal && !(tok.length & kAssignTarget))
          warn_unset_variable(v);
        // ClipboardAll stays a variable: what receives it takes a snapshot.
        if (v.type == VarType::ClipboardAll) {
          push(t);
          return ResultDone;
        }
        if (v.type != VarType::Normal && v.type != VarType::Alias) {
          int64_t integer;
          if (builtin_variable_integer(v, integer)) {
            push(int_token(integer));
            return ResultDone;
          }
          // The clipboard and built-ins are read into temporary memory.
          size_t n = v.read_text(nullptr);
          char16_t* p = temp_arena().allocate(n + 1);
          if (!p) return report_runtime_error(message(Msg::OutOfMemory));
          n = v.read_text(p);
          push(text_token(StringView(p, n), SymOperand));
          return ResultDone;
        }
        push(t);
        return ResultDone;
      }
      case SymDynamic:
        return push_dynamic(tok);
      default:
        push(tok);
        return ResultDone;
    }
  }

  Result push_dynamic(const ExprToken& tok) {
    const uint32_t length = tok.length & ~kDynamicWritten;
    const StringView written_as(tok.text, length);
    // %v% alone, with v holding an object, stands for the object itself.
    if (Variable* sole = sole_deref_var(tok.derefs, tok.text, length)) {
      Variable& v = sole->target();
      if (v.attributes & AttrObject) {
        ExprToken t{};
        t.symbol = SymObject;
        t.object = v.contents.object;
        t.object->add_ref();
        push(t);
        return ResultDone;
      }
    }
    char16_t name[kMaxVarNameLength + 1];
    size_t n = 0;
    const DerefRecord* d = tok.derefs;
    const char16_t* p = tok.text;
    const char16_t* end = tok.text + length;
    while (p < end) {
      if (d->marker == p) {
        char16_t buf[256];
        ExprToken vt{};
        vt.symbol = SymVar;
        vt.var = d->target.var;
        StringView part = token_to_text(vt, buf);
        if (n + part.size() > kMaxVarNameLength)
          return report_runtime_error(message(Msg::DynamicVarNameTooLong), written_as);
        std::memcpy(name + n, part.data(), part.size() * sizeof(char16_t));
        n += part.size();
        p += d->length;
        ++d;
        continue;
      }
      if (n >= kMaxVarNameLength)
        return report_runtime_error(message(Msg::DynamicVarNameTooLong), written_as);
      name[n++] = *p++;
    }
    StringView built(name, n);
    if (names_function(tok)) {
      // The name of a function called at run time.
      char16_t* copy = temp_arena().allocate(n + 1);
      if (!copy) return report_runtime_error(message(Msg::OutOfMemory));
      std::memcpy(copy, name, n * sizeof(char16_t));
      push(text_token(StringView(copy, n), SymString));
      return ResultDone;
    }
    if (built.empty())
      return report_runtime_error(message(Msg::DynamicVarBlank), written_as);
    Variable* v = (tok.length & kDynamicWritten) ? find_or_add_variable(*g_script, built)
                                                : find_dynamic_to_read(*g_script, built);
    if (!v) return ResultFailed;
    ExprToken t{};
    t.symbol = SymVar;
    t.var = v;
    return push_operand(t);
  }

  // Stores a value into a variable, typed.
  Result store(Variable& target, const ExprToken& value) { return target.assign_token(value); }

  Result binary_arith(uint32_t op, const ExprToken& a, const ExprToken& b, ExprToken& out);

  // Counters and indexes: an operator on two integers at hand needs none of
  // the general paths of apply(), which read types and text. False (the
  // stack untouched) when it does not apply.
  inline bool integer_operation(uint32_t op);

  // One operator or call on the stack; `jump` is set when the operator
  // decides where evaluation goes on (the end of a ternary's branch).
  Result apply(const ExprToken* tok, const ExprToken*& jump);
  Result apply_call(const CallRecord& call);
  Result apply_unary(uint32_t op);
  // ++ and -- on the variable `a` names (anything else gives the empty value).
  Result step_variable(uint32_t op, const ExprToken& a, ExprToken& out);
  Result apply_assignment(uint32_t op, ExprToken a, ExprToken b);
  Result apply_binary(uint32_t op, ExprToken a, ExprToken b);

  const ExprToken* code_;
  ExprToken* stack_;
  size_t sp_ = 0;
};

bool both_ints(const ExprToken& a, const ExprToken& b) { return a.symbol == SymInteger && b.symbol == SymInteger; }

// An operand whose integer is at hand without reading text: a number, a
// literal carrying its integer, or a variable whose cached integer holds.
inline bool quick_int(const ExprToken& t, int64_t& out) {
  switch (t.symbol) {
    case SymInteger: out = t.integer; return true;
    case SymOperand: {
      if (t.preparsed) {
        out = *t.preparsed;
        return true;
      }
      // Plain decimal text, such as a function's returned number: type and
      // value in one pass. Anything else (blanks, signs, hex, long digit
      // runs that could saturate) takes the general path.
      const char16_t* p = t.text;
      uint32_t n = t.length, i = n && p[0] == u'-' ? 1 : 0;
      if (i == n || n > 18) return false;
      int64_t v = 0;
      for (; i < n; ++i) {
        if (p[i] < u'0' || p[i] > u'9') return false;
        v = v * 10 + (p[i] - u'0');
      }
      out = p[0] == u'-' ? -v : v;
      return true;
    }
    case SymVar: {
      const Variable& v = t.var->target();
      if (!(v.attributes & AttrHasInt) || v.type != VarType::Normal) return false;
      out = v.contents.integer;
      return true;
    }
    default: return false;
  }
}

// The operators whose result from two integers is an integer (or, for
// division by zero, the empty text); false for the others.
inline bool integer_binary(uint32_t op, int64_t x, int64_t y, ExprToken& out) {
  // Integer arithmetic wraps on overflow.
  const uint64_t ux = uint64_t(x), uy = uint64_t(y);
  switch (op) {
    case SymEqual:
    case SymEqualCase: out = int_token(x == y); return true;
    case SymNotEqual: out = int_token(x != y); return true;
    case SymGreater: out = int_token(x > y); return true;
    case SymLess: out = int_token(x < y); return true;
    case SymGreaterEqual: out = int_token(x >= y); return true;
    case SymLessEqual: out = int_token(x <= y); return true;
    case SymAdd: out = int_token(int64_t(ux + uy)); return true;
    case SymSubtract: out = int_token(int64_t(ux - uy)); return true;
    case SymMultiply: out = int_token(int64_t(ux * uy)); return true;
    case SymFloorDivide:
      if (y == 0) out = empty_string();
      else if (y == -1) out = int_token(int64_t(0 - ux));
      else out = int_token(x / y);
      return true;
    case SymBitOr: out = int_token(x | y); return true;
    case SymBitXor: out = int_token(x ^ y); return true;
    case SymBitAnd: out = int_token(x & y); return true;
    case SymShiftLeft: out = int_token(int64_t(ux << (y & 63))); return true;
    case SymShiftRight: out = int_token(x >> (y & 63)); return true;
    default: return false;
  }
}

Result Evaluation::binary_arith(uint32_t op, const ExprToken& a, const ExprToken& b, ExprToken& out) {
  if (op == SymConcat) {
    char16_t ba[256], bb[256];
    StringView x = token_to_text(a, ba), y = token_to_text(b, bb);
    if (over_memory_limit(x.size() + y.size() + 1)) return report_memory_limit();
    char16_t* p = temp_arena().allocate(x.size() + y.size() + 1);
    if (!p) return report_runtime_error(message(Msg::OutOfMemory));
    if (!x.empty()) std::memmove(p, x.data(), x.size() * sizeof(char16_t));
    if (!y.empty()) std::memmove(p + x.size(), y.data(), y.size() * sizeof(char16_t));
    p[x.size() + y.size()] = 0;
    out = text_token(StringView(p, x.size() + y.size()), a.symbol == SymString || b.symbol == SymString ? SymString : SymOperand);
    return ResultDone;
  }
  NumType ta = both_ints(a, b) ? NumType::Integer : token_numeric_type(a);
  NumType tb = both_ints(a, b) ? NumType::Integer : token_numeric_type(b);
  if (ta == NumType::NotNumeric || tb == NumType::NotNumeric) {
    out = empty_string();
    return ResultDone;
  }
  bool ints = ta == NumType::Integer && tb == NumType::Integer;
  switch (op) {
    case SymAdd:
    case SymSubtract:
    case SymMultiply:
      if (ints) {
        integer_binary(op, token_to_int(a), token_to_int(b), out);
      } else {
        double x = token_to_double(a), y = token_to_double(b);
        out = double_token(op == SymAdd ? x + y : op == SymSubtract ? x - y : x * y);
      }
      return ResultDone;
    case SymDivide: {
      double y = token_to_double(b);
      if (y == 0) {
        out = empty_string();
        return ResultDone;
      }
      out = double_token(token_to_double(a) / y);
      return ResultDone;
    }
    case SymFloorDivide:
      if (ints) {
        integer_binary(op, token_to_int(a), token_to_int(b), out);
      } else {
        double y = token_to_double(b);
        out = y == 0 ? empty_string() : double_token(std::floor(token_to_double(a) / y));
      }
      return ResultDone;
    case SymPower: {
      if (ints) {
        int64_t x = token_to_int(a), y = token_to_int(b);
        if (x == 0 && y < 0) {
          out = empty_string();
          return ResultDone;
        }
        double r = std::pow(std::fabs(double(x)), double(y));
        if (x < 0 && (y & 1)) r = -r;
        if (y >= 0) {
          out = int_token(std::isfinite(r) && std::fabs(r) < 9.2e18 ? int64_t(r) : INT64_MIN);
        } else {
          out = double_token(r);
        }
        return ResultDone;
      }
      double x = token_to_double(a), y = token_to_double(b);
      if ((x == 0 && y < 0) || (x < 0 && y != std::floor(y))) {
        out = empty_string();
        return ResultDone;
      }
      double r;
      if (x < 0) {
        r = std::pow(-x, y);
        if (std::fmod(std::fabs(y), 2.0) == 1.0) r = -r;
      } else {
        r = std::pow(x, y);
      }
      out = double_token(r);
      return ResultDone;
    }
    case SymBitOr:
    case SymBitXor:
    case SymBitAnd:
    case SymShiftLeft:
    case SymShiftRight:
      integer_binary(op, token_to_int(a), token_to_int(b), out);
      return ResultDone;
    default:
      out = empty_string();
      return ResultDone;
  }
}

// Comparison of two values: identity for objects, numbers when both are
// numeric, otherwise text.
int64_t compare_values(uint32_t op, const ExprToken& a, const ExprToken& b) {
  auto object_of = [](const ExprToken& t) -> IObject* {
    if (t.symbol == SymObject) return t.object;
    if (t.symbol == SymVar && (t.var->target().attributes & AttrObject)) return t.var->target().contents.object;
    return nullptr;
  };
  IObject* oa = object_of(a);
  IObject* ob = object_of(b);
  if (oa || ob) {
    bool same = oa == ob;
    if (op == SymEqual || op == SymEqualCase) return same;
    if (op == SymNotEqual) return !same;
  }
  NumType ta = both_ints(a, b) ? NumType::Integer : token_numeric_type(a);
  NumType tb = both_ints(a, b) ? NumType::Integer : token_numeric_type(b);
  int cmp;
  if (ta != NumType::NotNumeric && tb != NumType::NotNumeric) {
    if (ta == NumType::Integer && tb == NumType::Integer) {
      int64_t x = token_to_int(a), y = token_to_int(b);
      cmp = x < y ? -1 : x > y ? 1 : 0;
    } else {
      double x = token_to_double(a), y = token_to_double(b);
      if (std::isnan(x) || std::isnan(y)) return op == SymNotEqual;
      cmp = x < y ? -1 : x > y ? 1 : 0;
    }
  } else {
    char16_t ba[256], bb[256];
    StringView x = token_to_text(a, ba), y = token_to_text(b, bb);
    StringCaseSense sense = g_thread->case_sense;
    if (op == SymEqual) sense = StringCaseSense::Off;
    else if (op == SymEqualCase) sense = StringCaseSense::On;
    cmp = compare_text(x, y, sense);
  }
  switch (op) {
    case SymEqual:
    case SymEqualCase: return cmp == 0;
    case SymNotEqual: return cmp != 0;
    case SymGreater: return cmp > 0;
    case SymLess: return cmp < 0;
    case SymGreaterEqual: return cmp >= 0;
    default: return cmp <= 0;
  }
}

bool Evaluation::integer_operation(uint32_t op) {
  if (sp_ < 2) return false;
  int64_t x, y;
  ExprToken& a = stack_[sp_ - 2];
  if (!quick_int(a, x) || !quick_int(stack_[sp_ - 1], y) || !integer_binary(op, x, y, a)) return false;
  --sp_;
  return true;
}

Result Evaluation::apply(const ExprToken* tok, const ExprToken*& jump) {
  uint32_t op = tok->symbol;
  switch (op) {
    case SymCall: return apply_call(*tok->call);
    case SymIfThen:
      // The then branch is done: skip the else branch.
      jump = tok->link;
      return ResultDone;
    case SymIfElse: return ResultDone;
    case SymNegative:
    case SymHighNot:
    case SymLowNot:
    case SymBitNot:
    case SymAddress:
    case SymDeref:
    case SymPreIncr:
    case SymPreDecr:
    case SymPostIncr:
    case SymPostDecr: return apply_unary(op);
    case SymOr:
    case SymAnd: {
      // Reached only when not short-circuited; the left value was dropped
      // at its link, so the right one decides.
      ExprToken b = pop();
      bool truth = token_truth(b);
      release(b);
      push(int_token(truth ? 1 : 0));
      return ResultDone;
    }
    default: {
      ExprToken b = pop();
      ExprToken a = pop();
      return is_assignment(op) ? apply_assignment(op, a, b) : apply_binary(op, a, b);
    }
  }
}

Result Evaluation::apply_call(const CallRecord& call) {
  size_t argc = call.param_count;
  bool dynamic = call.func == nullptr && call.name_length == 0;
  size_t taken = argc + (dynamic ? 1 : 0);
  if (taken > sp_) return report_runtime_error(message(Msg::MissingOperand));
  ExprToken* args = &stack_[sp_ - argc];
  ExprToken result = empty_string();
  if (call.func && call.func->op == OperatorKind::MemberGetDynamicCount) {
    // x.y += v reads the member but leaves target and key for the set.
    if (sp_ >= kStackSize) return report_runtime_error(message(Msg::ExpressionTooLong));
    Result r = call_function(call, nullptr, args, argc, result);
    if (!r || r == ResultExitThread) {
      release(result);
      return r;
    }
    push(result);
    return ResultDone;
  }
  Result r = call_function(call, dynamic ? &stack_[sp_ - taken] : nullptr, args, argc, result);
  for (size_t i = sp_ - taken; i < sp_; ++i) release(stack_[i]);
  sp_ -= taken;
  if (!r || r == ResultExitThread) {
    release(result);
    return r;
  }
  push(result);
  return ResultDone;
}

Result Evaluation::apply_unary(uint32_t op) {
  ExprToken a = pop();
  ExprToken r = empty_string();
  switch (op) {
    case SymNegative: {
      NumType t = token_numeric_type(a);
      if (t == NumType::Integer) r = int_token(int64_t(0 - uint64_t(token_to_int(a))));
      else if (t == NumType::Float) r = double_token(-token_to_double(a));
      break;
    }
    case SymHighNot:
    case SymLowNot:
      r = int_token(token_truth(a) ? 0 : 1);
      break;
    case SymBitNot: {
      if (token_numeric_type(a) == NumType::NotNumeric) break;
      uint64_t v = uint64_t(token_to_int(a));
      r = int_token(v < (1ull << 32) ? int64_t(~v & 0xFFFFFFFFull) : int64_t(~v));
      break;
    }
    case SymAddress: {
      if (a.symbol == SymVar) {
        Variable& v = a.var->target();
        if (v.attributes & AttrObject) r = int_token(int64_t(reinterpret_cast<uintptr_t>(v.contents.object)));
        else {
          v.disable_caching();
          r = int_token(int64_t(reinterpret_cast<uintptr_t>(v.view().data())));
        }
      } else if (a.symbol == SymObject) {
        r = int_token(int64_t(reinterpret_cast<uintptr_t>(a.object)));
      } else if ((a.symbol == SymString || a.symbol == SymOperand) && a.length) {
        r = int_token(int64_t(reinterpret_cast<uintptr_t>(a.text)));
      }
      break;
    }
    case SymDeref: {
      if (token_numeric_type(a) == NumType::NotNumeric) break;
      uintptr_t addr = uintptr_t(token_to_int(a));
      bool readable = addr >= 4096 && platform::foreign_memory_allowed();
      r = int_token(readable ? *reinterpret_cast<const unsigned char*>(addr) : 0);
      break;
    }
    default:
      if (!step_variable(op, a, r)) return ResultFailed;
      break;
  }
  release(a);
  push(r);
  return ResultDone;
}

Result Evaluation::step_variable(uint32_t op, const ExprToken& a, ExprToken& out) {
  if (a.symbol != SymVar) return ResultDone;  // `out` stays the empty value
  Variable& v = a.var->target();
  NumType t = v.numeric_type();
  int delta = (op == SymPreIncr || op == SymPostIncr) ? 1 : -1;
  ExprToken old = empty_string();
  if (t == NumType::Integer) {
    int64_t x = v.to_int();
    old = int_token(x);
    if (!v.assign_int(int64_t(uint64_t(x) + uint64_t(delta)))) return ResultFailed;
  } else if (t == NumType::Float) {
    double x = v.to_double();
    old = double_token(x);
    if (!v.assign_double(x + delta)) return ResultFailed;
  } else {
    if (!v.assign_empty()) return ResultFailed;
  }
  out = (op == SymPostIncr || op == SymPostDecr) ? old : a;
  return ResultDone;
}

Result Evaluation::apply_assignment(uint32_t op, ExprToken a, ExprToken b) {
  if (a.symbol != SymVar) {
    // Not a variable: nothing to assign to.
    release(a);
    push(b);
    return ResultDone;
  }
  Variable& target = a.var->target();
  Result r = ResultDone;
  if (op == SymAssign) {
    r = store(target, b);
  } else if (op == SymConcatAssign) {
    char16_t buf[256];
    StringView more = token_to_text(b, buf);
    if (!target.append_in_place(more)) {
      ExprToken sum;
      r = binary_arith(SymConcat, a, b, sum) && store(target, sum) ? ResultDone : ResultFailed;
    }
  } else {
    static constexpr uint32_t kBinary[] = {SymAdd, SymSubtract, SymMultiply, SymDivide, SymFloorDivide,
                                           SymBitOr, SymBitXor, SymBitAnd, SymShiftLeft, SymShiftRight};
    ExprToken sum;
    r = binary_arith(kBinary[op - SymAddAssign], a, b, sum) && store(target, sum) ? ResultDone : ResultFailed;
  }
  release(b);
  if (!r) return ResultFailed;
  push(a);
  return ResultDone;
}

Result Evaluation::apply_binary(uint32_t op, ExprToken a, ExprToken b) {
  if (op == SymComma) {
    release(b);
    push(a);
    return ResultDone;
  }
  ExprToken r = empty_string();
  switch (op) {
    case SymEqual:
    case SymEqualCase:
    case SymNotEqual:
    case SymGreater:
    case SymLess:
    case SymGreaterEqual:
    case SymLessEqual:
      r = int_token(compare_values(op, a, b));
      break;
    default:
      if (!binary_arith(op, a, b, r)) {
        release(a);
        release(b);
        return ResultFailed;
      }
      break;
  }
  release(a);
  release(b);
  push(r);
  return ResultDone;
}

}  // namespace

#if ORV_TRACK_OBJECTS
void report_evaluation_references(ReferenceAudit& audit) {
  for (const Evaluation* e : running_evaluations()) e->report_references(audit);
}
#endif

Result evaluate(const ExprToken* code, ExprToken& result) {
  // "n < 2", "i + 1": one operator on two integers at hand is the commonest
  // condition and index of all, and needs no evaluation stack.
  if (code[0].symbol != SymEnd && code[1].symbol != SymEnd && code[2].symbol >= SymEqual &&
      code[2].symbol <= SymFloorDivide && code[3].symbol == SymEnd && !code[0].link && !code[1].link && !code[2].link) {
    int64_t x, y;
    if (quick_int(code[0], x) && quick_int(code[1], y) && integer_binary(code[2].symbol, x, y, result))
      return ResultDone;
  }
  Evaluation e(code);
  if (!e.ready()) return report_runtime_error(message(Msg::OutOfMemory));
  return e.run(result);
}

IObject* token_object(const ExprToken& token) {
  if (token.symbol == SymObject) return token.object;
  if (token.symbol == SymVar) {
    Variable& v = token.var->target();
    if (v.attributes & AttrObject) return v.contents.object;
  }
  return nullptr;
}

void release_token(ExprToken& token) {
  if (token.symbol == SymObject && token.object) token.object->release();
  token = empty_token();
}

}  // namespace orv
