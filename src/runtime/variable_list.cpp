#include "runtime/variable_list.h"

#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/pool.h"
#include "runtime/errors.h"

namespace orv {

namespace {

constexpr size_t kLazySlots = 2000;
constexpr size_t kLazyFromCapacity = 100000;

// Capacity steps of a main array. Small scopes stay small; the global list
// starts larger because most scripts have more globals than any function
// has locals.
size_t next_capacity(size_t current, bool global) {
  if (current == 0) return global ? 1000 : 100;
  if (current < 1000) return 1000;
  if (current < 9999) return 9999;
  if (current < kLazyFromCapacity) return kLazyFromCapacity;
  if (current < 1000000) return 1000000;
  return current + 1000000;
}

int compare(const Variable* var, StringView name) { return compare_ignore_case(var->name_view(), name); }

// Lower bound of `name` among `count` sorted entries; the match or null.
Variable* search(Variable* const* items, size_t count, StringView name, size_t& at) {
  size_t lo = 0, hi = count;
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    int c = compare(items[mid], name);
    if (c == 0) {
      at = mid;
      return items[mid];
    }
    if (c < 0) lo = mid + 1;
    else hi = mid;
  }
  at = lo;
  return nullptr;
}

void insert_at(Variable** items, size_t& count, size_t at, Variable* var) {
  std::memmove(items + at + 1, items + at, (count - at) * sizeof(Variable*));
  items[at] = var;
  ++count;
}

bool remove_from(Variable** items, size_t& count, Variable* var) {
  size_t at;
  if (search(items, count, var->name_view(), at) != var) return false;
  std::memmove(items + at, items + at + 1, (count - at - 1) * sizeof(Variable*));
  --count;
  return true;
}

}  // namespace

VariableList::~VariableList() {
  std::free(main_);
  std::free(lazy_);
}

Variable* VariableList::find(StringView name, size_t* insert_at, bool* in_lazy) const {
  size_t at = 0;
  bool lazy = false;
  Variable* found = nullptr;
  if (name.size() <= kMaxNameLength) {
    found = search(main_, main_count_, name, at);
    if (!found && lazy_) {
      lazy = true;
      found = search(lazy_, lazy_count_, name, at);
    }
  }
  if (insert_at) *insert_at = at;
  if (in_lazy) *in_lazy = lazy;
  return found;
}

bool VariableList::grow_main(size_t at_least) {
  size_t capacity = main_capacity_;
  bool make_lazy = false;
  while (capacity < at_least) {
    capacity = next_capacity(capacity, global_);
    make_lazy |= capacity == kLazyFromCapacity;
  }
  if (capacity == main_capacity_) return true;
  if (make_lazy && !lazy_) {
    lazy_ = static_cast<Variable**>(std::malloc(kLazySlots * sizeof(Variable*)));
    if (!lazy_) {
      (void)report_runtime_error(message(Msg::OutOfMemory));
      return false;
    }
  }
  auto* grown = static_cast<Variable**>(std::realloc(main_, capacity * sizeof(Variable*)));
  if (!grown) {
    (void)report_runtime_error(message(Msg::OutOfMemory));
    return false;
  }
  main_ = grown;
  main_capacity_ = capacity;
  return true;
}

bool VariableList::insert(Variable* var, size_t at, bool in_lazy) {
  if (in_lazy && lazy_) {
    // The merge needs room for the whole side array; make it before
    // anything changes so that a failure leaves the list as it was.
    if (lazy_count_ + 1 == kLazySlots && !grow_main(main_count_ + kLazySlots)) return false;
    insert_at(lazy_, lazy_count_, at, var);
    if (lazy_count_ == kLazySlots) merge_lazy();
    return true;
  }
  if (main_count_ == main_capacity_ && !grow_main(main_count_ + 1)) return false;
  insert_at(main_, main_count_, at, var);
  return true;
}

// Moves every side entry into the main array. The side entries are placed
// from the last to the first, and the main entries above each one's place
// shift up by the number of side entries still to place, which is their
// final position: every main entry moves at most once.
void VariableList::merge_lazy() {
  size_t n = main_count_, k = lazy_count_;
  // Side entries after the last main entry go straight to the end.
  size_t tail = k;
  while (tail > 0 && (n == 0 || compare(lazy_[tail - 1], main_[n - 1]->name_view()) > 0)) --tail;
  std::memcpy(main_ + n + tail, lazy_ + tail, (k - tail) * sizeof(Variable*));
  size_t unmoved = n;  // main entries [0, unmoved) are still at their old places
  for (size_t i = tail; i-- > 0;) {
    size_t at;
    search(main_, unmoved, lazy_[i]->name_view(), at);
    std::memmove(main_ + at + i + 1, main_ + at, (unmoved - at) * sizeof(Variable*));
    main_[at + i] = lazy_[i];
    unmoved = at;
  }
  main_count_ = n + k;
  lazy_count_ = 0;
}

Variable* VariableList::add(StringView name, size_t at, bool in_lazy, uint8_t scope) {
  if (name.size() > kMaxNameLength) {
    (void)report_runtime_error(message(Msg::VarNameTooLong), name);
    return nullptr;
  }
  if (!check_name(name, NameKind::Variable)) return nullptr;
  Pool& pool = permanent_pool();
  auto* var = pool.make<Variable>();
  var->name = pool.copy(name).data();
  var->scope = scope;
  // On failure the record stays in the pool unused; it cannot be returned.
  return insert(var, at, in_lazy) ? var : nullptr;
}

Variable* VariableList::find_or_add(StringView name, uint8_t scope) {
  size_t at;
  bool in_lazy;
  if (Variable* found = find(name, &at, &in_lazy)) return found;
  return add(name, at, in_lazy, scope);
}

std::vector<Variable*> VariableList::in_order() const {
  std::vector<Variable*> out;
  out.reserve(size());
  size_t i = 0, j = 0;
  while (i < main_count_ || j < lazy_count_) {
    bool take_main = j == lazy_count_ || (i < main_count_ && compare(main_[i], lazy_[j]->name_view()) < 0);
    out.push_back(take_main ? main_[i++] : lazy_[j++]);
  }
  return out;
}

void VariableList::remove(Variable* var) {
  if (!remove_from(main_, main_count_, var) && lazy_) remove_from(lazy_, lazy_count_, var);
}

bool is_var_name_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'$' || c == u'#' || c == u'@' || c >= 128;
}

namespace {
bool has_only_name_chars(StringView name) {
  for (char16_t c : name)
    if (!is_var_name_char(c)) return false;
  return true;
}
}  // namespace

bool is_valid_var_name(StringView name) {
  return !name.empty() && name.size() <= kMaxNameLength && has_only_name_chars(name);
}

Result check_name(StringView name, NameKind kind) {
  if (!name.empty() && has_only_name_chars(name)) return ResultDone;
  if (kind == NameKind::Silent) return ResultFailed;
  // Shown as "%-1.300s" shows it: cut at 300, at least one character wide.
  return report_runtime_error(illegal_name_message(kind, name.empty() ? StringView(u" ") : name));
}

String illegal_name_message(NameKind kind, StringView name) {
  String text(message(kind == NameKind::Function ? Msg::IllegalFunctionName : Msg::IllegalVariableName));
  text += u"\n\"";
  text += name.substr(0, 300);
  text += u"\"";
  return text;
}

}  // namespace orv
