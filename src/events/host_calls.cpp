#include "events/host_calls.h"

#include <atomic>
#include <mutex>

#include "base/messages.h"
#include "events/script_threads.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "runtime/calls.h"
#include "runtime/engine.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/function_table.h"
#include "runtime/scope.h"
#include "runtime/script_program.h"
#include "runtime/thread_settings.h"
#include "runtime/variable.h"

namespace orv {
extern ScriptProgram* g_script;
}

namespace orv::host {

namespace {

using platform::program_message::kHostExecuteLine;
using platform::program_message::kHostFunction;
using platform::program_message::kHostLabel;
using platform::program_message::kHostRequest;

std::atomic<bool> g_ready{false};

// A result handed back to a host thread stays valid until that same thread
// asks again: concurrent hosts never overwrite each other's answers.
thread_local String t_result;

const char16_t* answer(String text) {
  t_result = std::move(text);
  return t_result.c_str();
}

// A function call on its way to the main thread. A record is taken by one
// host thread and stays busy until whoever finishes with it (the sender
// after its answer, the main thread after a posted call) lets it go, so a
// record still in use is never handed out again.
struct CallRecord {
  std::atomic<bool> busy{false};
  bool posted = false;
  String name;
  String args[kMaxArgs];
  int argc = 0;
  String result;
};

CallRecord g_ring[kRingSize];
std::mutex g_ring_lock;
int g_ring_next = 0;

CallRecord* take_record() {
  uint64_t deadline = platform::tick_count() + kRingWaitMs;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(g_ring_lock);
      for (int i = 0; i < kRingSize; ++i) {
        g_ring_next = (g_ring_next + 1) % kRingSize;
        CallRecord& r = g_ring[g_ring_next];
        if (!r.busy.load(std::memory_order_acquire)) {
          r.busy.store(true, std::memory_order_relaxed);
          return &r;
        }
      }
    }
    // Every record is on its way: posted calls the main thread has not
    // reached yet. Wait for one rather than overwrite it.
    if (platform::tick_count() >= deadline || !g_ready.load()) return nullptr;
    platform::sleep_ms(1);
  }
}

void free_record(CallRecord& r) {
  r.result.clear();
  r.busy.store(false, std::memory_order_release);
}

enum class RequestKind : uint8_t { CheckFunction, GetVar, Assign, FindFunc, FindLabel, Pause };

// A request answered while the host thread waits in send_message.
struct Request {
  RequestKind kind;
  const char16_t* name = nullptr;
  const char16_t* value = nullptr;
  int argc = 0;
  int32_t state = 0;  // Pause: 1 on, 0 off, -1 ask
  bool want_pointer = false;
  String text;
  void* found = nullptr;
  int32_t code = 0;
};

intptr_t send(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return platform::send_message(platform::main_window(), message, wparam, lparam);
}

bool empty_name(const char16_t* name) { return !name || !*name; }

// --- on the main thread ------------------------------------------------------

// The function of that name, or null; too few arguments are reported here,
// on the thread that owns the error dialogs.
Func* checked_function(StringView name, int argc, bool& too_few) {
  too_few = false;
  Func* f = find_function(*g_script, name);
  if (f && argc < f->min_params) {
    too_few = true;
    report_runtime_error(message(Msg::TooFewParamsPassed), name);
    return nullptr;
  }
  return f;
}

CommandId first_action_of(const Func& f) {
  if (f.kind == FuncKind::Script && f.body && f.body->next) return f.body->next->action;
  return CmdInvalid;
}

void run_call(CallRecord& rec) {
  rec.result.clear();
  bool too_few = false;
  Func* f = checked_function(rec.name, rec.argc, too_few);
  // A refused call answers empty text: never what an earlier call left.
  if (!f || !g_ready.load() || g_threads.menu_active || !thread_gate(0, first_action_of(*f))) return;
  int argc = rec.argc;
  if (!f->variadic && argc > f->max_params) argc = f->max_params;
  LaunchedThread thread(0, first_action_of(*f));
  ExprToken values[kMaxArgs];
  ExprToken* params[kMaxArgs];
  for (int i = 0; i < argc; ++i) {
    values[i] = text_token(rec.args[i]);
    params[i] = &values[i];
  }
  TempArena::Scope scope;
  OwnedToken result;
  Result r = call_function_object(*f, params, argc, result.out());
  if (g_thread->thrown.pending) {
    Engine engine(*g_script);
    engine.report_unhandled_throw();
  } else if (r != ResultFailed) {
    char16_t buf[256];
    rec.result = String(token_to_text(*result, buf));
  }
}

String variable_text(Variable& v) {
  if (v.holds_object()) return String();
  String text(v.length_chars() + 1, u'\0');
  text.resize(v.read_text(text.data()));
  return text;
}

void answer_request(Request& q) {
  switch (q.kind) {
    case RequestKind::CheckFunction: {
      bool too_few = false;
      q.code = checked_function(q.name, q.argc, too_few) ? 0 : -1;
      return;
    }
    case RequestKind::GetVar: {
      Variable* v = find_global_or_add(*g_script, q.name);
      if (!v) return;
      if (q.want_pointer) {
        if (v->type != VarType::Builtin) q.text = to_string(int64_t(reinterpret_cast<uintptr_t>(v)));
      } else {
        q.text = variable_text(*v);
      }
      return;
    }
    case RequestKind::Assign: {
      Variable* v = find_global_or_add(*g_script, q.name);
      // The variable reports the memory limit itself.
      q.code = v && !v->is_read_only() && v->assign(q.value ? StringView(q.value) : StringView()) ? 0 : -1;
      return;
    }
    case RequestKind::FindFunc: q.found = find_function(*g_script, q.name); return;
    case RequestKind::FindLabel: q.found = g_script->find_label(q.name); return;
    case RequestKind::Pause: {
      ThreadSettings& t = *g_thread;
      bool want = q.state == 1;
      if (q.state >= 0 && want != t.is_paused) {
        t.is_paused = want;
        g_threads.paused_thread_count += want ? 1 : -1;
        refresh_pause_look();
      }
      q.code = t.is_paused ? 1 : 0;
      return;
    }
  }
}

void run_lines(ScriptLine* line, intptr_t mode) {
  Engine engine(*g_script);
  if (mode == 3) engine.run_one_line(line);
  else engine.run_thread(line);
}

}  // namespace

void set_ready(bool ready) { g_ready.store(ready, std::memory_order_release); }
bool ready() { return g_ready.load(std::memory_order_acquire); }

bool on_main_window_message(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) {
  result = 0;
  switch (message) {
    case kHostFunction: {
      auto* rec = reinterpret_cast<CallRecord*>(lparam);
      run_call(*rec);
      if (rec->posted) free_record(*rec);
      return true;
    }
    case kHostRequest: answer_request(*reinterpret_cast<Request*>(lparam)); return true;
    case kHostLabel: {
      auto* label = reinterpret_cast<Label*>(wparam);
      if (ready() && label->line) {
        g_thread->current_label = label;
        run_lines(label->line, 1);
      }
      return true;
    }
    case kHostExecuteLine:
      if (ready()) run_lines(reinterpret_cast<ScriptLine*>(wparam), lparam);
      return true;
    default: return false;
  }
}

const char16_t* call_function(const char16_t* name, const char16_t* const* args, int argc) {
  if (!ready()) return nullptr;
  if (empty_name(name)) return answer(String());
  CallRecord* rec = take_record();
  if (!rec) return answer(String());
  rec->posted = false;
  rec->name = name;
  rec->argc = argc < kMaxArgs ? argc : kMaxArgs;
  for (int i = 0; i < rec->argc; ++i) rec->args[i] = args[i] ? args[i] : u"";
  rec->result.clear();
  send(kHostFunction, 0, reinterpret_cast<intptr_t>(rec));
  const char16_t* text = answer(std::move(rec->result));
  free_record(*rec);
  return text;
}

int32_t post_function(const char16_t* name, const char16_t* const* args, int argc) {
  if (!ready()) return 0;
  if (empty_name(name)) return -1;
  Request check{RequestKind::CheckFunction};
  check.name = name;
  check.argc = argc;
  check.code = -1;
  send(kHostRequest, 0, reinterpret_cast<intptr_t>(&check));
  if (check.code != 0) return -1;
  CallRecord* rec = take_record();
  if (!rec) return -1;
  rec->posted = true;
  rec->name = name;
  rec->argc = argc < kMaxArgs ? argc : kMaxArgs;
  for (int i = 0; i < rec->argc; ++i) rec->args[i] = args[i] ? args[i] : u"";
  if (!platform::post_message(platform::main_window(), kHostFunction, 0, reinterpret_cast<intptr_t>(rec))) {
    free_record(*rec);
    return -1;
  }
  return 0;
}

int32_t assign(const char16_t* name, const char16_t* value) {
  if (!ready() || empty_name(name)) return -1;
  Request q{RequestKind::Assign};
  q.name = name;
  q.value = value;
  q.code = -1;
  send(kHostRequest, 0, reinterpret_cast<intptr_t>(&q));
  return q.code;
}

const char16_t* get_var(const char16_t* name, bool want_pointer) {
  if (!ready()) return nullptr;
  if (empty_name(name)) return answer(String());
  Request q{RequestKind::GetVar};
  q.name = name;
  q.want_pointer = want_pointer;
  send(kHostRequest, 0, reinterpret_cast<intptr_t>(&q));
  return answer(std::move(q.text));
}

int32_t run_label(const char16_t* name, bool no_wait) {
  auto* label = static_cast<Label*>(find_label(name));
  if (!label) return 0;
  if (no_wait) platform::post_message(platform::main_window(), kHostLabel, uintptr_t(label), intptr_t(label));
  else send(kHostLabel, uintptr_t(label), intptr_t(label));
  return 1;
}

void* execute_line(void* line, int32_t mode, bool wait) {
  if (!ready()) return nullptr;
  // The line list does not change once loaded: walking it needs no lock.
  if (!line) return g_script->first_line;
  auto* l = static_cast<ScriptLine*>(line);
  if (mode) {
    if (wait) send(kHostExecuteLine, uintptr_t(l), mode);
    else platform::post_message(platform::main_window(), kHostExecuteLine, uintptr_t(l), mode);
  }
  ScriptLine* next = l->next;
  // Function bodies that follow one another are all stepped over.
  while (next && next->is_function_body()) next = next->related;
  return next;
}

void* find_func(const char16_t* name) {
  if (!ready() || empty_name(name)) return nullptr;
  Request q{RequestKind::FindFunc};
  q.name = name;
  send(kHostRequest, 0, reinterpret_cast<intptr_t>(&q));
  return q.found;
}

void* find_label(const char16_t* name) {
  if (!ready() || empty_name(name)) return nullptr;
  Request q{RequestKind::FindLabel};
  q.name = name;
  send(kHostRequest, 0, reinterpret_cast<intptr_t>(&q));
  return q.found;
}

int32_t pause(uintptr_t state) {
  if (!ready()) return 0;
  Request q{RequestKind::Pause};
  if (state == 0) {
    q.state = 0;
  } else if (state == 1) {
    q.state = 1;
  } else {
    const auto* text = reinterpret_cast<const char16_t*>(state);
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    if (!*text) q.state = -1;
    else if (text[0] == u'1' || (lower(text[0]) == u'o' && lower(text[1]) == u'n')) q.state = 1;
    else q.state = 0;
  }
  send(kHostRequest, 0, reinterpret_cast<intptr_t>(&q));
  return q.code;
}

}  // namespace orv::host
