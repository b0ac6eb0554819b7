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

// Sanitizer builds keep an account of every object and of every reference
// an owning type (Ref, OwnedToken) holds, so that the end of the program
// can tell a reference nobody will ever give back (runtime/object_audit.h).
#if defined(__SANITIZE_ADDRESS__)
#define ORV_TRACK_OBJECTS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_TRACK_OBJECTS 1
#endif
#endif
#ifndef ORV_TRACK_OBJECTS
#define ORV_TRACK_OBJECTS 0
#endif

namespace orv {

struct ExprToken;
class IObject;
class ObjectBase;
class ReferenceAudit;

namespace object_tracking {

#if ORV_TRACK_OBJECTS
// A reference held by an owning type, on the account for as long as the
// holder exists; `read` tells which object it holds now, if any.
class Holder {
 public:
  using Reader = IObject* (*)(const Holder&);
  explicit Holder(Reader read) noexcept : read_(read) { enter(this); }
  Holder(const Holder& other) noexcept : read_(other.read_) { enter(this); }
  Holder& operator=(const Holder&) noexcept { return *this; }
  ~Holder() { leave(this); }
  // Tells the audit what every holder holds now.
  static void report_all(ReferenceAudit& audit);

 private:
  static void enter(Holder* holder);
  static void leave(Holder* holder);
  Reader read_;
  Holder* prev_ = nullptr;
  Holder* next_ = nullptr;
};

void object_born(ObjectBase* object);
void object_gone(ObjectBase* object);
void object_exempt(ObjectBase* object);
// Ends of objects running now, on any thread: references are then in
// flight on the native stack, where the account cannot see them.
extern std::atomic<int> g_ends_running;
#else
class Holder {
 public:
  using Reader = IObject* (*)(const Holder&);
  constexpr explicit Holder(Reader) noexcept {}
};
#endif

}  // namespace object_tracking

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
#if ORV_TRACK_OBJECTS
      object_tracking::g_ends_running.fetch_add(1);
      bool gone = on_last_release();
      object_tracking::g_ends_running.fetch_sub(1);
      if (gone) return;
#else
      if (on_last_release()) return;
#endif
    }
  }
  uint32_t ref_count() const { return refs_.load(std::memory_order_relaxed); }

  // Tells the audit at exit each reference this object holds to another,
  // other than those an owning type holds, which are on the account anyway.
  virtual void report_references(ReferenceAudit& audit) const {}

 protected:
#if ORV_TRACK_OBJECTS
  ObjectBase() { object_tracking::object_born(this); }
  ~ObjectBase() override { object_tracking::object_gone(this); }
  // For an object that lives as long as the process by design: it is no
  // object left behind at exit, though what it holds is still accounted.
  void exempt_from_audit() { object_tracking::object_exempt(this); }
#else
  ObjectBase() = default;
  ~ObjectBase() override = default;
  void exempt_from_audit() {}
#endif
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
class Ref : private object_tracking::Holder {
 public:
  Ref() noexcept : Holder(&read) {}
  explicit Ref(T* object) noexcept : Holder(&read), object_(object) {
    if (object_) object_->add_ref();
  }
  static Ref adopt(T* object) noexcept {
    Ref r;
    r.object_ = object;
    return r;
  }
  Ref(const Ref& other) noexcept : Ref(other.object_) {}
  Ref(Ref&& other) noexcept : Holder(&read), object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  Ref(Ref<U>&& other) noexcept : Holder(&read), object_(other.detach()) {}  // NOLINT: a derived reference is a base one
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
  static IObject* read(const Holder& holder) { return static_cast<const Ref&>(holder).object_; }
  T* object_ = nullptr;
};

using ObjectRef = Ref<IObject>;

}  // namespace orv
