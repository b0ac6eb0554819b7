// ExprToken: one entry of a compiled (postfix) expression, and also one value
// on the evaluator's stack. Codes 0 to 7 are operands, 9 to 65 operators;
// the compiler's precedence table and the evaluator's dispatch both key on
// these codes.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "runtime/object.h"

namespace orv {

class IObject;
struct Variable;
struct Func;
struct DerefRecord;

enum Symbol : uint32_t {
  SymString = 0,    // a quoted literal or a result derived from one: never numeric
  SymInteger = 1,
  SymFloat = 2,
  SymMissing = 3,   // an omitted parameter
  SymVar = 4,
  SymOperand = 5,   // text whose type is decided on use
  SymObject = 6,
  SymDynamic = 7,   // a name built at run time
  SymBegin = 8,     // bottom of the compiler's operator stack
  SymPostIncr = 9, SymPostDecr = 10, SymMember = 11,
  SymCloseParen = 12, SymCloseBracket = 13, SymCloseBrace = 14,
  SymOpenParen = 15, SymOpenBracket = 16, SymOpenBrace = 17,
  SymComma = 18,
  SymAssign = 19, SymAddAssign = 20, SymSubAssign = 21, SymMultAssign = 22, SymDivAssign = 23,
  SymFloorDivAssign = 24, SymOrAssign = 25, SymXorAssign = 26, SymAndAssign = 27,
  SymShiftLeftAssign = 28, SymShiftRightAssign = 29, SymConcatAssign = 30,
  SymIfElse = 31, SymIfThen = 32,
  SymOr = 33, SymAnd = 34, SymLowNot = 35,
  SymEqual = 36, SymEqualCase = 37, SymNotEqual = 38,
  SymGreater = 39, SymLess = 40, SymGreaterEqual = 41, SymLessEqual = 42,
  SymConcat = 43, SymBitOr = 44, SymBitXor = 45, SymBitAnd = 46, SymShiftLeft = 47, SymShiftRight = 48,
  SymAdd = 49, SymSubtract = 50, SymMultiply = 51, SymDivide = 52, SymFloorDivide = 53,
  SymNegative = 54, SymHighNot = 55, SymBitNot = 56, SymAddress = 57, SymDeref = 58, SymPower = 59,
  SymPreIncr = 60, SymPreDecr = 61, SymCall = 62, SymNew = 63, SymRegExMatch = 64,
  SymEnd = 65,
};

inline bool is_operand(uint32_t symbol) { return symbol <= SymDynamic; }
inline bool is_assignment(uint32_t symbol) { return symbol >= SymAssign && symbol <= SymConcatAssign; }

// A call inside an expression. Object syntax lowers to calls of the
// operator functions, which are never freed, so `func` is always valid.
struct CallRecord {
  const char16_t* position = nullptr;  // where the call is written (for messages)
  Func* func = nullptr;                // null: the function is known only at run time
  uint8_t kind = 1;                    // 1 ordinary, 2 with a variadic last argument
  uint16_t param_count = 0;            // Format and friends take thousands
  uint16_t first_omitted = 0;          // position (from 1) of the first omitted argument; 0 none
  uint16_t name_length = 0;
};

enum CallKind : uint8_t { CallOrdinary = 1, CallVariadic = 2 };

// Set in `length` of a SymVar token that is the target of ":=".
inline constexpr uint32_t kAssignTarget = 1;
// Set in `length` of a SymDynamic token whose variable the expression
// assigns or steps: inside a function such a name is created local, while
// a name only read finds an existing global when there is no local.
inline constexpr uint32_t kDynamicWritten = 0x80000000u;

struct ExprToken {
  union {
    const char16_t* text;  // SymString, SymOperand, SymDynamic
    int64_t integer;
    double number;
    Variable* var;
    IObject* object;
    CallRecord* call;
  };
  union {
    const int64_t* preparsed;  // SymOperand: the literal's value when it is a plain integer
    DerefRecord* derefs;       // SymDynamic: the embedded references
  };
  uint32_t symbol;
  uint32_t length;    // text length in characters, for SymString and SymOperand; flags for SymVar
  ExprToken* link;    // short-circuit target for || && ?, and ? to its :

  StringView view() const { return StringView(text, length); }
};

static_assert(sizeof(ExprToken) == 32, "tokens are copied by value on the evaluator's stack");

// Token builders. A text token borrows its text; an object token carries
// whatever reference the caller gives it: none from a plain pointer, the
// Ref's from a Ref.
inline ExprToken int_token(int64_t value) {
  ExprToken t{};
  t.symbol = SymInteger;
  t.integer = value;
  return t;
}

inline ExprToken double_token(double value) {
  ExprToken t{};
  t.symbol = SymFloat;
  t.number = value;
  return t;
}

inline ExprToken object_token(IObject* object) {
  ExprToken t{};
  t.symbol = SymObject;
  t.object = object;
  return t;
}
// The token carries `object`'s reference away.
inline ExprToken object_token(ObjectRef object) { return object_token(object.detach()); }

inline ExprToken var_token(Variable* var) {
  ExprToken t{};
  t.symbol = SymVar;
  t.var = var;
  return t;
}

inline ExprToken text_token(StringView text, uint32_t symbol = SymString) {
  ExprToken t{};
  t.symbol = symbol;
  t.text = text.data() ? text.data() : u"";
  t.length = uint32_t(text.size());
  return t;
}

// The empty text, as a value.
inline ExprToken empty_token() {
  ExprToken t{};
  t.symbol = SymString;
  t.text = u"";
  return t;
}

// A value that owns what it carries: a result that has left the evaluator
// or an invoke and that its holder has to let go of. An object's reference
// is released when the OwnedToken goes or is filled anew; text stays where
// it lives (normally the temporary memory, given back by the caller's
// TempArena::Scope, which is why the scope is declared first). It holds the
// empty text until filled.
class OwnedToken : private object_tracking::Holder {
 public:
  OwnedToken() noexcept : Holder(&read), token_(text_token(StringView())) {}
  // Takes over the reference an object token carries.
  static OwnedToken adopt(const ExprToken& owned) noexcept {
    OwnedToken t;
    t.token_ = owned;
    return t;
  }
  // An object token holding `object`'s reference.
  static OwnedToken holding(ObjectRef object) noexcept { return adopt(object_token(std::move(object))); }
  OwnedToken(OwnedToken&& other) noexcept : Holder(&read), token_(other.token_) {
    other.token_ = text_token(StringView());
  }
  OwnedToken& operator=(OwnedToken&& other) noexcept {
    if (this != &other) {
      let_go();
      token_ = other.token_;
      other.token_ = text_token(StringView());
    }
    return *this;
  }
  OwnedToken(const OwnedToken&) = delete;
  OwnedToken& operator=(const OwnedToken&) = delete;
  ~OwnedToken() { let_go(); }

  // For a callee to fill (evaluate, invoke): what was held goes first, and
  // the token starts as the empty text, as invoke expects its result.
  ExprToken& out() noexcept {
    let_go();
    make_empty_text();
    return token_;
  }
  // Lets go of what was held and takes over `owned`, with the reference an
  // object token carries.
  void take(const ExprToken& owned) noexcept {
    let_go();
    token_ = owned;
  }
  const ExprToken& get() const noexcept { return token_; }
  const ExprToken& operator*() const noexcept { return token_; }
  const ExprToken* operator->() const noexcept { return &token_; }
  bool is_object() const noexcept { return token_.symbol == SymObject; }

  // Hands the value, and an object's reference with it, to the caller.
  [[nodiscard]] ExprToken detach() noexcept {
    ExprToken t = token_;
    make_empty_text();
    return t;
  }
  // Lets go now, and holds the empty text.
  void reset() noexcept {
    let_go();
    make_empty_text();
  }

 private:
  // Field by field: the fields past these mean nothing to a text token.
  void make_empty_text() noexcept {
    token_.symbol = SymString;
    token_.text = u"";
    token_.length = 0;
  }
  // Releases an object held. The token stops being an object first: the
  // release may run a __Delete that looks at this very holder.
  void let_go() noexcept {
    if (token_.symbol != SymObject) return;
    IObject* object = token_.object;
    make_empty_text();
    if (object) object->release();
  }

  static IObject* read(const Holder& holder) {
    const ExprToken& t = static_cast<const OwnedToken&>(holder).token_;
    return t.symbol == SymObject ? t.object : nullptr;
  }
  ExprToken token_;
};

}  // namespace orv
