// A scope's variables: an array of pointers sorted by name, compared
// case-insensitively. Once a list holds 9,999 variables, new ones go to a
// small sorted side array first, merged into the main array when it fills,
// so that adding to a huge scope does not shift the whole array each time.
#pragma once

#include <cstddef>
#include <vector>

#include "base/result.h"
#include "base/text.h"
#include "runtime/variable.h"

namespace orv {

class VariableList {
 public:
  explicit VariableList(bool is_global) : global_(is_global) {}
  ~VariableList();
  VariableList(const VariableList&) = delete;
  VariableList& operator=(const VariableList&) = delete;

  // Binary search; on failure `insert_at` is the insertion index in the last
  // array searched (`in_lazy` tells which). Names longer than
  // kMaxNameLength are never found.
  Variable* find(StringView name, size_t* insert_at = nullptr, bool* in_lazy = nullptr) const;
  // Inserts at the index a failed find reported; false after reporting
  // "Out of memory.".
  bool insert(Variable* var, size_t insert_at, bool in_lazy);
  // Checks the name, makes a normal, uninitialised variable of it in the
  // permanent pool and inserts it where a failed find said; null after
  // reporting an error.
  Variable* add(StringView name, size_t insert_at, bool in_lazy, uint8_t scope);
  Variable* find_or_add(StringView name, uint8_t scope);
  size_t size() const { return main_count_ + lazy_count_; }
  size_t lazy_size() const { return lazy_count_; }
  // In name order (main and side arrays merged).
  std::vector<Variable*> in_order() const;
  // Every variable, in no particular order, without allocating: calls run
  // this on each function's locals.
  template <typename F>
  void for_each(F visit) const {
    for (size_t i = 0; i < main_count_; ++i) visit(main_[i]);
    for (size_t i = 0; i < lazy_count_; ++i) visit(lazy_[i]);
  }
  void remove(Variable* var);

 private:
  bool grow_main(size_t at_least);
  void merge_lazy();
  bool global_;
  Variable** main_ = nullptr;
  size_t main_count_ = 0;
  size_t main_capacity_ = 0;
  Variable** lazy_ = nullptr;  // kLazySlots entries once the list has grown large
  size_t lazy_count_ = 0;
};

// Name characters: ASCII letters and digits, "_", "$", "#", "@" and every
// character from 128 up.
bool is_var_name_char(char16_t c);
// Non-empty, at most kMaxNameLength characters, all of them name characters.
bool is_valid_var_name(StringView name);
inline constexpr size_t kMaxNameLength = 253;

// Checks the characters of a variable or function name, reporting an illegal
// one with the kind of name in the message (or silently).
enum class NameKind : uint8_t { Silent, Variable, Function };
Result check_name(StringView name, NameKind kind);
// The message for such a name (Variable or Function), which quotes at most
// its first 300 characters.
String illegal_name_message(NameKind kind, StringView name);

}  // namespace orv
