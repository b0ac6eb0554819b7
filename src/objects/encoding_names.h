// The encoding names scripts write where text meets bytes (StrGet, StrPut,
// file objects): "UTF-8" and "UTF-16" with their "-RAW" forms, "CP"
// followed by a code page number, or the number alone.
#pragma once

#include <cstdint>

#include "base/code_pages.h"
#include "base/text.h"

namespace orv {

// False for a name that is none of the forms; an empty name gives `fallback`.
bool parse_encoding_name(StringView name, uint32_t fallback, uint32_t& code_page);
// The same for the encoding of a file, which also says whether a new file
// gets a byte-order mark: the -RAW forms add kEncodingNoBom.
bool parse_file_encoding(StringView name, uint32_t fallback, uint32_t& encoding);

}  // namespace orv
