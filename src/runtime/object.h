// Script-visible objects. Every object offers one operation, invoke, through
// which the evaluator reads members (x.y, x[k]), assigns them (x.y := v) and
// calls methods (x.m(args)). Objects are reference counted: every holder of
// an object in a variable, a token or a field owns one reference and
// releases it when it lets go.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "base/result.h"
#include "base/text.h"

namespace orv {

struct ExprToken;

enum InvokeFlags : uint32_t {
  InvokeGet = 0,
  InvokeSet = 1,
  InvokeCall = 2,
  InvokeTypeMask = 3,
  InvokeAsBase = 0x10000,            // searched as the base of another object
  InvokeMetaFunctions = 0x20000,     // look for __Get/__Set/__Call first
  InvokeAsFunctionObject = 0x40000,  // the object itself is called; no method name among the parameters
  InvokeCallIfFunction = 0x100000,   // with InvokeCall: call the member only if it holds a function
};

class IObject {
 public:
  virtual void add_ref() = 0;
  virtual void release() = 0;

  // `result` holds the empty string on entry; a text result is placed in
  // the evaluator's temporary memory (temp_text_token), an object result
  // carries one reference for the caller. For InvokeCall the first
  // parameter is the method name; for InvokeGet/InvokeSet the parameters
  // are the keys, and for InvokeSet the last one is the value. Returns
  // ResultDone, ResultNotHandled (no such member: the caller supplies the
  // default, normally empty), ResultFailed (an error was reported),
  // ResultReturned or ResultExitThread.
  virtual Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) = 0;

  // The class name scripts see (for messages and type checks).
  virtual StringView type_name() const = 0;

 protected:
  virtual ~IObject() = default;
};

// Heap objects: the count starts at 1 for the creator.
// Only the count is atomic: a host thread may take or drop a reference while
// the script runs; everything else assumes one thread at a time.
//
// The end of an object is decided by the decrement alone, never by reading
// the count first: the one release whose fetch_sub takes the count from 1 to
// 0 owns the end, however many threads release at once. That release puts
// the count back to 1, a reference of the finaliser's own, so that whatever
// the finaliser does with the object (__Delete passes it as `this`, takes
// and drops references to it) never sees it at zero, and then calls
// on_last_release. When that reports the object gone, nothing may touch it
// any more. When it reports the object kept (a __Delete stored it
// somewhere), the finaliser's reference is dropped like any other; should
// that again be the last one (the new holder has let go meanwhile, maybe on
// another thread), the end runs again.
class ObjectBase : public IObject {
 public:
  void add_ref() override { refs_.fetch_add(1, std::memory_order_relaxed); }
  void release() override {
    while (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      refs_.store(1, std::memory_order_relaxed);
      if (on_last_release()) return;
    }
  }
  uint32_t ref_count() const { return refs_.load(std::memory_order_relaxed); }

 protected:
  ~ObjectBase() override = default;
  // Called when the last reference goes, with the count at 1 for the call;
  // returns true when the object is gone (or handed on for destruction),
  // false when somebody took a reference meanwhile and it lives on. The
  // default destroys it; Object runs __Delete first.
  virtual bool on_last_release() {
    delete this;
    return true;
  }

 private:
  std::atomic<uint32_t> refs_{1};
};

// An owned reference: a Ref holds one reference to its object for as long
// as it points at it, so that whoever holds one cannot forget to give it
// back. Constructing from a pointer takes a reference of its own; adopt()
// takes over one the caller already counted (a creation, an invoke result).
// detach() hands the reference out to a holder that counts by hand (an
// object field, a variable, a result token).
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  explicit Ref(T* object) noexcept : object_(object) {
    if (object_) object_->add_ref();
  }
  static Ref adopt(T* object) noexcept {
    Ref r;
    r.object_ = object;
    return r;
  }
  Ref(const Ref& other) noexcept : Ref(other.object_) {}
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  Ref(Ref<U>&& other) noexcept : object_(other.detach()) {}  // NOLINT: a derived reference is a base one
  Ref& operator=(Ref other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~Ref() { reset(); }

  T* get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  T& operator*() const noexcept { return *object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  [[nodiscard]] T* detach() noexcept { return std::exchange(object_, nullptr); }
  // Lets go now. The pointer is cleared first: the release may run a
  // __Delete that looks at this very holder.
  void reset() noexcept {
    if (T* object = std::exchange(object_, nullptr)) object->release();
  }

 private:
  T* object_ = nullptr;
};

using ObjectRef = Ref<IObject>;

}  // namespace orv
