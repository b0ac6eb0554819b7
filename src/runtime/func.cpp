#include "runtime/func.h"

namespace orv {


Func& operator_func(OperatorKind kind) {
  static Func* funcs = [] {
    static const struct {
      const char16_t* name;
      OperatorKind op;
      int min;
    } kTable[] = {
        {u"", OperatorKind::None, 0},
        {u"<member get>", OperatorKind::MemberGet, 1},
        {u"<member set>", OperatorKind::MemberSet, 2},
        {u"<member call>", OperatorKind::MemberCall, 2},
        {u"<member get with count>", OperatorKind::MemberGetDynamicCount, 1},
        {u"<new>", OperatorKind::New, 1},
        {u"<pre-increment>", OperatorKind::PreIncrement, 1},
        {u"<pre-decrement>", OperatorKind::PreDecrement, 1},
        {u"<post-increment>", OperatorKind::PostIncrement, 1},
        {u"<post-decrement>", OperatorKind::PostDecrement, 1},
    };
    auto* all = new Func[sizeof(kTable) / sizeof(kTable[0])];
    for (size_t i = 0; i < sizeof(kTable) / sizeof(kTable[0]); ++i) {
      all[i].name = kTable[i].name;
      all[i].kind = FuncKind::Operator;
      all[i].op = kTable[i].op;
      all[i].min_params = kTable[i].min;
      all[i].variadic = true;
    }
    return all;
  }();
  return funcs[static_cast<int>(kind)];
}

}  // namespace orv
