// The search record: the four strings that name a window (WinTitle, WinText,
// ExcludeTitle, ExcludeText) parsed once, and the test of one candidate
// window against them. Enumerating the desktop is window_finder's.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "platform/window_system.h"
#include "runtime/thread_settings.h"

namespace orv {

struct WindowGroup;

// The thread's settings that decide how windows match.
struct SearchSettings {
  TitleMatchMode mode = TitleMatchMode::StartsWith;
  bool fast_text = true;
  bool hidden_windows = false;
  bool hidden_text = true;

  static SearchSettings of(const ThreadSettings& t) {
    return {t.title_match_mode, t.title_match_fast, t.detect_hidden_windows, t.detect_hidden_text};
  }
};

enum CriteriaFlags : uint16_t {
  CriterionTitle = 0x01, CriterionId = 0x02, CriterionPid = 0x04, CriterionClass = 0x08,
  CriterionGroup = 0x10, CriterionExe = 0x20, CriterionParent = 0x100,
};

// The broadcast handle: only the message-sending commands may name it.
inline constexpr uint32_t kBroadcastHandle = 0xFFFF;

// Handles given by a script compare by their low 32 bits, which are all
// the system looks at, so that one that went through a 32-bit value still
// names its window.
inline uint32_t handle_bits(uintptr_t handle) { return uint32_t(handle); }

struct WindowCriteria {
  uint16_t flags = 0;
  String title, class_name, exe;
  bool exe_name_only = true;  // compare the executable's name, not its path
  uint32_t id = 0, parent = 0;
  uint32_t pid = 0;
  const WindowGroup* group = nullptr;
  StringView text, exclude_title, exclude_text;  // the caller's, not copied
  SearchSettings settings;
};

enum class BroadcastHandle : uint8_t { Refused, Accepted };

// Fills `out` from the four strings. False when nothing can match: an
// orv_id or orv_parent naming no window, an unknown group.
bool parse_criteria(StringView win_title, StringView win_text, StringView exclude_title,
                    StringView exclude_text, const SearchSettings& settings, WindowCriteria& out,
                    BroadcastHandle broadcast = BroadcastHandle::Refused);

// Whether a top-level window satisfies the criteria. Handles on `skip` are
// rejected (the windows a group cycle has already visited).
bool window_matches(const WindowCriteria& criteria, platform::WindowHandle window,
                    const std::vector<platform::WindowHandle>* skip = nullptr);

// Whether `subject` matches `pattern` the way the title-match mode wants:
// starts with, contains, equals (case-sensitive), or a regular expression
// found anywhere (an invalid one matches nothing).
bool title_matches(StringView subject, StringView pattern, TitleMatchMode mode);
// A text criterion: a regular expression in RegEx mode, else a case-sensitive
// substring.
bool text_contains(StringView subject, StringView pattern, TitleMatchMode mode);
// A class or executable criterion: a regular expression in RegEx mode, else
// exact equality.
bool class_matches(StringView subject, StringView pattern, TitleMatchMode mode);

// The desktop that window search reads: the platform's, or a test's.
platform::WindowSystem& desktop();
// Puts another desktop in the platform's place (null: the platform's again).
void set_desktop_for_tests(platform::WindowSystem* desktop);

}  // namespace orv
