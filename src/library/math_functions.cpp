// The math built-ins. Integer arguments give integer results where the
// operation allows it; a non-numeric argument or a value outside the
// function's domain gives an empty result rather than an error.
#include <cmath>
#include <cstring>

#include "runtime/builtin_functions.h"
#include "runtime/evaluator.h"
#include "runtime/numbers.h"

namespace orv {

namespace {

// A double as an integer, saturating instead of overflowing.
int64_t to_int_saturated(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9.2233720368547758e18) return INT64_MAX;
  if (d <= -9.2233720368547758e18) return INT64_MIN;
  return int64_t(d);
}

// Round(x, n) with n > 0: the value with exactly n decimals, as text that
// still counts as a number.
void set_rounded_text(ExprToken& r, double v, int64_t digits) {
  if (digits > 15) digits = 15;
  char buf[64];
  snprintf(buf, sizeof buf, "%.*f", int(digits), v);
  size_t n = strlen(buf);
  char16_t* p = temp_arena().allocate(n + 1);
  if (!p) return;
  for (size_t i = 0; i <= n; ++i) p[i] = char16_t(buf[i]);
  r = ExprToken{};
  r.symbol = SymOperand;
  r.text = p;
  r.length = uint32_t(n);
}

}  // namespace

// Its own routine: loops call it far more than the other math functions,
// which are told apart by name.
Result builtin_mod(Func&, ExprToken& result, ExprToken* args, int) {
  NumType t1 = token_numeric_type(args[0]), t2 = token_numeric_type(args[1]);
  if (t1 == NumType::NotNumeric || t2 == NumType::NotNumeric) return ResultDone;  // empty result
  if (t1 == NumType::Integer && t2 == NumType::Integer) {
    int64_t a = token_to_int(args[0]), b = token_to_int(args[1]);
    if (b == 0) return ResultDone;
    result = int_token(b == -1 ? 0 : a % b);
  } else {
    double b = token_to_double(args[1]);
    if (b == 0) return ResultDone;
    result = double_token(std::fmod(token_to_double(args[0]), b));
  }
  return ResultDone;
}

Result builtin_math(Func& func, ExprToken& result, ExprToken* args, int argc) {
  StringView name = func.name;
  auto is = [&](const char16_t* n) { return equals_ignore_case(name, n); };
  NumType type = token_numeric_type(args[0]);
  if (type == NumType::NotNumeric) return ResultDone;  // empty result
  bool integer = type == NumType::Integer;

  if (is(u"Abs")) {
    if (integer) {
      int64_t v = token_to_int(args[0]);
      result = int_token(v < 0 ? int64_t(0 - uint64_t(v)) : v);
    } else {
      result = double_token(std::fabs(token_to_double(args[0])));
    }
    return ResultDone;
  }
  if (is(u"Ceil") || is(u"Floor")) {
    if (integer) result = int_token(token_to_int(args[0]));
    else {
      double d = token_to_double(args[0]);
      result = int_token(to_int_saturated(is(u"Ceil") ? std::ceil(d) : std::floor(d)));
    }
    return ResultDone;
  }
  if (is(u"Round")) {
    int64_t digits = 0;
    if (argc > 1 && args[1].symbol != SymMissing) {
      if (token_numeric_type(args[1]) == NumType::NotNumeric) return ResultDone;
      digits = token_to_int(args[1]);
    }
    double d = token_to_double(args[0]);
    if (digits == 0) {
      result = int_token(integer ? token_to_int(args[0]) : to_int_saturated(std::round(d)));
    } else if (digits < 0) {
      double scale = std::pow(10.0, double(-digits));
      result = int_token(to_int_saturated(std::round(d / scale) * scale));
    } else {
      double scale = std::pow(10.0, double(digits > 15 ? 15 : digits));
      set_rounded_text(result, std::round(d * scale) / scale, digits);
    }
    return ResultDone;
  }
  double x = token_to_double(args[0]);
  double r;
  if (is(u"Sqrt")) {
    if (x < 0) return ResultDone;
    r = std::sqrt(x);
  } else if (is(u"Log")) {
    if (x <= 0) return ResultDone;
    r = std::log10(x);
  } else if (is(u"Ln")) {
    if (x <= 0) return ResultDone;
    r = std::log(x);
  } else if (is(u"Exp")) {
    r = std::exp(x);
  } else if (is(u"Sin")) {
    r = std::sin(x);
  } else if (is(u"Cos")) {
    r = std::cos(x);
  } else if (is(u"Tan")) {
    r = std::tan(x);
  } else if (is(u"ASin") || is(u"ACos")) {
    if (x < -1 || x > 1) return ResultDone;
    r = is(u"ASin") ? std::asin(x) : std::acos(x);
  } else {
    r = std::atan(x);
  }
  result = double_token(r);
  return ResultDone;
}

}  // namespace orv
