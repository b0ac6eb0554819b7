// The headless platform's confinement of fuzzed scripts: which paths stay
// inside the scratch folder.
#include <gtest/gtest.h>

#include "platform/posix/headless.h"

namespace orv::platform {
namespace {

TEST(Headless, PathsThatStayInsideTheCurrentDirectory) {
  struct Case {
    const char16_t* path;
    bool inside;
  };
  const Case cases[] = {
      {u"out.txt", true},
      {u"sub/out.txt", true},
      {u"sub\\out.txt", true},
      {u"./a", true},
      {u"..x", true},  // a name that begins with two dots
      {u"x..", true},
      {u"C:\\x", true},  // a Windows path is one file name here
      {u"", false},
      {u"/", false},
      {u"/etc/passwd", false},
      {u"..", false},
      {u"../x", false},
      {u"a/../b", false},
      {u"a\\..\\b", false},
      {u"a/..", false},
      {u"a\\..", false},
  };
  for (const Case& c : cases) EXPECT_EQ(path_stays_inside(c.path), c.inside) << utf16_to_utf8(c.path);
}

}  // namespace
}  // namespace orv::platform
