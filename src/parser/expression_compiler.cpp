#include "parser/expression_compiler.h"

#include <cstring>

#include "base/messages.h"
#include "runtime/errors.h"
#include "runtime/func.h"
#include "runtime/scope.h"
#include "runtime/script_line.h"
#include "runtime/script_program.h"
#include "runtime/value.h"
#include "runtime/variable_list.h"

namespace orv {

namespace {

constexpr size_t kMaxInfixTokens = 512;
constexpr int kMaxCallParams = 0xFFFF;  // what a call record counts

// Precedence by symbol; odd values group to the right, even to the left.
constexpr int kPrecedence[] = {
    0, 0, 0, 0, 0, 0, 0, 0,              // operands 0-7
    0,                                   // 8 bottom
    82, 82, 86,                          // 9 post++, 10 post--, 11 member
    4, 4, 4, 4, 4, 4,                    // 12-17 brackets
    6,                                   // 18 comma
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,  // 19-30 assignments
    11, 11,                              // 31 :, 32 ?
    16, 20, 25,                          // 33 ||, 34 &&, 35 not
    30, 30, 30,                          // 36 =, 37 ==, 38 !=
    34, 34, 34, 34,                      // 39-42 comparisons
    38, 42, 46, 50, 54, 54,              // 43 concat, 44 |, 45 ^, 46 &, 47 <<, 48 >>
    58, 58, 62, 62, 62,                  // 49 +, 50 -, 51 *, 52 /, 53 //
    67, 67, 67, 67, 67,                  // 54-58 unary
    72,                                  // 59 **
    77, 77,                              // 60 pre++, 61 pre--
    86, 86,                              // 62 call, 63 new
    36,                                  // 64 ~=
    0,                                   // 65 end
};
static_assert(sizeof(kPrecedence) / sizeof(kPrecedence[0]) == SymEnd + 1);

bool is_unary_prefix(uint32_t s) {
  return s == SymNegative || s == SymHighNot || s == SymBitNot || s == SymAddress || s == SymDeref || s == SymLowNot ||
         s == SymPreIncr || s == SymPreDecr || s == SymNew;
}

bool is_word_char(char16_t c) { return is_var_name_char(c); }

// Characters that end a number literal.
bool ends_number(char16_t c) {
  return is_blank(c) || StringView(u"<>=/|^,:*&~!()[]{}+-?").find(c) != StringView::npos;
}

// What a call-like entry of the compiler's operator stack builds.
enum class Frame : uint8_t { Group, Call, Index, ArrayLiteral, ObjectLiteral, NewArgs };

struct Infix {
  uint32_t sym = SymEnd;
  ExprToken tok{};            // operands: the payload
  StringView word;            // calls, members, dynamic names: the name as written
  size_t pos = 0;             // offset in the source, for messages
  bool blank_before = false;
  bool new_args = false;      // "(" that opens the arguments of new
  bool variadic_star = false; // "*" directly before a closing bracket
};

struct Pending {
  uint32_t sym;
  Frame frame = Frame::Group;
  CallRecord* call = nullptr;
  int params = 0;               // parameters completed (plus fixed leading ones)
  int base = 0;                 // the fixed leading ones: target and name of a member call
  long dynamic_name_at = -1;    // %name%(...): output index of the name
  bool has_param = false;       // something was output since the last separator
  bool variadic = false;
  long link_from = -1;          // output index whose link points at this operator
  long question_at = -1;        // for ":" the output index of its "?"
  long member_target = -1;      // assignment or prefix op: output index of a member get it applies to
  size_t pos = 0;
};

class Compiler {
 public:
  Compiler(ScriptProgram& program, ExpressionSource src) : program_(program), src_(src) {}

  Result run(ExprToken** result) {
    if (!tokenize()) return ResultFailed;
    if (!convert()) return ResultFailed;
    return finish(result);
  }

 private:
  Result fail(StringView message) { return load_error(program_, message, src_.text); }

  bool escaped(size_t i) const { return src_.escaped && i < src_.escaped->size() && (*src_.escaped)[i]; }

  bool prev_is_operand() const {
    if (infix_.empty()) return false;
    uint32_t s = infix_.back().sym;
    return s < SymOpenParen && s != SymBegin;
  }

  Result push(Infix t) {
    if (infix_.size() >= kMaxInfixTokens) return fail(message(Msg::ExpressionTooLong));
    infix_.push_back(t);
    return ResultDone;
  }

  Result push_op(uint32_t sym, size_t pos) {
    Infix t;
    t.sym = sym;
    t.pos = pos;
    return push(t);
  }

  Result push_concat_if_operand(size_t pos) {
    if (prev_is_operand()) return push_op(SymConcat, pos);
    return ResultDone;
  }

  CallRecord* new_call(StringView name, const char16_t* position) {
    auto* c = program_.pool.make<CallRecord>();
    c->position = position;
    c->name_length = uint16_t(name.size());
    return c;
  }

  // --- tokenising -----------------------------------------------------------------

  Result tokenize() {
    StringView s = src_.text;
    size_t i = 0;
    bool concat_next = false;  // a literal asked for a concatenation before the next operator
    while (i < s.size()) {
      bool blank = false;
      while (i < s.size() && is_blank(s[i])) {
        ++i;
        blank = true;
      }
      if (i >= s.size()) break;
      char16_t c = s[i];
      char16_t n1 = i + 1 < s.size() ? s[i + 1] : 0;
      char16_t n2 = i + 2 < s.size() ? s[i + 2] : 0;
      size_t start = i;
      if (concat_next) {
        concat_next = false;
        if (!push_op(SymConcat, i)) return ResultFailed;
      }

      if (c == u'"' && !escaped(i)) {
        if (!string_literal(i)) return ResultFailed;
        // "a" -1 is "a" . -1: the operator after a literal is unary.
        size_t k = i;
        while (k < s.size() && is_blank(s[k])) ++k;
        if (k < s.size() && StringView(u"+-*&~!").find(s[k]) != StringView::npos) {
          char16_t after = k + 1 < s.size() ? s[k + 1] : 0;
          if (after != u'=' && !(s[k] == u'&' && after == u'&')) concat_next = true;
        }
        continue;
      }
      if ((c >= u'0' && c <= u'9') || (c == u'.' && n1 >= u'0' && n1 <= u'9' && !prev_is_operand())) {
        if (!number_literal(i, false)) return ResultFailed;
        continue;
      }
      if (is_word_char(c) || c == program_.syntax.deref) {
        if (!word(i, blank)) return ResultFailed;
        continue;
      }

      uint32_t sym = 0;
      size_t len = 1;
      bool operand_before = prev_is_operand();
      switch (c) {
        case u'!': sym = n1 == u'=' ? (len = 2, SymNotEqual) : SymHighNot; break;
        case u'&':
          if (n1 == u'&') sym = SymAnd, len = 2;
          else if (n1 == u'=') sym = SymAndAssign, len = 2;
          else sym = operand_before ? SymBitAnd : SymAddress;
          break;
        case u'*':
          if (n1 == u'=') sym = SymMultAssign, len = 2;
          else if (n1 == u'*') sym = SymPower, len = 2;
          else if (operand_before && next_nonblank_is_closer(i + 1)) {
            // f(args*): the last argument is expanded at run time.
            Infix t;
            t.sym = SymEnd;
            t.variadic_star = true;
            t.pos = i;
            if (!push(t)) return ResultFailed;
            ++i;
            continue;
          } else sym = operand_before ? SymMultiply : SymDeref;
          break;
        case u'+':
          if (n1 == u'=') sym = SymAddAssign, len = 2;
          else if (n1 == u'+') sym = operand_before ? SymPostIncr : SymPreIncr, len = 2;
          else if (operand_before) sym = SymAdd;
          else {
            ++i;  // a unary plus produces nothing
            continue;
          }
          break;
        case u'-':
          if (n1 == u'=') sym = SymSubAssign, len = 2;
          else if (n1 == u'-') sym = operand_before ? SymPostDecr : SymPreDecr, len = 2;
          else if (operand_before) sym = SymSubtract;
          else if ((n1 >= u'0' && n1 <= u'9') || (n1 == u'.' && n2 >= u'0' && n2 <= u'9')) {
            // A signed number is one operand unless ** follows it: -2**2 is -(2**2).
            size_t end = i + 1;
            while (end < s.size() && !(ends_number(s[end]) && !(s[end] == u'.'))) {
              if ((s[end] == u'e' || s[end] == u'E') && end + 1 < s.size() && (s[end + 1] == u'+' || s[end + 1] == u'-'))
                ++end;
              ++end;
            }
            size_t k = end;
            while (k < s.size() && is_blank(s[k])) ++k;
            if (k + 1 < s.size() && s[k] == u'*' && s[k + 1] == u'*') {
              sym = SymNegative;
            } else {
              if (!number_literal(i, true)) return ResultFailed;
              continue;
            }
          } else sym = SymNegative;
          break;
        case u',': sym = SymComma; break;
        case u'/':
          if (n1 == u'=') sym = SymDivAssign, len = 2;
          else if (n1 == u'/' && n2 == u'=') sym = SymFloorDivAssign, len = 3;
          else if (n1 == u'/') sym = SymFloorDivide, len = 2;
          else sym = SymDivide;
          break;
        case u':': sym = n1 == u'=' ? (len = 2, SymAssign) : SymIfElse; break;
        case u'<':
          if (n1 == u'<' && n2 == u'=') sym = SymShiftLeftAssign, len = 3;
          else if (n1 == u'<') sym = SymShiftLeft, len = 2;
          else if (n1 == u'=') sym = SymLessEqual, len = 2;
          else if (n1 == u'>') sym = SymNotEqual, len = 2;
          else sym = SymLess;
          break;
        case u'=': sym = n1 == u'=' ? (len = 2, SymEqualCase) : SymEqual; break;
        case u'>':
          if (n1 == u'=') sym = SymGreaterEqual, len = 2;
          else if (n1 == u'>' && n2 == u'=') sym = SymShiftRightAssign, len = 3;
          else if (n1 == u'>') sym = SymShiftRight, len = 2;
          else sym = SymGreater;
          break;
        case u'?': sym = SymIfThen; break;
        case u'^': sym = n1 == u'=' ? (len = 2, SymXorAssign) : SymBitXor; break;
        case u'|':
          if (n1 == u'|') sym = SymOr, len = 2;
          else if (n1 == u'=') sym = SymOrAssign, len = 2;
          else sym = SymBitOr;
          break;
        case u'~': sym = n1 == u'=' ? (len = 2, SymRegExMatch) : SymBitNot; break;
        case u'(':
          // After an operand and a blank (or a ")" or a quote), "(" begins a
          // concatenated group: x := a (b).
          if (operand_before) {
            char16_t before = start > 0 ? s[start - 1] : 0;
            if (blank || before == u')' || before == u'"') {
              if (!push_op(SymConcat, i)) return ResultFailed;
            }
          }
          {
            Infix t;
            t.sym = SymOpenParen;
            t.pos = i;
            t.blank_before = blank;
            if (new_pending_ && !blank) t.new_args = true;
            new_pending_ = false;
            if (!push(t)) return ResultFailed;
          }
          ++i;
          continue;
        case u')': sym = SymCloseParen; break;
        case u']': sym = SymCloseBracket; break;
        case u'}': sym = SymCloseBrace; break;
        case u'[': sym = SymOpenBracket; break;
        case u'{':
          if (operand_before) return fail(message(Msg::UnexpectedOpenBrace));
          sym = SymOpenBrace;
          break;
        case u'.':
          if (n1 == u'=') {
            sym = SymConcatAssign;
            len = 2;
            break;
          }
          if (is_blank(n1) || n1 == 0) {
            if (!blank) return fail(message(Msg::AmbiguousDot));
            sym = SymConcat;
            break;
          }
          if (operand_before && !blank && (is_word_char(n1) || n1 == u'(')) {
            // x.name, or x.(args): calling the value itself.
            size_t k = i + 1;
            while (k < s.size() && is_word_char(s[k])) ++k;
            Infix t;
            t.sym = SymMember;
            t.word = s.substr(i + 1, k - i - 1);
            t.pos = i;
            if (!push(t)) return ResultFailed;
            i = k;
            continue;
          }
          // Only a name or "(" may follow a member dot; anything else, as in
          // "a"."b", is a misplaced concatenation rather than a bad character.
          if (!operand_before || blank || n1 != u'(') return fail(message(Msg::AmbiguousDot));
          return fail(message(Msg::CharNotAllowed));
        case u'\'':
        case u'\\':
        case u';':
        case u'`':
          return fail(message(Msg::IllegalCharInExpression));
        default:
          return fail(message(Msg::CharNotAllowed));
      }
      if (new_pending_ && sym != SymMember) new_pending_ = false;
      if (!push_op(sym, i)) return ResultFailed;
      i += len;
    }
    return ResultDone;
  }

  bool next_nonblank_is_closer(size_t k) const {
    StringView s = src_.text;
    while (k < s.size() && is_blank(s[k])) ++k;
    return k < s.size() && (s[k] == u')' || s[k] == u']');
  }

  Result string_literal(size_t& i) {
    StringView s = src_.text;
    String text;
    size_t k = i + 1;
    for (;;) {
      if (k >= s.size()) return fail(message(Msg::MissingCloseQuote));
      if (s[k] == u'"' && !escaped(k)) {
        if (k + 1 < s.size() && s[k + 1] == u'"' && !escaped(k + 1)) {
          text.push_back(u'"');
          k += 2;
          continue;
        }
        break;
      }
      text.push_back(s[k++]);
    }
    if (!push_concat_if_operand(i)) return ResultFailed;
    Infix t;
    t.sym = SymString;
    t.pos = i;
    StringView stored = program_.pool.copy(text);
    t.tok.text = stored.data();
    t.tok.length = uint32_t(stored.size());
    i = k + 1;
    return push(t);
  }

  Result number_literal(size_t& i, bool signed_minus) {
    StringView s = src_.text;
    size_t k = i + (signed_minus ? 1 : 0);
    bool hex = k + 1 < s.size() && s[k] == u'0' && (s[k + 1] == u'x' || s[k + 1] == u'X');
    while (k < s.size()) {
      char16_t c = s[k];
      if ((c == u'e' || c == u'E') && !hex && k + 1 < s.size() && (s[k + 1] == u'+' || s[k + 1] == u'-')) {
        k += 2;
        continue;
      }
      if (c != u'.' && ends_number(c)) break;
      ++k;
    }
    if (!push_concat_if_operand(i)) return ResultFailed;
    Infix t = operand_token(s.substr(i, k - i), i, k);
    i = k;
    return push(t);
  }

  Infix operand_token(StringView text, size_t pos, size_t) {
    Infix t;
    t.sym = SymOperand;
    t.pos = pos;
    StringView stored = program_.pool.copy(text);
    t.tok.text = stored.data();
    t.tok.length = uint32_t(stored.size());
    t.tok.preparsed = nullptr;
    return t;
  }

  Result word(size_t& i, bool blank) {
    StringView s = src_.text;
    const char16_t deref = program_.syntax.deref;
    size_t k = i;
    bool has_deref = false;
    while (k < s.size() && (is_word_char(s[k]) || s[k] == deref)) {
      if (s[k] == deref) has_deref = true;
      ++k;
    }
    StringView w = s.substr(i, k - i);
    bool colon_after = k < s.size() && s[k] == u':' && !(k + 1 < s.size() && s[k + 1] == u'=');
    bool paren_after = k < s.size() && s[k] == u'(';
    size_t start = i;
    i = k;

    if (!has_deref && !colon_after) {
      if (equals_ignore_case(w, u"and")) return push_op(SymAnd, start);
      if (equals_ignore_case(w, u"or")) return push_op(SymOr, start);
      if (equals_ignore_case(w, u"not")) return push_op(SymLowNot, start);
      if (equals_ignore_case(w, u"new")) {
        if (!push_concat_if_operand(start)) return ResultFailed;
        new_pending_ = true;
        return push_op(SymNew, start);
      }
    }
    if (!push_concat_if_operand(start)) return ResultFailed;

    if (has_deref) return dynamic_word(w, start, paren_after, i);

    if (paren_after && !new_pending_) {
      Infix t;
      t.sym = SymCall;
      t.word = w;
      t.pos = start;
      ++i;  // the "(" belongs to the call
      return push(t);
    }
    if (w.size() > kMaxNameLength) return fail(message(Msg::VarNameTooLong));
    Infix t;
    t.pos = start;
    t.word = w;
    int64_t constant;
    if (constant_builtin(w, constant)) {
      t.sym = SymInteger;
      t.tok.integer = constant;
    } else {
      Variable* v = find_or_add_variable(program_, w);
      if (!v) return ResultFailed;
      t.sym = SymVar;
      t.tok.var = v;
    }
    (void)blank;
    return push(t);
  }

  // A word with dereference characters: a name built at run time.
  Result dynamic_word(StringView w, size_t start, bool paren_after, size_t& i) {
    const char16_t deref = program_.syntax.deref;
    std::vector<DerefRecord> records;
    for (size_t a = 0; a < w.size(); ++a) {
      if (w[a] != deref) continue;
      size_t b = w.find(deref, a + 1);
      if (b == StringView::npos)
        return fail(message(Msg::DerefMissingPercent));
      if (b == a + 1) return fail(message(Msg::EmptyDeref));
      if (b - a - 1 > kMaxNameLength) return fail(message(Msg::VarNameTooLong));
      Variable* v = find_or_add_variable(program_, w.substr(a + 1, b - a - 1));
      if (!v) return ResultFailed;
      DerefRecord r;
      r.target.var = v;
      r.length = uint16_t(b - a + 1);
      r.marker = nullptr;  // set once the text is in the pool
      records.push_back(r);
      a = b;
    }
    if (records.size() > size_t(kMaxDerefsPerParam)) return fail(message(Msg::TooManyDerefs));
    StringView stored = program_.pool.copy(w);
    auto* list = static_cast<DerefRecord*>(program_.pool.allocate(sizeof(DerefRecord) * (records.size() + 1), alignof(DerefRecord)));
    size_t r = 0;
    for (size_t a = 0; a < stored.size(); ++a) {
      if (stored[a] != deref) continue;
      records[r].marker = stored.data() + a;
      a += records[r].length - 1;
      list[r] = records[r];
      ++r;
    }
    new (&list[r]) DerefRecord();
    Infix t;
    t.sym = SymDynamic;
    t.pos = start;
    t.word = stored;
    t.tok.text = stored.data();
    t.tok.length = uint32_t(stored.size());
    t.tok.derefs = list;
    if (paren_after && !new_pending_) {
      // %name%(...): a call whose function is found at run time.
      t.word = StringView();
      if (!push(t)) return ResultFailed;
      Infix call;
      call.sym = SymCall;
      call.pos = start;
      ++i;
      return push(call);
    }
    return push(t);
  }

  // --- conversion to postfix ------------------------------------------------------------

  void output(const ExprToken& tok) {
    out_.push_back(tok);
    links_.push_back(-1);
  }

  void output_symbol(uint32_t sym) {
    ExprToken t{};
    t.symbol = sym;
    output(t);
  }

  void output_call(CallRecord* call, int params) {
    call->param_count = uint16_t(params);
    ExprToken t{};
    t.symbol = SymCall;
    t.call = call;
    output(t);
  }

  CallRecord* operator_call(OperatorKind kind, size_t pos) {
    CallRecord* c = new_call(StringView(), src_.text.data() + pos);
    c->func = &operator_func(kind);
    return c;
  }

  CallRecord* named_call(StringView name, size_t pos) {
    // The name is kept in the pool: the expression text may not outlive loading.
    StringView stored = program_.pool.copy(name);
    CallRecord* c = new_call(stored, stored.data());
    if (!name.empty())
      program_.pending_calls.push_back({c, program_.current_line_number, program_.current_file_index,
                                        program_.pool.copy(src_.text), false});
    return c;
  }

  bool is_member_get_call(long index) const {
    if (index < 0 || size_t(index) >= out_.size()) return false;
    const ExprToken& t = out_[size_t(index)];
    return t.symbol == SymCall && t.call->func &&
           (t.call->func->op == OperatorKind::MemberGet || t.call->func->op == OperatorKind::MemberCall);
  }

  void mark_param() {
    for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
      if (it->sym == SymOpenParen || it->sym == SymOpenBracket || it->sym == SymOpenBrace) {
        it->has_param = true;
        return;
      }
    }
  }

  // Pops one operator from the stack to the output, lowering what must be lowered.
  Result pop_operator() {
    Pending p = stack_.back();
    stack_.pop_back();
    uint32_t s = p.sym;
    if (s == SymNew) {
      output_call(operator_call(OperatorKind::New, p.pos), 1);
      return ResultDone;
    }
    if (s == SymRegExMatch) {
      output_call(named_call(u"RegExMatch", p.pos), 2);
      return ResultDone;
    }
    if ((s == SymPostIncr || s == SymPostDecr) && is_member_get_call(long(out_.size()) - 1)) {
      out_.back().call->func = &operator_func(s == SymPostIncr ? OperatorKind::PostIncrement : OperatorKind::PostDecrement);
      return ResultDone;
    }
    if ((s == SymPreIncr || s == SymPreDecr) && !out_.empty() && out_.back().symbol == SymDynamic)
      out_.back().length |= kDynamicWritten;
    if ((s == SymPreIncr || s == SymPreDecr) && is_member_get_call(long(out_.size()) - 1)) {
      out_.back().call->func = &operator_func(s == SymPreIncr ? OperatorKind::PreIncrement : OperatorKind::PreDecrement);
      return ResultDone;
    }
    if (is_assignment(s) && p.member_target >= 0) {
      ExprToken& get = out_[size_t(p.member_target)];
      int count = get.call->param_count;
      if (s == SymAssign) {
        // x.y := v: the get becomes a set with the value as its last parameter.
        out_.erase(out_.begin() + p.member_target);
        links_.erase(links_.begin() + p.member_target);
        for (long& l : links_)
          if (l > p.member_target) --l;
        for (Pending& q : stack_) {
          if (q.link_from > p.member_target) --q.link_from;
          if (q.question_at > p.member_target) --q.question_at;
          if (q.member_target > p.member_target) --q.member_target;
        }
        output_call(operator_call(OperatorKind::MemberSet, p.pos), count + 1);
      } else {
        // x.y += v: keep target and key, read the member without consuming
        // them, apply the operator, then set.
        get.call->func = &operator_func(OperatorKind::MemberGetDynamicCount);
        static constexpr uint32_t kBinary[] = {SymAdd, SymSubtract, SymMultiply, SymDivide, SymFloorDivide,
                                               SymBitOr, SymBitXor, SymBitAnd, SymShiftLeft, SymShiftRight, SymConcat};
        output_symbol(kBinary[s - SymAddAssign]);
        output_call(operator_call(OperatorKind::MemberSet, p.pos), count + 1);
      }
      return ResultDone;
    }
    ExprToken t{};
    t.symbol = s;
    output(t);
    if (p.link_from >= 0) links_[size_t(p.link_from)] = long(out_.size()) - 1;
    if (s == SymIfElse && p.question_at >= 0) links_[size_t(p.question_at)] = long(out_.size()) - 1;
    return ResultDone;
  }

  // An assignment right after another (a.y := := 1) finds the same member
  // get last in the output: only the first may rewrite it, since the
  // rewrite removes it.
  bool member_get_taken(long index) const {
    for (const Pending& q : stack_)
      if (q.member_target == index) return true;
    return false;
  }

  bool should_pop(uint32_t incoming) const {
    const Pending& top = stack_.back();
    uint32_t t = top.sym;
    if (t == SymBegin || t == SymOpenParen || t == SymOpenBracket || t == SymOpenBrace) return false;
    if (is_assignment(incoming)) return t == SymDeref;
    if (t == SymPower && (is_unary_prefix(incoming))) return false;
    int in = kPrecedence[incoming];
    int need = in + (in % 2);
    return kPrecedence[t] >= need;
  }

  Result close_to_opener(uint32_t closer, size_t pos, Pending*& opener) {
    while (!stack_.empty()) {
      uint32_t t = stack_.back().sym;
      if (t == SymOpenParen || t == SymOpenBracket || t == SymOpenBrace || t == SymBegin) break;
      if (t == SymIfThen) {
        // An unfinished ternary inside brackets.
        if (!pop_operator()) return ResultFailed;
        continue;
      }
      if (!pop_operator()) return ResultFailed;
    }
    Pending& top = stack_.back();
    uint32_t want = closer == SymCloseParen ? SymOpenParen : closer == SymCloseBracket ? SymOpenBracket : SymOpenBrace;
    if (top.sym != want) {
      return fail(message(closer == SymCloseParen     ? Msg::UnexpectedCloseParen
                          : closer == SymCloseBracket ? Msg::UnexpectedCloseBracket
                                                      : Msg::UnexpectedCloseBrace));
    }
    (void)pos;
    opener = &top;
    return ResultDone;
  }

  Result convert() {
    Pending bottom{SymBegin};
    stack_.push_back(bottom);
    for (size_t k = 0; k < infix_.size(); ++k) {
      Infix& t = infix_[k];
      uint32_t s = t.sym;
      if (s == SymBegin) continue;  // consumed by the token before it

      if (t.variadic_star) {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
          if (it->sym == SymOpenParen || it->sym == SymOpenBracket) {
            it->variadic = true;
            break;
          }
        }
        continue;
      }

      if (is_operand(s)) {
        ExprToken tok = t.tok;
        tok.symbol = s;
        if (s == SymOperand) attach_integer(tok);
        output(tok);
        mark_param();
        continue;
      }

      switch (s) {
        case SymCall: {
          Pending p{SymOpenParen};
          p.frame = Frame::Call;
          p.pos = t.pos;
          // Only a call whose name is built at run time has no word; every
          // such call needs its own link, so the test is per token.
          if (t.word.empty()) {
            p.call = new_call(StringView(), src_.text.data() + t.pos);
            p.dynamic_name_at = long(out_.size()) - 1;
          } else {
            p.call = named_call(t.word, t.pos);
          }
          mark_param();
          stack_.push_back(p);
          continue;
        }
        case SymMember: {
          // An operand, so that x.1 names the integer key 1 as x[1] does.
          ExprToken name{};
          name.symbol = SymOperand;
          StringView stored = program_.pool.copy(t.word);
          name.text = stored.data();
          name.length = uint32_t(stored.size());
          output(name);
          bool call_next = k + 1 < infix_.size() && infix_[k + 1].sym == SymOpenParen && !infix_[k + 1].blank_before &&
                           !infix_[k + 1].new_args;
          bool index_next = k + 2 < infix_.size() && infix_[k + 1].sym == SymOpenBracket && !infix_[k + 1].blank_before &&
                            infix_[k + 2].sym != SymCloseBracket;
          if (call_next || index_next) {
            Pending p{call_next ? SymOpenParen : SymOpenBracket};
            p.frame = call_next ? Frame::Call : Frame::Index;
            p.call = operator_call(call_next ? OperatorKind::MemberCall : OperatorKind::MemberGet, t.pos);
            p.params = p.base = 2;
            p.pos = t.pos;
            stack_.push_back(p);
            ++k;
          } else {
            // Member access binds tightest and groups left, so it applies at
            // once to the operand just completed.
            output_call(operator_call(OperatorKind::MemberGet, t.pos), 2);
          }
          continue;
        }
        case SymOpenParen: {
          if (t.new_args) {
            // new Class(args): the class expression is the first parameter.
            if (stack_.back().sym == SymNew) stack_.pop_back();
            Pending p{SymOpenParen};
            p.frame = Frame::NewArgs;
            p.call = operator_call(OperatorKind::New, t.pos);
            p.params = p.base = 1;
            p.pos = t.pos;
            stack_.push_back(p);
            continue;
          }
          Pending p{SymOpenParen};
          p.pos = t.pos;
          mark_param();
          stack_.push_back(p);
          continue;
        }
        case SymOpenBracket: {
          Pending p{SymOpenBracket};
          p.pos = t.pos;
          bool after_operand = k > 0 && infix_[k - 1].sym < SymOpenParen && infix_[k - 1].sym != SymBegin && !t.blank_before;
          if (after_operand) {
            p.frame = Frame::Index;
            p.call = operator_call(OperatorKind::MemberGet, t.pos);
            p.params = p.base = 1;
          } else {
            p.frame = Frame::ArrayLiteral;
            p.call = named_call(u"Array", t.pos);
            mark_param();
          }
          stack_.push_back(p);
          continue;
        }
        case SymOpenBrace: {
          Pending p{SymOpenBrace};
          p.frame = Frame::ObjectLiteral;
          p.call = named_call(u"Object", t.pos);
          p.pos = t.pos;
          mark_param();
          stack_.push_back(p);
          if (!check_object_key(k)) return ResultFailed;
          continue;
        }
        case SymComma: {
          Pending* frame = innermost_opener();
          if (frame && frame->frame != Frame::Group) {
            if (!separator(frame_index(), t.pos)) return ResultFailed;
            Pending& f = frame_of(frame_index());
            if (f.frame == Frame::ObjectLiteral) {
              if (f.params % 2 != 0) return fail(message(Msg::MissingObjectKey));
              if (!check_object_key(k)) return ResultFailed;
            }
            continue;
          }
          // The comma operator; "a = 1" right after it is an assignment.
          for (size_t a = k + 1; a + 1 < infix_.size() && infix_[a].sym == SymVar && infix_[a + 1].sym == SymEqual; a += 2)
            infix_[a + 1].sym = SymAssign;
          break;
        }
        case SymCloseParen:
        case SymCloseBracket:
        case SymCloseBrace: {
          Pending* opener;
          if (!close_to_opener(s, t.pos, opener)) return ResultFailed;
          if (!close_frame(k)) return ResultFailed;
          continue;
        }
        case SymIfElse: {
          Pending* frame = innermost_opener();
          bool ternary_open = false;
          for (size_t a = frame_index() + 1; a < stack_.size(); ++a) ternary_open |= stack_[a].sym == SymIfThen;
          if (frame && frame->frame == Frame::ObjectLiteral && !ternary_open) {
            // key: value
            if (!separator(frame_index(), t.pos)) return ResultFailed;
            continue;
          }
          for (;;) {
            uint32_t top = stack_.back().sym;
            if (top == SymIfThen) break;
            if (top == SymBegin) return fail(message(Msg::ColonWithoutQuestion));
            if (top == SymOpenParen) return fail(message(Msg::MissingCloseParenBeforeColon));
            if (top == SymOpenBracket) return fail(message(Msg::MissingCloseBracketBeforeColon));
            if (top == SymOpenBrace) return fail(message(Msg::MissingCloseBraceBeforeColon));
            if (!pop_operator()) return ResultFailed;
          }
          Pending q = stack_.back();
          stack_.pop_back();
          ExprToken then{};
          then.symbol = SymIfThen;
          output(then);
          long question = long(out_.size()) - 1;
          if (q.link_from >= 0) links_[size_t(q.link_from)] = question;
          Pending colon{SymIfElse};
          colon.question_at = question;
          colon.pos = t.pos;
          stack_.push_back(colon);
          continue;
        }
        default:
          break;
      }

      // Ordinary operators.
      while (should_pop(s)) {
        if (!pop_operator()) return ResultFailed;
      }
      Pending p{s};
      p.pos = t.pos;
      if (s == SymOr || s == SymAnd || s == SymIfThen) p.link_from = long(out_.size()) - 1;
      if (is_assignment(s) && is_member_get_call(long(out_.size()) - 1) && !member_get_taken(long(out_.size()) - 1))
        p.member_target = long(out_.size()) - 1;
      if (s == SymAssign && !out_.empty() && out_.back().symbol == SymVar) out_.back().length |= kAssignTarget;
      if ((is_assignment(s) || s == SymPostIncr || s == SymPostDecr) && !out_.empty() &&
          out_.back().symbol == SymDynamic)
        out_.back().length |= kDynamicWritten;
      if (s == SymPostIncr || s == SymPostDecr) {
        // A postfix operator applies at once to what precedes it.
        stack_.push_back(p);
        if (!pop_operator()) return ResultFailed;
        continue;
      }
      stack_.push_back(p);
    }
    while (stack_.back().sym != SymBegin) {
      uint32_t t = stack_.back().sym;
      if (t == SymOpenParen) return fail(message(Msg::MissingCloseParen));
      if (t == SymOpenBracket) return fail(message(Msg::MissingCloseBracket));
      if (t == SymOpenBrace) return fail(message(Msg::MissingCloseBrace));
      if (!pop_operator()) return ResultFailed;
    }
    return ResultDone;
  }

  size_t frame_index() const {
    for (size_t a = stack_.size(); a-- > 0;) {
      uint32_t s = stack_[a].sym;
      if (s == SymOpenParen || s == SymOpenBracket || s == SymOpenBrace) return a;
    }
    return 0;
  }
  Pending& frame_of(size_t index) { return stack_[index]; }
  Pending* innermost_opener() {
    size_t a = frame_index();
    return a == 0 ? nullptr : &stack_[a];
  }

  // Ends one parameter of a call, index or literal.
  Result separator(size_t index, size_t pos) {
    while (stack_.size() - 1 > index) {
      if (!pop_operator()) return ResultFailed;
    }
    Pending& f = stack_[index];
    if (!f.has_param) {
      if (f.frame == Frame::ObjectLiteral) return fail(message(Msg::MissingObjectKey));
      ExprToken missing{};
      missing.symbol = SymMissing;
      output(missing);
      // Whether a required parameter was left out is known only once the
      // call is bound to its function.
      if (f.call && !f.call->first_omitted) f.call->first_omitted = uint16_t(f.params + 1);
    }
    ++f.params;
    f.has_param = false;
    (void)pos;
    return ResultDone;
  }

  Result close_frame(size_t k) {
    Pending f = stack_.back();
    stack_.pop_back();
    if (f.frame == Frame::Group) {
      mark_param();
      return ResultDone;
    }
    if (f.has_param) {
      ++f.params;
    } else if (f.params > f.base) {
      return fail(message(Msg::BlankParam));
    }
    if (f.frame == Frame::ObjectLiteral && f.params % 2 != 0) return fail(message(Msg::MissingObjectKey));
    if (f.variadic) f.call->kind = CallVariadic;
    // x[k](args) and x.y[k](args): the get becomes a method call.
    bool call_follows = k + 1 < infix_.size() && infix_[k + 1].sym == SymOpenParen && !infix_[k + 1].blank_before &&
                        f.frame == Frame::Index;
    if (call_follows) {
      if (f.params > 2) return fail(message(Msg::UnsupportedMethodCall));
      Pending p{SymOpenParen};
      p.frame = Frame::Call;
      p.call = operator_call(OperatorKind::MemberCall, f.pos);
      p.params = p.base = f.params;
      if (p.params == 1) {
        // x[](...) has no key; the method name is empty.
        ExprToken empty{};
        empty.symbol = SymString;
        empty.text = u"";
        output(empty);
        p.params = p.base = 2;
      }
      stack_.push_back(p);
      infix_[k + 1].sym = SymBegin;  // consumed
      return ResultDone;
    }
    if (f.params > kMaxCallParams) return fail(message(Msg::TooManyParamsPassed));
    output_call(f.call, f.params);
    // The evaluator recognises a run-time function name by its link to the call.
    if (f.dynamic_name_at >= 0) links_[size_t(f.dynamic_name_at)] = long(out_.size()) - 1;
    mark_param();
    return ResultDone;
  }

  // In an object literal an unquoted key may hold only letters, digits, "_",
  // characters from 128 up and a ".".
  Result check_object_key(size_t k) {
    StringView s = src_.text;
    size_t from = infix_[k].pos + 1;
    size_t a = from;
    while (a < s.size() && is_blank(s[a])) ++a;
    if (a >= s.size() || s[a] == u'"' || s[a] == u'}') return ResultDone;
    size_t colon = a;
    while (colon < s.size() && s[colon] != u':' && s[colon] != u',' && s[colon] != u'}') ++colon;
    if (colon >= s.size() || s[colon] != u':' || (colon + 1 < s.size() && s[colon + 1] == u'=')) return ResultDone;
    StringView key = trim_right(s.substr(a, colon - a));
    if (!key.empty() && key[0] == program_.syntax.deref) return ResultDone;
    for (char16_t c : key) {
      bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
                c >= 128 || c == u'.';
      if (!ok) return fail(message(Msg::KeyNeedsQuotes));
    }
    // The key is a literal name, not a variable: turn the word into a string.
    size_t end = a + key.size();
    for (size_t j = k + 1; j < infix_.size() && infix_[j].pos < end; ++j) {
      Infix& w = infix_[j];
      if (w.pos == a && (w.sym == SymVar || w.sym == SymDynamic || w.sym == SymInteger)) {
        w.sym = SymString;
        StringView stored = program_.pool.copy(key);
        w.tok = ExprToken{};
        w.tok.text = stored.data();
        w.tok.length = uint32_t(stored.size());
      }
    }
    return ResultDone;
  }

  void attach_integer(ExprToken& tok) {
    StringView s = tok.view();
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) neg = s[i++] == u'-';
    if (i >= s.size()) return;
    uint64_t v = 0;
    if (s.size() - i > 2 && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
      for (size_t j = i + 2; j < s.size(); ++j) {
        char16_t c = s[j];
        int d = (c >= u'0' && c <= u'9') ? c - u'0' : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : (c >= u'A' && c <= u'F') ? c - u'A' + 10 : -1;
        if (d < 0) return;
        v = v * 16 + uint64_t(d);
      }
    } else {
      for (size_t j = i; j < s.size(); ++j) {
        if (s[j] < u'0' || s[j] > u'9') return;
        v = v * 10 + uint64_t(s[j] - u'0');
      }
    }
    auto* p = static_cast<int64_t*>(program_.pool.allocate(sizeof(int64_t), alignof(int64_t)));
    *p = neg ? int64_t(0 - v) : int64_t(v);
    tok.preparsed = p;
  }

  // Every operator must find its operands: a postfix array that would
  // underflow the evaluator's stack, or leave more than one value, is refused
  // here rather than trusted at run time.
  Result check_depth() {
    long depth = 0;
    for (size_t a = 0; a < out_.size(); ++a) {
      const ExprToken& t = out_[a];
      uint32_t s = t.symbol;
      long need, delta;
      if (is_operand(s)) {
        need = 0, delta = 1;
      } else if (s == SymCall) {
        bool dynamic = t.call->func == nullptr && t.call->name_length == 0;
        need = t.call->param_count + (dynamic ? 1 : 0);
        // Reading a member for a compound assignment leaves target and key in place.
        bool peeks = t.call->func && t.call->func->op == OperatorKind::MemberGetDynamicCount;
        delta = peeks ? 1 : 1 - need;
      } else if (is_unary_prefix(s) || s == SymPostIncr || s == SymPostDecr) {
        need = 1, delta = 0;
      } else {
        need = 2, delta = -1;
      }
      if (depth < need) return fail(message(Msg::MissingOperand));
      depth += delta;
    }
    if (depth > 1) return fail(message(Msg::MissingOperator));
    return ResultDone;
  }

  // Walks the postfix array as the evaluator would, keeping where each value
  // starts, to find calls named DllCall whose first parameter is one quoted
  // literal. The array has passed check_depth, so the stack never underflows.
  void note_literal_dll_targets(ExprToken* arr, size_t n) {
    std::vector<size_t> starts;
    for (size_t a = 0; a < n; ++a) {
      uint32_t s = arr[a].symbol;
      if (is_operand(s)) {
        starts.push_back(a);
      } else if (s == SymCall) {
        const CallRecord* c = arr[a].call;
        bool dynamic = c->func == nullptr && c->name_length == 0;
        size_t need = size_t(c->param_count) + (dynamic ? 1 : 0);
        if (c->func && c->func->op == OperatorKind::MemberGetDynamicCount) {
          starts.push_back(a);
          continue;
        }
        size_t first = need ? starts[starts.size() - need] : a;
        if (!dynamic && need && c->name_length && equals_ignore_case(StringView(c->position, c->name_length), u"DllCall")) {
          size_t end = need > 1 ? starts[starts.size() - need + 1] : a;
          if (end == first + 1 && arr[first].symbol == SymString)
            program_.literal_dll_targets.push_back({arr + first, arr[a].call});
        }
        starts.resize(starts.size() - need);
        starts.push_back(first);
      } else if (is_unary_prefix(s) || s == SymPostIncr || s == SymPostDecr) {
        // the operand's start stays
      } else {
        starts.pop_back();
      }
    }
  }

  Result finish(ExprToken** result) {
    if (!check_depth()) return ResultFailed;
    size_t n = out_.size();
    auto* arr = static_cast<ExprToken*>(program_.pool.allocate(sizeof(ExprToken) * (n + 1), alignof(ExprToken)));
    for (size_t a = 0; a < n; ++a) {
      arr[a] = out_[a];
      arr[a].link = links_[a] >= 0 ? arr + links_[a] : nullptr;
    }
    arr[n] = ExprToken{};
    arr[n].symbol = SymEnd;
    note_literal_dll_targets(arr, n);
    *result = arr;
    return ResultDone;
  }

  ScriptProgram& program_;
  ExpressionSource src_;
  std::vector<Infix> infix_;
  std::vector<Pending> stack_;
  std::vector<ExprToken> out_;
  std::vector<long> links_;
  bool new_pending_ = false;
};

}  // namespace

int symbol_precedence(uint32_t symbol) { return symbol <= SymEnd ? kPrecedence[symbol] : 0; }

Result compile_expression(ScriptProgram& program, ExpressionSource source, ExprToken** postfix) {
  Compiler c(program, source);
  return c.run(postfix);
}

}  // namespace orv
