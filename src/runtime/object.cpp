#include "runtime/object.h"

#include "runtime/object_audit.h"

#if ORV_TRACK_OBJECTS
#include <mutex>
#include <unordered_set>
#endif

namespace orv {

#if ORV_TRACK_OBJECTS

namespace object_tracking {

std::atomic<int> g_ends_running{0};

namespace {

// Host threads take and drop references too, hence the lock. Never
// destroyed: holders with static storage leave the account as the process
// ends, after any other static would have gone.
struct Account {
  std::mutex lock;
  std::unordered_set<ObjectBase*> live;
  std::unordered_set<ObjectBase*> exempt;
  Holder* first_holder = nullptr;
};

Account& account() {
  static Account* a = new Account();
  return *a;
}

}  // namespace

void Holder::enter(Holder* holder) {
  Account& a = account();
  std::lock_guard<std::mutex> guard(a.lock);
  holder->next_ = a.first_holder;
  if (a.first_holder) a.first_holder->prev_ = holder;
  a.first_holder = holder;
}

void Holder::leave(Holder* holder) {
  Account& a = account();
  std::lock_guard<std::mutex> guard(a.lock);
  if (holder->prev_) holder->prev_->next_ = holder->next_;
  else a.first_holder = holder->next_;
  if (holder->next_) holder->next_->prev_ = holder->prev_;
}

void Holder::report_all(ReferenceAudit& audit) {
  Account& a = account();
  std::lock_guard<std::mutex> guard(a.lock);
  for (const Holder* h = a.first_holder; h; h = h->next_) audit.held(h->read_(*h));
}

void object_born(ObjectBase* object) {
  Account& a = account();
  std::lock_guard<std::mutex> guard(a.lock);
  a.live.insert(object);
}

void object_gone(ObjectBase* object) {
  Account& a = account();
  std::lock_guard<std::mutex> guard(a.lock);
  if (!a.live.erase(object)) a.exempt.erase(object);
}

void object_exempt(ObjectBase* object) {
  Account& a = account();
  std::lock_guard<std::mutex> guard(a.lock);
  if (a.live.erase(object)) a.exempt.insert(object);
}

namespace {

std::vector<ObjectBase*> objects_in(const std::unordered_set<ObjectBase*>& set) {
  std::lock_guard<std::mutex> guard(account().lock);
  return std::vector<ObjectBase*>(set.begin(), set.end());
}

}  // namespace

}  // namespace object_tracking

bool audit_references(std::vector<UnaccountedObject>& found) {
  found.clear();
  if (object_tracking::g_ends_running.load() > 0) return false;
  using namespace object_tracking;
  std::vector<ObjectBase*> live = objects_in(account().live);
  ReferenceAudit audit;
  Holder::report_all(audit);
  for (const ObjectBase* object : live) object->report_references(audit);
  for (const ObjectBase* object : objects_in(account().exempt)) object->report_references(audit);
  report_variable_references(audit);
  report_evaluation_references(audit);
  for (const ObjectBase* object : live) {
    uint32_t count = object->ref_count(), held = audit.held_count(object);
    if (count != held) found.push_back({object, String(object->type_name()), count, held});
  }
  return true;
}

#else

bool audit_references(std::vector<UnaccountedObject>& found) {
  found.clear();
  return false;
}

#endif

}  // namespace orv
