// CriticalObject: an object shared between OS threads of one process (an
// interpreter and a host thread, or two interpreters) is wrapped so that
// every use of it holds one recursive lock.
#include <atomic>
#include <new>

#include "base/messages.h"
#include "objects/object_model.h"
#include "platform/critical_section.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "runtime/builtin_functions.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/func.h"
#include "runtime/process_state.h"

namespace orv {

namespace {

// Addresses below this are small numbers, never objects or locks.
constexpr int64_t kLowestAddress = 1024;

// Wrappers of one object share one lock; a lock the script supplied by
// address belongs to the script and outlives them.
struct SharedSection {
  void* section;
  bool owned;
  std::atomic<int> refs{1};
};

void release_shared(SharedSection* shared) {
  if (--shared->refs) return;
  if (shared->owned) platform::delete_critical_section(shared->section);
  delete shared;
}

// Waits for the lock without blocking the thread: the script's thread
// keeps looking at its messages, so that a thread holding the lock and
// waiting for a callback the script must answer is served meanwhile.
void enter(void* section) {
  while (!platform::try_enter_critical_section(section)) {
    if (on_script_thread()) (void)platform::message_waiting();
    platform::sleep_ms(0);
  }
}

class CriticalObject final : public ObjectBase {
 public:
  CriticalObject(ObjectRef inner, SharedSection* shared) : inner_(std::move(inner)), shared_(shared) {}

  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override {
    (void)this_token;
    enter(shared_->section);
    ExprToken inner_this = object_token(inner_.get());
    Result r = inner_->invoke(result, inner_this, flags, params, count);
    // An enumerator walks the shared object: each of its steps takes the lock too.
    if (auto* walk = dynamic_cast<EnumBase*>(token_object(result)); walk && result.symbol == SymObject) {
      ++shared_->refs;
      if (auto* wrapper = new (std::nothrow) CriticalObject(ObjectRef::adopt(walk), shared_)) result = object_token(wrapper);
      else --shared_->refs, result = object_token(walk);
    }
    platform::leave_critical_section(shared_->section);
    return r;
  }
  StringView type_name() const override { return inner_->type_name(); }

  IObject* inner() const { return inner_.get(); }
  SharedSection* shared() const { return shared_; }

 protected:
  ~CriticalObject() override {
    enter(shared_->section);
    inner_.reset();
    platform::leave_critical_section(shared_->section);
    release_shared(shared_);
  }

 private:
  ObjectRef inner_;
  SharedSection* shared_;
};

// The object a parameter names: an object, or the address of one.
IObject* object_of(const ExprToken& token) {
  if (IObject* object = token_object(token)) return object;
  if (token_numeric_type(token) != NumType::Integer) return nullptr;
  int64_t address = token_to_int(token);
  if (address < kLowestAddress || !platform::foreign_memory_allowed()) return nullptr;
  return reinterpret_cast<IObject*>(uintptr_t(address));
}

int64_t address_of(const void* p) { return int64_t(reinterpret_cast<uintptr_t>(p)); }

}  // namespace

Result builtin_critical_object(Func& func, ExprToken& result, ExprToken* args, int argc) {
  (void)func;
  const bool has_first = argc >= 1 && args[0].symbol != SymMissing;
  const bool has_second = argc >= 2 && args[1].symbol != SymMissing;
  int64_t second = has_second ? token_to_int(args[1]) : 0;

  if (has_second && (second == 1 || second == 2)) {
    // A question about an existing wrapper.
    IObject* object = has_first ? object_of(args[0]) : nullptr;
    auto* critical = dynamic_cast<CriticalObject*>(object);
    result = int_token(!critical ? 0 : second == 1 ? address_of(critical->inner()) : address_of(critical->shared()->section));
    return ResultDone;
  }

  ObjectRef inner;
  SharedSection* shared = nullptr;
  if (has_first) {
    IObject* object = object_of(args[0]);
    if (!object) return report_runtime_error(message(Msg::ParamInvalid1));
    if (auto* critical = dynamic_cast<CriticalObject*>(object)) {
      inner = ObjectRef(critical->inner());
      if (!has_second) {
        shared = critical->shared();
        ++shared->refs;
      }
    } else {
      inner = ObjectRef(object);
    }
  } else {
    inner = ObjectRef::adopt(Object::create());
    if (!inner) return report_runtime_error(message(Msg::OutOfMemory));
  }

  if (!shared) {
    if (has_second && (second < kLowestAddress || !platform::foreign_memory_allowed())) {
      inner.reset();
      return report_runtime_error(message(Msg::ParamInvalid2));
    }
    void* section = has_second ? reinterpret_cast<void*>(uintptr_t(second)) : platform::create_critical_section();
    shared = section ? new (std::nothrow) SharedSection{section, !has_second} : nullptr;
    if (!shared) {
      if (section && !has_second) platform::delete_critical_section(section);
      inner.reset();
      return report_runtime_error(message(Msg::OutOfMemory));
    }
  }
  auto* wrapper = new (std::nothrow) CriticalObject(inner, shared);
  if (!wrapper) {
    release_shared(shared);
    inner.reset();
    return report_runtime_error(message(Msg::OutOfMemory));
  }
  result = object_token(wrapper);
  return ResultDone;
}

}  // namespace orv
