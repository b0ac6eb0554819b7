#include "runtime/func.h"

namespace orv {

Func& operator_func(OperatorKind kind) {
  static Func funcs[] = {
      {u"", FuncKind::Operator, OperatorKind::None, 0, 0, true},
      {u"<member get>", FuncKind::Operator, OperatorKind::MemberGet, 1, 0, true},
      {u"<member set>", FuncKind::Operator, OperatorKind::MemberSet, 2, 0, true},
      {u"<member call>", FuncKind::Operator, OperatorKind::MemberCall, 2, 0, true},
      {u"<member get with count>", FuncKind::Operator, OperatorKind::MemberGetDynamicCount, 1, 0, true},
      {u"<new>", FuncKind::Operator, OperatorKind::New, 1, 0, true},
      {u"<pre-increment>", FuncKind::Operator, OperatorKind::PreIncrement, 1, 0, true},
      {u"<pre-decrement>", FuncKind::Operator, OperatorKind::PreDecrement, 1, 0, true},
      {u"<post-increment>", FuncKind::Operator, OperatorKind::PostIncrement, 1, 0, true},
      {u"<post-decrement>", FuncKind::Operator, OperatorKind::PostDecrement, 1, 0, true},
  };
  return funcs[static_cast<int>(kind)];
}

}  // namespace orv
