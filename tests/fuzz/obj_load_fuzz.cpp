// Fuzz target: ObjLoad's reader. Arbitrary bytes must load or be refused,
// never read outside the input, allocate without bound or recurse without
// bound. What loads must survive a round trip: dumped again it loads again,
// and the second dump is the first byte for byte; objects used as keys are
// ordered by their addresses, which differ between the loads, so with them
// only the sizes must agree (each object is written whole once and referred
// to elsewhere, in whatever order). Loaded graphs may be
// cyclic, which reference counting never frees; the harness empties every
// object it reached afterwards, so that leak checking sees only real leaks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "objects/object_dump.h"
#include "objects/object_model.h"
#include "platform/posix/headless.h"
#include "runtime/evaluator.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "obj_load_fuzz: %s\n", what);
    abort();
  }
}

// Every object reachable from root; true when one of them is used as a key.
bool collect(orv::IObject* root, std::vector<orv::ObjectRef>& all) {
  bool object_keys = false;
  std::unordered_set<orv::IObject*> seen;
  std::vector<orv::IObject*> todo{root};
  while (!todo.empty()) {
    orv::IObject* o = todo.back();
    todo.pop_back();
    if (!seen.insert(o).second) continue;
    all.emplace_back(o);
    auto* object = static_cast<orv::Object*>(o);
    object->settle();
    for (int64_t i = 0; i < object->field_count(); ++i) {
      const orv::ObjectField& f = object->field_at(i);
      if (object->key_kind_at(i) == orv::KeyKind::Object) {
        todo.push_back(f.object_key);
        object_keys = true;
      }
      if (f.kind == orv::SymObject) todo.push_back(f.object);
    }
  }
  return object_keys;
}

// Deletes every key, so that cycles let go of each other.
void empty_all(orv::ObjectRef root) {
  std::vector<orv::ObjectRef> all;
  (void)collect(root.get(), all);
  root.reset();
  for (orv::ObjectRef& o : all) {
    auto* object = static_cast<orv::Object*>(o.get());
    while (object->field_count() > 0) {
      object->settle();
      const int64_t last = object->field_count() - 1;
      orv::ExprToken key;
      switch (object->key_kind_at(last)) {
        case orv::KeyKind::Integer: key = orv::int_token(object->field_at(last).int_key); break;
        case orv::KeyKind::Object: key = orv::object_token(object->field_at(last).object_key); break;
        default: key = orv::text_token(object->field_at(last).string_key, orv::SymString); break;
      }
      orv::ObjectRef key_held(orv::token_object(key));
      orv::ExprToken* params[1] = {&key};
      orv::OwnedToken removed;
      (void)object->call_method(orv::ObjectMethod::Delete, removed.out(), params, 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orv::platform::discard_output(true);
  orv::platform::confine(0);
  orv::install_object_model();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::ObjectRef first;
  if (!orv::load_object(data, size, first)) {
    check(!first, "a refused dump left an object behind");
    return 0;
  }
  std::vector<uint8_t> dump1, dump2;
  check(orv::dump_object(*first, false, dump1) == orv::ResultDone, "a loaded graph did not dump");
  orv::ObjectRef second;
  check(orv::load_object(dump1.data(), dump1.size(), second), "a dump of a loaded graph did not load");
  check(orv::dump_object(*second, false, dump2) == orv::ResultDone, "a reloaded graph did not dump");
  std::vector<orv::ObjectRef> all;
  const bool object_keys = collect(first.get(), all);
  all.clear();
  check(dump1.size() == dump2.size(), "a round trip changed the dump's size");
  check(object_keys || dump1 == dump2, "a round trip changed the dump");
  empty_all(std::move(first));
  empty_all(std::move(second));
  return 0;
}
