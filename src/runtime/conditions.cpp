#include "runtime/conditions.h"

#include "base/messages.h"
#include "runtime/command_table.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/executor.h"
#include "runtime/file_lookup.h"
#include "runtime/message_box.h"
#include "runtime/numbers.h"
#include "runtime/object.h"
#include "runtime/script_line.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {

namespace {

int compare_by_case_sense(StringView a, StringView b) {
  if (g_thread->case_sense == StringCaseSense::On) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return compare_ignore_case(a, b);
}

size_t find_by_case_sense(StringView text, StringView needle) {
  if (g_thread->case_sense == StringCaseSense::On) return text.find(needle);
  return find_ignore_case(text, needle);
}

// The type of the left side, using the variable's cached number when it has one.
NumType left_type(Variable* var, StringView text) {
  if (var) return var->numeric_type();
  return numeric_type_of(text);
}

int compare_values(Variable* var, StringView a, StringView b) {
  NumType ta = left_type(var, a), tb = numeric_type_of(b);
  if (ta != NumType::NotNumeric && tb != NumType::NotNumeric) {
    if (ta == NumType::Integer && tb == NumType::Integer) {
      int64_t x = var ? var->to_int() : text_to_int(a), y = text_to_int(b);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    double x = var ? var->to_double() : text_to_double(a), y = text_to_double(b);
    return x < y ? -1 : x > y ? 1 : 0;
  }
  return compare_by_case_sense(a, b);
}

// Calls `item` for each item of a comma list; ",," stands for a literal comma.
template <typename F>
bool any_list_item(StringView list, F item) {
  if (list.empty()) return false;
  String current;
  for (size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] == u',' && i + 1 < list.size() && list[i + 1] == u',') {
      current.push_back(u',');
      ++i;
      continue;
    }
    if (i == list.size() || list[i] == u',') {
      if (item(StringView(current))) return true;
      current.clear();
      continue;
    }
    current.push_back(list[i]);
  }
  return false;
}

bool is_date_time(StringView s) {
  if (s.size() < 4 || s.size() > 14 || s.size() % 2 != 0) return false;
  for (char16_t c : s)
    if (c < u'0' || c > u'9') return false;
  auto num = [&](size_t at) { return (s[at] - u'0') * 10 + (s[at + 1] - u'0'); };
  int year = num(0) * 100 + num(2);
  if (year < 1601) return false;
  if (s.size() >= 6 && (num(4) < 1 || num(4) > 12)) return false;
  if (s.size() >= 8) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = num(4), day = num(6);
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int max = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day < 1 || day > max) return false;
  }
  if (s.size() >= 10 && num(8) > 23) return false;
  if (s.size() >= 12 && num(10) > 59) return false;
  if (s.size() >= 14 && num(12) > 59) return false;
  return true;
}

bool every_char(StringView s, bool (*test)(char16_t)) {
  for (char16_t c : s)
    if (!test(c)) return false;
  return true;
}

Result is_type(Variable* var, StringView value, StringView type, bool& out) {
  auto word = [&](StringView w) { return equals_ignore_case(type, w); };
  if (word(u"Integer") || word(u"Float") || word(u"Number")) {
    NumType t = left_type(var, value);
    out = word(u"Integer") ? t == NumType::Integer : word(u"Float") ? t == NumType::Float : t != NumType::NotNumeric;
    return ResultDone;
  }
  if (word(u"Time") || word(u"Date")) {
    out = is_date_time(value);
    return ResultDone;
  }
  if (word(u"Digit")) {
    out = every_char(value, [](char16_t c) { return c >= u'0' && c <= u'9'; });
    return ResultDone;
  }
  if (word(u"Xdigit")) {
    StringView v = value;
    if (v.size() >= 2 && v[0] == u'0' && (v[1] == u'x' || v[1] == u'X')) v.remove_prefix(2);
    out = every_char(v, [](char16_t c) {
      return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
    return ResultDone;
  }
  if (word(u"Alpha")) {
    out = every_char(value, [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); });
    return ResultDone;
  }
  if (word(u"Alnum")) {
    out = every_char(value, [](char16_t c) {
      return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
    return ResultDone;
  }
  if (word(u"Upper")) {
    out = every_char(value, [](char16_t c) { return c >= u'A' && c <= u'Z'; });
    return ResultDone;
  }
  if (word(u"Lower")) {
    out = every_char(value, [](char16_t c) { return c >= u'a' && c <= u'z'; });
    return ResultDone;
  }
  if (word(u"Space")) {
    out = every_char(value, [](char16_t c) { return c == u' ' || (c >= 9 && c <= 13); });
    return ResultDone;
  }
  return report_runtime_error(message(Msg::ParamInvalid2), type);
}

}  // namespace

Result evaluate_condition(const ScriptLine& line) {
  CommandId id = line.action;
  if (id == CmdIfExpr) {
    TempArena::Scope scope;
    OwnedToken value;
    if (!line.args[0].is_expression) {
      // A lone variable.
      value = OwnedToken::adopt(var_token(line.args[0].ref.derefs[0].target.var));
    } else if (Result r = evaluate(line.args[0].postfix, value.out()); r != ResultDone) {
      return r;
    }
    return condition_truth(*value) ? ResultConditionTrue : ResultConditionFalse;
  }

  static ExpandedArgs args;
  if (Result r = args.expand(line); r != ResultDone) return r;
  Variable* var = args.vars[0] ? &args.vars[0]->target() : nullptr;
  StringView value = args.count > 0 ? args.text[0] : StringView();
  StringView operand = args.count > 1 ? args.text[1] : StringView();
  bool truth = false;
  switch (id) {
    case CmdIfEqual: truth = compare_values(var, value, operand) == 0; break;
    case CmdIfNotEqual: truth = compare_values(var, value, operand) != 0; break;
    case CmdIfGreater: truth = compare_values(var, value, operand) > 0; break;
    case CmdIfGreaterOrEqual: truth = compare_values(var, value, operand) >= 0; break;
    case CmdIfLess: truth = compare_values(var, value, operand) < 0; break;
    case CmdIfLessOrEqual: truth = compare_values(var, value, operand) <= 0; break;
    case CmdIfBetween:
    case CmdIfNotBetween: {
      StringView high = args.count > 2 ? args.text[2] : StringView();
      // One text bound makes the whole test textual: judging each bound on
      // its own would put 5 outside "10" and "9a".
      if (left_type(var, value) != NumType::NotNumeric && numeric_type_of(operand) != NumType::NotNumeric &&
          numeric_type_of(high) != NumType::NotNumeric)
        truth = compare_values(var, value, operand) >= 0 && compare_values(var, value, high) <= 0;
      else
        truth = compare_by_case_sense(value, operand) >= 0 && compare_by_case_sense(value, high) <= 0;
      if (id == CmdIfNotBetween) truth = !truth;
      break;
    }
    case CmdIfIn:
    case CmdIfNotIn:
      truth = any_list_item(operand, [&](StringView item) { return compare_by_case_sense(value, item) == 0; });
      if (id == CmdIfNotIn) truth = !truth;
      break;
    case CmdIfContains:
    case CmdIfNotContains:
      truth = any_list_item(operand, [&](StringView item) {
        return item.empty() || find_by_case_sense(value, item) != StringView::npos;
      });
      if (id == CmdIfNotContains) truth = !truth;
      break;
    case CmdIfIs:
    case CmdIfIsNot:
      if (!is_type(var, value, trim(operand), truth)) return ResultFailed;
      if (id == CmdIfIsNot) truth = !truth;
      break;
    case CmdIfInString:
    case CmdIfNotInString:
      truth = operand.empty() || find_by_case_sense(value, operand) != StringView::npos;
      if (id == CmdIfNotInString) truth = !truth;
      break;
    case CmdIfExist:
    case CmdIfNotExist: {
      platform::DirEntry found;
      truth = first_match(value, found);
      if (id == CmdIfNotExist) truth = !truth;
      break;
    }
    case CmdIfMsgBox:
      return msgbox_answered(value);
    case CmdIfWinExist:
    case CmdIfWinNotExist:
    case CmdIfWinActive:
    case CmdIfWinNotActive:
      // Window search lives above the engine; its row names the test.
      return command_info(id).handler(line, args);
    default:
      return report_not_available(command_info(id).name);
  }
  return truth ? ResultConditionTrue : ResultConditionFalse;
}

}  // namespace orv
