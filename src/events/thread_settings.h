// The settings of one pseudo-thread. Each thread is a copy of the defaults
// that the auto-execute section left behind; commands such as SetFormat and
// StringCaseSense change the running thread's copy only.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

struct ScriptLine;
struct Func;

enum class StringCaseSense : uint8_t { Off = 0, On = 1, Locale = 2 };
enum class IntegerFormat : uint8_t { Decimal, HexUpper, HexLower };

// The current item of a file loop: the directory prefix as the pattern gave
// it and the entry found there.
struct LoopFileItem {
  String prefix;  // up to and including the last separator; may be empty
  String name;
  bool is_directory = false;
  uint32_t attributes = 0;
  uint64_t size = 0;
  int64_t created = 0, modified = 0, accessed = 0;
};

// The current item of a registry loop.
struct LoopRegItem {
  String root;
  String subkey;
  String name;
  String type;
  int64_t modified = 0;
};

// A thrown value on its way to a Catch: a number, a text (kept here) or an
// object (one reference held), and the line that threw it.
struct ThrownValue {
  bool pending = false;
  uint32_t symbol = 0;
  int64_t integer = 0;
  double number = 0;
  String text;
  class IObject* object = nullptr;
  const ScriptLine* line = nullptr;

  // Moves the value out, leaving nothing pending (a Finally or a __Delete
  // runs with it set aside).
  ThrownValue take() {
    ThrownValue v = std::move(*this);
    *this = ThrownValue();
    return v;
  }
};

struct ThreadSettings {
  int64_t lines_per_batch = -1;
  int32_t batch_interval_ms = 10;
  int32_t priority = 0;
  int64_t event_info = 0;

  // Number formats used when numbers become text.
  char16_t float_format[32] = u"%0.6f";
  IntegerFormat integer_format = IntegerFormat::Decimal;
  StringCaseSense case_sense = StringCaseSense::Off;
  bool auto_trim = true;
  bool line_history = true;

  // Loop state behind A_Index and the loop variables.
  int64_t loop_index = 0;
  String loop_field;      // A_LoopField of a parsing loop
  String loop_read_line;  // A_LoopReadLine of a file-reading loop
  const struct LoopFileItem* loop_file = nullptr;  // the running file loop's item
  const struct LoopRegItem* loop_reg = nullptr;    // the running registry loop's item

  // A thrown value no Catch has taken yet.
  ThrownValue thrown;

  const ScriptLine* current_line = nullptr;
  Func* current_func = nullptr;
  bool in_try = false;
};

// The thread whose lines are running now.
extern ThreadSettings* g_thread;

// The settings every new thread starts with: those the auto-execute section
// left behind.
extern ThreadSettings g_thread_defaults;
// Takes the running thread's settings as the defaults, without its
// per-thread state (loop variables, current line and function, thrown value).
void capture_thread_defaults();

}  // namespace orv
