// The IDispatch that stands for a script object. Script objects are not
// COM objects themselves (the object model is portable), so each one that
// COM holds gets this companion: every COM reference to it is also a
// reference to the object, and one object has one companion at a time, so
// that COM sees a stable identity.
#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/dispatch.h"
#include "platform/win32/dispatch_invoke.h"
#include "platform/win32/dispatch_names.h"

namespace orv::platform {

namespace {

// Asked for by object_of_dispatch only: answered by our companions and by
// nothing else, which is how one is told apart from a foreign object.
constexpr IID kScriptObjectIid = {0x6f1c3a52, 0x9b7e, 0x4d21, {0xa8, 0xc4, 0x3e, 0x5d, 0x71, 0xb0, 0x9f, 0x26}};

class ScriptDispatch;

// The companion of each object that has one, sorted by object address.
struct Companions {
  SRWLOCK lock = SRWLOCK_INIT;
  struct Entry {
    IObject* object;
    ScriptDispatch* face;
  };
  Entry* entries = nullptr;
  size_t count = 0;
  size_t capacity = 0;

  size_t lower_bound(IObject* object) const {
    size_t low = 0, high = count;
    while (low < high) {
      size_t mid = (low + high) / 2;
      if (reinterpret_cast<uintptr_t>(entries[mid].object) < reinterpret_cast<uintptr_t>(object)) low = mid + 1;
      else high = mid;
    }
    return low;
  }
  bool found_at(size_t pos, IObject* object) const { return pos < count && entries[pos].object == object; }

  bool insert(size_t pos, IObject* object, ScriptDispatch* face) {
    if (count == capacity) {
      size_t grown = capacity ? capacity * 2 : 16;
      auto* p = static_cast<Entry*>(std::realloc(entries, grown * sizeof(Entry)));
      if (!p) return false;
      entries = p;
      capacity = grown;
    }
    std::memmove(entries + pos + 1, entries + pos, (count - pos) * sizeof(Entry));
    entries[pos] = {object, face};
    ++count;
    return true;
  }

  // Only while the entry is still this companion's: a new one may have
  // taken the object over while the old one was on its way out.
  void remove(IObject* object, ScriptDispatch* face) {
    size_t pos = lower_bound(object);
    if (!found_at(pos, object) || entries[pos].face != face) return;
    std::memmove(entries + pos, entries + pos + 1, (count - pos - 1) * sizeof(Entry));
    --count;
  }
};

Companions g_companions;

class ScriptDispatch final : public IDispatch {
 public:
  // The creator adds the object reference that goes with the first COM one.
  explicit ScriptDispatch(IObject& object) : object_(object) {}

  IObject& object() const { return object_; }
  // For one that was never handed out and so holds no reference to give back.
  void discard() { delete this; }

  // A reference for a new holder, unless the last one is already gone and
  // this companion is on its way out.
  bool add_ref_if_alive() {
    ULONG n = refs_.load(std::memory_order_relaxed);
    while (n != 0) {
      if (refs_.compare_exchange_weak(n, n + 1, std::memory_order_relaxed)) {
        g_dispatch_bridge.add_ref(object_);
        return true;
      }
    }
    return false;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IDispatch)) ||
        IsEqualIID(iid, kScriptObjectIid)) {
      AddRef();
      *out = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

  ULONG STDMETHODCALLTYPE AddRef() override {
    ULONG n = refs_.fetch_add(1, std::memory_order_relaxed) + 1;
    g_dispatch_bridge.add_ref(object_);
    return n;
  }

  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    IObject& object = object_;
    if (n == 0) {
      AcquireSRWLockExclusive(&g_companions.lock);
      g_companions.remove(&object, this);
      ReleaseSRWLockExclusive(&g_companions.lock);
      delete this;
    }
    // Last, and outside the lock: the object's end may run script code
    // that hands the object to COM again.
    g_dispatch_bridge.release(object);
    return n;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!IsEqualIID(iid, IID{})) return DISP_E_UNKNOWNINTERFACE;
    if (count == 0) return S_OK;
    if (!names || !ids) return E_POINTER;
    // Only the member is looked up; the further names would be its
    // parameters', and script members take none by name.
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const auto* name = reinterpret_cast<const char16_t*>(names[0]);
    ids[0] = dispatch_id_of_name(name ? StringView(name) : StringView());
    if (ids[0] == 0) {
      ids[0] = DISPID_UNKNOWN;
      return E_OUTOFMEMORY;
    }
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* arg_error) override {
    if (!IsEqualIID(iid, IID{})) return DISP_E_UNKNOWNINTERFACE;
    return invoke_from_com(object_, id, flags, params, result, info, arg_error);
  }

 private:
  ~ScriptDispatch() = default;

  std::atomic<ULONG> refs_{1};
  IObject& object_;
};

}  // namespace

void* dispatch_for(IObject* object) {
  if (!object) return nullptr;
  Companions& c = g_companions;
  AcquireSRWLockExclusive(&c.lock);
  size_t pos = c.lower_bound(object);
  bool found = c.found_at(pos, object);
  ScriptDispatch* face = found ? c.entries[pos].face : nullptr;
  if (face && face->add_ref_if_alive()) {
    ReleaseSRWLockExclusive(&c.lock);
    return static_cast<IDispatch*>(face);
  }
  face = new (std::nothrow) ScriptDispatch(*object);
  bool placed = face && (found ? (c.entries[pos].face = face, true) : c.insert(pos, object, face));
  if (placed) g_dispatch_bridge.add_ref(*object);
  ReleaseSRWLockExclusive(&c.lock);
  if (!placed) {
    if (face) face->discard();
    return nullptr;
  }
  return static_cast<IDispatch*>(face);
}

IObject* object_of_dispatch(void* unknown) {
  if (!unknown) return nullptr;
  void* ours = nullptr;
  if (FAILED(static_cast<IUnknown*>(unknown)->QueryInterface(kScriptObjectIid, &ours)) || !ours) return nullptr;
  auto* face = static_cast<ScriptDispatch*>(static_cast<IDispatch*>(ours));
  IObject* object = &face->object();
  // The caller's own pointer keeps the object alive.
  face->Release();
  return object;
}

}  // namespace orv::platform
