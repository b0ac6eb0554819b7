// The object model's side of the COM face, on its own: how a call from the
// platform reaches an object (flags and parameters), what an answer becomes,
// what a thrown value says, and that a value pending before the call is
// kept. The COM side of the same calls is tests/wine/dispatch.sh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objects/dispatch_bridge.h"
#include "objects/object_model.h"
#include "platform/dispatch.h"
#include "runtime/evaluator.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"
#include "../invoke_text.h"

namespace orv {
namespace {

using namespace platform;
using test::number_text;
using test::printable;

std::string type_name_of(const IObject* o) { return printable(o->type_name()); }

std::string describe_value(const DispatchValue& v) {
  switch (v.kind) {
    case DispatchValueKind::Missing: return "missing";
    case DispatchValueKind::Integer: return "integer " + std::to_string(v.integer);
    case DispatchValueKind::Float: return "float " + number_text(v.number);
    case DispatchValueKind::Text: return "text '" + printable(v.text) + "'";
    case DispatchValueKind::Object:
      return "object " + (v.object ? type_name_of(v.object) : std::string("null"));
  }
  return "?";
}

// Records how it was invoked, then does what the case set up.
class Recorder : public ObjectBase {
 public:
  ~Recorder() override {
    if (destroyed) *destroyed = true;
  }
  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override {
    seen = test::invoke_text(flags, params, count, type_name_of);
    if (this_token.symbol != SymObject || this_token.object != this) seen += " this=other";
    if (g_thread->thrown.pending) seen += " saw-pending";
    ++invokes;
    return act ? act(*this, result) : ResultDone;
  }
  StringView type_name() const override { return u"Recorder"; }

  std::string seen;
  int invokes = 0;
  Result (*act)(Recorder& self, ExprToken& result) = nullptr;
  bool* destroyed = nullptr;
};

class DispatchBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override { install_dispatch_bridge(); }
  void TearDown() override {
    ThrownValue left = g_thread->thrown.take();
    if (left.object) left.object->release();
    rec->release();
  }

  DispatchOutcome run(const DispatchCall& call, DispatchValue* result, String* message = nullptr) {
    return g_dispatch_bridge.invoke(*rec, call, result, message);
  }

  Recorder* rec = new Recorder();
};

DispatchCall member_call(DispatchCallKind kind, const char16_t* member, const std::vector<DispatchValue>& args) {
  DispatchCall call;
  call.kind = kind;
  call.itself = member == nullptr;
  if (member) call.member = member;
  call.args = args.data();
  call.arg_count = int(args.size());
  return call;
}

TEST_F(DispatchBridgeTest, CallsReachTheObjectAsTheEvaluatorWouldMakeThem) {
  Object* child = Object::create();
  struct Row {
    DispatchCallKind kind;
    const char16_t* member;  // null: the object itself
    std::vector<DispatchValue> args;
    const char* seen;
  };
  const Row rows[] = {
      {DispatchCallKind::Get, u"Width", {}, "Get [operand 'Width']"},
      {DispatchCallKind::Set, u"Width", {integer_value(5)}, "Set [operand 'Width', int 5]"},
      {DispatchCallKind::Call, u"Move", {integer_value(1), float_value(2.5)},
       "Call [operand 'Move', int 1, float 2.5]"},
      {DispatchCallKind::CallIfFunction, u"Move", {}, "Call|CallIfFunction [operand 'Move']"},
      {DispatchCallKind::Call, nullptr, {integer_value(7)}, "Call|AsFunctionObject [int 7]"},
      {DispatchCallKind::CallIfFunction, nullptr, {}, "Call|AsFunctionObject|CallIfFunction []"},
      {DispatchCallKind::Get, nullptr, {text_value(u"k")}, "Get [text 'k']"},
      {DispatchCallKind::Set, nullptr, {text_value(u"k"), integer_value(1)}, "Set [text 'k', int 1]"},
      {DispatchCallKind::Get, u"7", {}, "Get [int 7]"},
      {DispatchCallKind::Get, u"0x10", {}, "Get [int 16]"},
      {DispatchCallKind::Get, u" -3 ", {}, "Get [int -3]"},
      {DispatchCallKind::Get, u"1.5", {}, "Get [operand '1.5']"},
      {DispatchCallKind::Get, u"", {}, "Get [operand '']"},
      {DispatchCallKind::Call, u"Take", {DispatchValue(), text_value(StringView(u"a\0b", 3))},
       "Call [operand 'Take', missing, text 'a\\x00b']"},
      {DispatchCallKind::Call, u"Take", {object_value(child)}, "Call [operand 'Take', object Object]"},
  };
  for (const Row& r : rows) {
    rec->seen.clear();
    DispatchValue result;
    EXPECT_EQ(run(member_call(r.kind, r.member, r.args), &result), DispatchOutcome::Done);
    EXPECT_EQ(rec->seen, r.seen) << (r.member ? printable(r.member) : "itself");
  }
  // Arguments are borrowed: the call leaves the count as it found it.
  EXPECT_EQ(child->ref_count(), 1u);
  child->release();
}

ExprToken var_token(Variable& v) {
  ExprToken t{};
  t.symbol = SymVar;
  t.var = &v;
  return t;
}

// Variables an object may answer with, and the object one of them holds.
Variable g_number_var, g_text_var, g_object_var, g_int_var;
Object* g_answer = nullptr;

TEST_F(DispatchBridgeTest, AnswersBecomeValuesWithTheirOwnReference) {
  g_answer = Object::create();
  (void)g_number_var.assign_double(2.5);
  (void)g_int_var.assign_int(-9000000000);
  (void)g_text_var.assign(u"12");
  g_answer->add_ref();
  (void)g_object_var.assign_object(g_answer);
  using Act = Result (*)(Recorder&, ExprToken&);
  struct Row {
    const char* label;
    Act act;
    const char* value;
  };
  const Row rows[] = {
      {"integer", [](Recorder&, ExprToken& r) { r = int_token(5); return ResultDone; }, "integer 5"},
      {"float", [](Recorder&, ExprToken& r) { r = double_token(0.5); return ResultDone; }, "float 0.5"},
      {"text", [](Recorder&, ExprToken& r) { r = text_token(u"hi ü"); return ResultDone; }, "text 'hi ü'"},
      {"numeric operand", [](Recorder&, ExprToken& r) { r = text_token(u"007", SymOperand); return ResultDone; },
       "text '007'"},
      {"object", [](Recorder&, ExprToken& r) { g_answer->add_ref(); r = object_token(g_answer); return ResultDone; },
       "object Object"},
      {"variable holding a float", [](Recorder&, ExprToken& r) { r = var_token(g_number_var); return ResultDone; },
       "float 2.5"},
      {"variable holding an integer", [](Recorder&, ExprToken& r) { r = var_token(g_int_var); return ResultDone; },
       "integer -9000000000"},
      {"variable holding numeric text", [](Recorder&, ExprToken& r) { r = var_token(g_text_var); return ResultDone; },
       "text '12'"},
      {"variable holding an object", [](Recorder&, ExprToken& r) { r = var_token(g_object_var); return ResultDone; },
       "object Object"},
      {"method returned", [](Recorder&, ExprToken& r) { r = int_token(9); return ResultReturned; }, "integer 9"},
      {"not handled", [](Recorder&, ExprToken&) { return ResultNotHandled; }, "text ''"},
  };
  for (const Row& r : rows) {
    rec->act = r.act;
    DispatchValue result;
    EXPECT_EQ(run(member_call(DispatchCallKind::Get, u"Answer", {}), &result), DispatchOutcome::Done) << r.label;
    EXPECT_EQ(describe_value(result), r.value) << r.label;
    // The one from the script's variable, the receiver's, none left behind.
    if (result.kind == DispatchValueKind::Object) {
      EXPECT_EQ(g_answer->ref_count(), 3u) << r.label;
      g_dispatch_bridge.release(*result.object);
    }
    // Nobody to receive it: no reference is left over either.
    EXPECT_EQ(run(member_call(DispatchCallKind::Get, u"Answer", {}), nullptr), DispatchOutcome::Done) << r.label;
    EXPECT_EQ(g_answer->ref_count(), 2u) << r.label;
  }
  g_object_var.free_buffer(FreeMode::Release);
  EXPECT_EQ(g_answer->ref_count(), 1u);
  g_answer->release();
}

void throw_text(const char16_t* text) {
  ThrownValue& t = g_thread->thrown;
  t.pending = true;
  t.symbol = SymString;
  t.text = text;
}

void throw_object(IObject* object) {
  ThrownValue& t = g_thread->thrown;
  t.pending = true;
  t.symbol = SymObject;
  t.object = ObjectRef::adopt(object);
}

// A thrown object whose Message is read, if anything reads it.
Recorder* g_thrown = nullptr;

TEST_F(DispatchBridgeTest, OutcomesAndWhatAThrownValueSays) {
  using Act = Result (*)(Recorder&, ExprToken&);
  struct Row {
    const char* label;
    Act act;
    DispatchOutcome outcome;
    const char* message;
  };
  const Row rows[] = {
      {"thrown text", [](Recorder&, ExprToken&) { throw_text(u"boom"); return ResultFailed; },
       DispatchOutcome::Thrown, "boom"},
      {"thrown integer", [](Recorder&, ExprToken&) {
         ThrownValue& t = g_thread->thrown;
         t.pending = true;
         t.symbol = SymInteger;
         t.integer = 42;
         return ResultFailed;
       }, DispatchOutcome::Thrown, "42"},
      {"thrown exception object", [](Recorder&, ExprToken&) {
         Object* e = Object::create();
         (void)e->set_raw(u"Message", text_token(u"bad thing"));
         throw_object(e);
         return ResultFailed;
       }, DispatchOutcome::Thrown, "bad thing"},
      {"thrown object without message", [](Recorder&, ExprToken&) {
         throw_object(Object::create());
         return ResultFailed;
       }, DispatchOutcome::Thrown, ""},
      {"thrown after finishing", [](Recorder&, ExprToken& r) {
         g_thrown->add_ref();
         r = object_token(g_thrown);
         throw_text(u"late");
         return ResultDone;
       }, DispatchOutcome::Thrown, "late"},
      {"reported", [](Recorder&, ExprToken& r) {
         g_thrown->add_ref();
         r = object_token(g_thrown);
         return ResultFailed;
       }, DispatchOutcome::Failed, ""},
      {"thread exit", [](Recorder&, ExprToken&) { return ResultExitThread; }, DispatchOutcome::ThreadExited, ""},
  };
  for (const Row& r : rows) {
    rec->act = r.act;
    g_thrown = new Recorder();
    DispatchValue result;
    String message;
    EXPECT_EQ(run(member_call(DispatchCallKind::Call, u"Fail", {}), &result, &message), r.outcome) << r.label;
    EXPECT_EQ(printable(message), r.message) << r.label;
    EXPECT_EQ(result.kind, DispatchValueKind::Missing) << r.label;
    EXPECT_FALSE(g_thread->thrown.pending) << r.label;
    // A result the outcome makes void is given back.
    EXPECT_EQ(g_thrown->ref_count(), 1u) << r.label;
    g_thrown->release();
  }

  // No one to hear the message: a thrown object's Message is not read.
  g_thrown = new Recorder();
  rec->act = [](Recorder&, ExprToken&) {
    g_thrown->add_ref();
    throw_object(g_thrown);
    return ResultFailed;
  };
  EXPECT_EQ(run(member_call(DispatchCallKind::Call, u"Fail", {}), nullptr), DispatchOutcome::Thrown);
  EXPECT_EQ(g_thrown->invokes, 0);
  EXPECT_FALSE(g_thread->thrown.pending);
  // With someone to hear it, it is read as the evaluator reads a member.
  String message;
  EXPECT_EQ(run(member_call(DispatchCallKind::Call, u"Fail", {}), nullptr, &message), DispatchOutcome::Thrown);
  EXPECT_EQ(g_thrown->seen, "Get [text 'Message']");
  EXPECT_EQ(g_thrown->ref_count(), 1u);
  g_thrown->release();
}

TEST_F(DispatchBridgeTest, AValuePendingBeforeTheCallWaitsAndWins) {
  struct Row {
    const char* label;
    Result (*act)(Recorder&, ExprToken&);
  };
  const Row rows[] = {
      {"call ends well", [](Recorder&, ExprToken& r) { r = int_token(3); return ResultDone; }},
      {"call throws", [](Recorder&, ExprToken&) { throw_text(u"inner"); return ResultFailed; }},
  };
  for (const Row& r : rows) {
    rec->act = r.act;
    rec->seen.clear();
    throw_text(u"earlier");
    DispatchValue result;
    run(member_call(DispatchCallKind::Call, u"Work", {}), &result);
    EXPECT_EQ(rec->seen, "Call [operand 'Work']") << r.label;
    ASSERT_TRUE(g_thread->thrown.pending) << r.label;
    EXPECT_EQ(printable(g_thread->thrown.text), "earlier") << r.label;
    g_thread->thrown.take();
  }
}

TEST_F(DispatchBridgeTest, TheObjectOutlivesItsOwnCall) {
  EXPECT_EQ(rec->ref_count(), 1u);
  g_dispatch_bridge.add_ref(*rec);
  EXPECT_EQ(rec->ref_count(), 2u);
  g_dispatch_bridge.release(*rec);
  EXPECT_EQ(rec->ref_count(), 1u);

  // The script lets go of its only reference while the object's member runs.
  static bool destroyed, destroyed_inside;
  destroyed = destroyed_inside = false;
  auto* dropped = new Recorder();
  dropped->destroyed = &destroyed;
  dropped->act = [](Recorder& self, ExprToken&) {
    self.release();
    destroyed_inside = destroyed;
    return ResultDone;
  };
  DispatchValue result;
  EXPECT_EQ(g_dispatch_bridge.invoke(*dropped, member_call(DispatchCallKind::Call, u"Drop", {}), &result, nullptr),
            DispatchOutcome::Done);
  EXPECT_FALSE(destroyed_inside);
  EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace orv
