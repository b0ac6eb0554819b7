// The input paths' own benchmark: the per-key work of the program's hook
// code, run natively against the real processor with a scripted keyboard.
// Prints one line per measurement: name, value, unit.
//   orv-bench-input [--runs N] [NAME]   every measurement (or those whose name
//                                       contains NAME), the best of N runs (default 3)
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "input/hook_events.h"
#include "input/hotstring_collector.h"
#include "input/hotstring_table.h"

namespace orv {
namespace {

constexpr uint8_t kCharKey = 0xE8;  // the character rides in the scan code

// Every key types the character it carries; nothing ever holds.
struct Keyboard : HookActions {
  size_t posted = 0;
  void post_hotkey(uint16_t, uint16_t, intptr_t) override {}
  bool window_criterion(const HotkeyCriterion&) override { return true; }
  bool if_expression(int32_t, uint16_t) override { return true; }
  void send_key(uint8_t, uint16_t, bool, uintptr_t) override {}
  size_t key_chars(uint8_t vk, uint16_t sc, uint8_t, char16_t* out) override {
    if (vk != kCharKey) return 0;
    out[0] = char16_t(sc);
    return 1;
  }
  void post_hotstring(const HotstringMatch&) override { ++posted; }
};

String random_word(std::mt19937& rng, size_t min, size_t max) {
  std::uniform_int_distribution<size_t> length(min, max);
  std::uniform_int_distribution<int> letter(0, 25);
  String w(length(rng), u'a');
  for (char16_t& c : w) c = char16_t(u'a' + letter(rng));
  return w;
}

// Nanoseconds per key (down and up) of typing prose-like text: words of
// letters separated by blanks and the odd comma.
double typing(size_t hotstrings) {
  std::mt19937 rng(7);
  HotstringTable table;
  for (size_t i = 0; i < hotstrings; ++i) {
    HotstringEntry e;
    e.abbreviation = random_word(rng, 3, 8);
    if (i % 3 == 0) apply_hotstring_options(u"*", e.options);
    e.replacement = u"x";
    (void)table.define(std::move(e));
  }
  HotstringCollector collector;
  collector.adopt(&table, u"-()[]{}:;'\"/\\,.?!\n \t", true);
  HookProcessor hook;
  if (hotstrings) hook.set_hotstrings(&collector);
  Keyboard keyboard;
  String text;
  while (text.size() < 200000) text += random_word(rng, 1, 9) + (text.size() % 7 ? u" " : u", ");
  const int rounds = 10;
  auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) {
    for (char16_t c : text) {
      KeyEvent e;
      e.vk = kCharKey;
      e.sc = c;
      e.window = 1;
      (void)hook.process(e, keyboard);
      e.key_up = true;
      (void)hook.process(e, keyboard);
    }
  }
  double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  return ns / (double(text.size()) * rounds);
}

struct Measurement {
  const char* name;
  const char* unit;
  double (*run)();
};

const Measurement kMeasurements[] = {
    {"hook key, no hotstrings", "ns/key", [] { return typing(0); }},
    {"hook key, 5000 hotstrings", "ns/key", [] { return typing(5000); }},
};

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  int runs = 3;
  const char* only = "";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else only = argv[i];
  }
  for (const orv::Measurement& m : orv::kMeasurements) {
    if (!std::strstr(m.name, only)) continue;
    double best = 0;
    for (int r = 0; r < runs; ++r) {
      double v = m.run();
      if (r == 0 || v < best) best = v;
    }
    std::printf("%-40s %10.1f %s\n", m.name, best, m.unit);
  }
  return 0;
}
