// The program's UTF-16 text as the zero-terminated wide strings the
// system's W functions take.
#pragma once

#include <string>

#include "base/text.h"

namespace orv::platform {

inline const wchar_t* wide(StringView s, std::wstring& buf) {
  buf.assign(s.begin(), s.end());
  return buf.c_str();
}

}  // namespace orv::platform
