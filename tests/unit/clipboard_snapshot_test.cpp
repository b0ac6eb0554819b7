// Clipboard snapshots read back from bytes that may come from any file: a
// good snapshot gives its records, anything cut short or with a count past
// the end gives none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/clipboard_snapshot.h"

namespace orv {
namespace {

TEST(ClipboardSnapshot, RoundTripAndHostileBytes) {
  std::string snap;
  append_clipboard_record(snap, 13, "h\0i\0\0\0", 6);
  append_clipboard_record(snap, 49161, "", 0);
  finish_clipboard_snapshot(snap);
  EXPECT_EQ(snap.size() % 2, 0u);
  std::vector<ClipboardRecord> records;
  ASSERT_TRUE(read_clipboard_snapshot(snap.data(), snap.size(), records));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].format, 13u);
  EXPECT_EQ(records[0].size, 6u);
  EXPECT_EQ(records[1].format, 49161u);
  EXPECT_EQ(records[1].size, 0u);

  // Every cut of the snapshot short of its end marker is refused.
  for (size_t cut = 0; cut + 4 < snap.size(); ++cut)
    EXPECT_FALSE(read_clipboard_snapshot(snap.data(), cut, records)) << cut;
  // A count running past the end, and one whose high half is set (only
  // the low half counts) but whose low half still runs past.
  std::string bad = snap;
  bad[4] = char(0xFF);
  EXPECT_FALSE(read_clipboard_snapshot(bad.data(), bad.size(), records));
  EXPECT_TRUE(records.empty());
  std::string high = snap;
  high[8] = 1;  // the high 32 bits of the first count
  ASSERT_TRUE(read_clipboard_snapshot(high.data(), high.size(), records));
  EXPECT_EQ(records[0].size, 6u);
}

}  // namespace
}  // namespace orv
