// Sort, VarName [, Options]: the items of a variable's text, put in order
// in place.
//
// Options (letters in any order, blanks between them optional):
//   C case-sensitive; CL case-insensitive by the locale; default
//   case-insensitive.  D<char> the delimiter (default line feed).
//   N numeric.  P<n> compare from character n of each item.  R reverse.
//   Random  random order.  U remove duplicates (ErrorLevel: how many).
//   Z a final delimiter makes a last, empty item.  \ compare only the part
//   after each item's last backslash.  F <name> a script function compares.
// With Random or F the other ordering options are ignored; C, CL and N still
// decide which items count as duplicates. Duplicates are always whole items
// compared, whatever P or \ say, and the first of them is kept.
#include <algorithm>
#include <random>
#include <vector>

#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/calls.h"
#include "runtime/error_level.h"
#include "runtime/errors.h"
#include "runtime/evaluator.h"
#include "runtime/executor.h"
#include "runtime/function_table.h"
#include "runtime/numbers.h"
#include "runtime/variable.h"

namespace orv {

namespace {

struct SortOptions {
  char16_t delimiter = u'\n';
  bool case_sensitive = false;
  bool numeric = false;
  bool reverse = false;
  bool random = false;
  bool unique = false;
  bool final_delimiter_is_item = false;  // Z
  bool after_backslash = false;
  size_t position = 0;  // 0-based, from P
  StringView function;  // F
};

bool is_name_char(char16_t c) {
  return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z') || c == u'_' || c == u'$' ||
         c == u'#' || c == u'@' || c >= 0x80;
}

SortOptions parse_options(StringView s) {
  SortOptions o;
  for (size_t i = 0; i < s.size(); ++i) {
    switch (upper_case(s[i])) {
      case u'C':
        // The locale's case rules are the program's own case mapping.
        o.case_sensitive = !(i + 1 < s.size() && upper_case(s[i + 1]) == u'L');
        if (!o.case_sensitive) ++i;
        break;
      case u'D':
        if (i + 1 < s.size()) o.delimiter = s[++i];
        break;
      case u'F': {
        while (i + 1 < s.size() && is_blank(s[i + 1])) ++i;
        size_t start = i + 1;
        while (i + 1 < s.size() && is_name_char(s[i + 1])) ++i;
        o.function = s.substr(start, i + 1 - start);
        break;
      }
      case u'N': o.numeric = true; break;
      case u'P': {
        size_t start = i + 1;
        while (i + 1 < s.size() && s[i + 1] >= u'0' && s[i + 1] <= u'9') ++i;
        int64_t n = text_to_int(s.substr(start, i + 1 - start));
        o.position = n > 1 ? size_t(n - 1) : 0;
        break;
      }
      case u'R':
        if (starts_with_ignore_case(s.substr(i), u"Random")) {
          o.random = true;
          i += 5;
        } else {
          o.reverse = true;
        }
        break;
      case u'U': o.unique = true; break;
      case u'Z': o.final_delimiter_is_item = true; break;
      case u'\\': o.after_backslash = true; break;
      default: break;  // blanks and anything unknown
    }
  }
  return o;
}

struct Item {
  StringView text;
  size_t offset;   // where the item starts in the original text
  StringView key;  // the part compared
  double number;   // the key as a number, for N
};

// Items compared as wholes, by the case and number rules in effect.
int compare_whole(const Item& a, const Item& b, const SortOptions& o) {
  if (o.numeric) {
    double x = text_to_double(a.text), y = text_to_double(b.text);
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (o.case_sensitive) return a.text.compare(b.text) < 0 ? -1 : a.text == b.text ? 0 : 1;
  return compare_ignore_case(a.text, b.text);
}

int compare_keys(const Item& a, const Item& b, const SortOptions& o) {
  int c;
  if (o.numeric) c = a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
  else if (o.case_sensitive) c = a.key.compare(b.key) < 0 ? -1 : a.key == b.key ? 0 : 1;
  else c = compare_ignore_case(a.key, b.key);
  return o.reverse ? -c : c;
}

// Drops every item equal to an earlier one; returns how many went.
size_t remove_duplicates(std::vector<Item>& items, const SortOptions& o) {
  std::vector<size_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return compare_whole(items[a], items[b], o) < 0; });
  std::vector<bool> drop(items.size(), false);
  for (size_t i = 1; i < order.size(); ++i) {
    // Within a run of equal items the stable order puts the earliest first.
    if (compare_whole(items[order[i - 1]], items[order[i]], o) == 0) drop[order[i]] = true;
  }
  size_t kept = 0;
  for (size_t i = 0; i < items.size(); ++i)
    if (!drop[i]) items[kept++] = items[i];
  size_t removed = items.size() - kept;
  items.resize(kept);
  return removed;
}

// A stable merge sort that stays within bounds whatever the comparison
// answers: a script's compare function need not be consistent. `compare`
// returns false to abandon the sort, leaving the items in whatever order
// they had reached.
template <typename Compare>
bool merge_sort(std::vector<Item>& items, Compare compare) {
  std::vector<Item> buffer(items.size());
  for (size_t width = 1; width < items.size(); width *= 2) {
    for (size_t lo = 0; lo < items.size(); lo += 2 * width) {
      size_t mid = std::min(lo + width, items.size()), hi = std::min(lo + 2 * width, items.size());
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) {
        int c = 0;
        if (!compare(items[i], items[j], c)) return false;
        buffer[k++] = c <= 0 ? items[i++] : items[j++];
      }
      while (i < mid) buffer[k++] = items[i++];
      while (j < hi) buffer[k++] = items[j++];
    }
    items.swap(buffer);
  }
  return true;
}

// F: the script function decides. It receives both items and the distance
// from the first to the second in the original text, and answers with a
// number whose sign gives the order.
Result sort_by_function(std::vector<Item>& items, Func& f) {
  Result failure = ResultDone;
  bool ok = merge_sort(items, [&](const Item& a, const Item& b, int& c) {
    ExprToken args[3] = {text_token(a.text, SymOperand), text_token(b.text, SymOperand),
                         int_token(int64_t(b.offset) - int64_t(a.offset))};
    size_t argc = f.max_params >= 3 ? 3 : 2;
    CallRecord call;
    call.func = &f;
    Result r;
    {
      TempArena::Scope scope;
      OwnedToken answer;
      r = call_function(call, nullptr, args, argc, answer.out());
      if (r == ResultDone) {
        double v = answer.is_object() ? 0 : token_to_double(*answer);
        c = v < 0 ? -1 : v > 0 ? 1 : 0;
      }
    }
    if (r != ResultDone) failure = r;
    return r == ResultDone;
  });
  return ok ? ResultDone : failure;
}

void shuffle(std::vector<Item>& items) {
  std::random_device device;
  std::mt19937_64 generator((uint64_t(device()) << 32) ^ platform::tick_count());
  for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[size_t(generator() % i)]);
}

}  // namespace

Result cmd_sort(const ScriptLine&, ExpandedArgs& args) {
  Variable* var = args.vars[0];
  if (!var) return ResultDone;
  SortOptions o = parse_options(arg_text(args, 1));
  Func* function = nullptr;
  if (!o.function.empty()) {
    function = find_function(*g_script, o.function);
    if (!function || function->kind == FuncKind::Operator || function->max_params < 2 || function->min_params > 3)
      return report_runtime_error(message(Msg::ParamInvalid2), o.function);
  }
  // A script function may change the variable while it compares: work on a copy.
  String text(arg_text(args, 0));

  // With the default delimiter, lines that end in CR LF keep that ending:
  // the CR belongs to the delimiter, not to the item.
  bool crlf = false;
  if (o.delimiter == u'\n') {
    size_t lf = text.find(u'\n');
    crlf = lf != String::npos && lf > 0 && text[lf - 1] == u'\r';
  }
  StringView joiner = crlf ? StringView(u"\r\n") : StringView(&o.delimiter, 1);

  std::vector<Item> items;
  bool final_delimiter = false;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != o.delimiter) continue;
    if (i == text.size() && start == i && !items.empty() && !o.final_delimiter_is_item) {
      final_delimiter = true;  // kept at the end, outside the sort
      break;
    }
    StringView item = StringView(text).substr(start, i - start);
    if (o.delimiter == u'\n' && i < text.size() && !item.empty() && item.back() == u'\r') item.remove_suffix(1);
    items.push_back({item, start, item, 0});
    start = i + 1;
  }
  if (text.empty()) items.clear();

  size_t removed = o.unique ? remove_duplicates(items, o) : 0;
  if (o.random) {
    shuffle(items);
  } else if (function) {
    if (Result r = sort_by_function(items, *function); r != ResultDone) return r;
  } else {
    for (Item& item : items) {
      StringView key = item.text;
      if (o.after_backslash) key = key.substr(key.rfind(u'\\') + 1);  // npos + 1 is 0: the whole item
      key = o.position < key.size() ? key.substr(o.position) : StringView();
      item.key = key;
      if (o.numeric) item.number = text_to_double(key);
    }
    merge_sort(items, [&](const Item& a, const Item& b, int& c) {
      c = compare_keys(a, b, o);
      return true;
    });
  }

  String out;
  out.reserve(text.size());
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += joiner;
    out += items[i].text;
  }
  if (final_delimiter) out += joiner;
  if (!var->assign(out)) return ResultFailed;
  return o.unique ? set_error_level(int64_t(removed)) : ResultDone;
}

}  // namespace orv
