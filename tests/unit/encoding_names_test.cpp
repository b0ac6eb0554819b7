// The encoding names scripts may write.
#include <gtest/gtest.h>

#include "objects/encoding_names.h"

namespace orv {
namespace {

TEST(EncodingNames, FormsAndCodePages) {
  struct Case {
    const char16_t* name;
    bool valid;
    uint32_t code_page;
  } cases[] = {
      {u"", true, 7},           {u"UTF-8", true, 65001},      {u"utf-8-raw", true, 65001},
      {u"UTF-16", true, 1200},  {u"Utf-16-Raw", true, 1200},  {u"CP1252", true, 1252},
      {u"cp 1252 ", true, 1252}, {u"CP+0x4E4", true, 1252},   {u"CP0", true, 0},
      {u"936", true, 936},      {u" 0x3A8 ", true, 936},      {u"CP", false, 0},
      {u"CP-1", false, 0},      {u"CPx", false, 0},           {u"UTF-9", false, 0},
      {u"UTF8", false, 0},      {u"CP4294967296", false, 0},  {u"CP4294967295", true, 4294967295u},
      {u"0x", false, 0},        {u"12a", false, 0},
  };
  for (const Case& c : cases) {
    uint32_t cp = 12345;
    EXPECT_EQ(parse_encoding_name(c.name, 7, cp), c.valid) << utf16_to_utf8(c.name);
    if (c.valid) EXPECT_EQ(cp, c.code_page) << utf16_to_utf8(c.name);
  }
}

}  // namespace
}  // namespace orv
