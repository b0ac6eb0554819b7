// Invokes and values as text, for the tests that watch what a script
// object is called with: the unit tests of the dispatch bridge and the COM
// probe under Wine print the same things the same way.
#pragma once

#include <cstdio>
#include <string>

#include "base/text.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace orv::test {

// Control characters as \xNN, so that every case stays on its own line.
inline std::string printable(StringView s) {
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && s[i] >= 0x20) continue;
    out += utf16_to_utf8(s.substr(start, i - start));
    if (i < s.size()) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", unsigned(s[i]));
      out += buf;
    }
    start = i + 1;
  }
  return out;
}

inline std::string number_text(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", d);
  return buf;
}

// How a test names the objects it sees.
using ObjectName = std::string (*)(const IObject* object);

inline std::string token_text(const ExprToken& t, ObjectName object_name) {
  switch (t.symbol) {
    case SymInteger: return "int " + std::to_string(t.integer);
    case SymFloat: return "float " + number_text(t.number);
    case SymString: return "text '" + printable(t.view()) + "'";
    case SymOperand: return "operand '" + printable(t.view()) + "'";
    case SymMissing: return "missing";
    case SymObject: return "object " + object_name(t.object);
    default: return "symbol " + std::to_string(t.symbol);
  }
}

inline std::string flags_text(uint32_t flags) {
  static const char* const kTypes[] = {"Get", "Set", "Call", "Type3"};
  std::string s = kTypes[flags & InvokeTypeMask];
  if (flags & InvokeAsFunctionObject) s += "|AsFunctionObject";
  if (flags & InvokeCallIfFunction) s += "|CallIfFunction";
  if (flags & InvokeAsBase) s += "|AsBase";
  if (flags & InvokeMetaFunctions) s += "|MetaFunctions";
  return s;
}

// "Call [operand 'Move', int 1]": the flags, then the parameters in the
// order the object gets them; of more than six, the first two and the last.
inline std::string invoke_text(uint32_t flags, ExprToken** params, int count, ObjectName object_name) {
  std::string s = flags_text(flags) + " [";
  const int shown = count > 6 ? 2 : count;
  for (int i = 0; i < shown; ++i) s += (i ? ", " : "") + token_text(*params[i], object_name);
  if (count > shown) {
    s += ", ... " + token_text(*params[count - 1], object_name) + "; " + std::to_string(count) + " in all";
  }
  return s + "]";
}

}  // namespace orv::test
