// The headless host's files by name: names found without regard to case,
// copies that never lose the file they would replace, the user's trash,
// and a confined run kept inside its scratch folder.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/posix/headless.h"
#include "platform/posix/host_path.h"

namespace orv::platform {
namespace {

namespace fs = std::filesystem;

// A scratch folder that is the current directory while a test runs.
class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/orv-files-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    root_ = name;
    previous_ = fs::current_path();
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    // Read-only files must not keep the folder.
    for (const auto& e : fs::recursive_directory_iterator(root_))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(root_);
  }

  static void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::set<std::string> names_in(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
  }

  std::string root_;
  fs::path previous_;
};

using HostPath = ScratchFolder;

TEST_F(HostPath, ExistingNamesTakeTheirSpellingOnDisk) {
  fs::create_directories("Data/Logs");
  write("Data/Logs/Today.TXT", "x");
  struct Case {
    const char16_t* given;
    const char* host;
  } cases[] = {
      {u"Data/Logs/Today.TXT", "Data/Logs/Today.TXT"},
      {u"data\\logs\\today.txt", "Data/Logs/Today.TXT"},
      {u"DATA/Logs/", "Data/Logs/"},
      {u"data/LOGS/new.txt", "Data/Logs/new.txt"},  // what is not there stays as written
      {u"data/none/Today.txt", "Data/none/Today.txt"},
      {u"./DATA//logs", "./Data//Logs"},
      {u"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(host_path(c.given), c.host) << utf16_to_utf8(c.given);
  std::string absolute = root_ + "/DATA/LOGS";
  EXPECT_EQ(host_path(utf8_to_utf16(absolute)), root_ + "/Data/Logs");
}

using Copies = ScratchFolder;

TEST_F(Copies, NeverLoseTheFileTheyWouldReplace) {
  write("source.txt", "new");
  write("kept.txt", "old");
  write("locked.txt", "old");
  chmod("locked.txt", 0444);
  struct Case {
    const char16_t* dest;
    bool replace;
    bool ok;
    uint32_t error;
    const char* after;
  } cases[] = {
      {u"kept.txt", false, false, 80, "old"},     // never without Overwrite
      {u"locked.txt", true, false, 5, "old"},     // a read-only file stays
      {u"source.txt", true, false, 32, "new"},    // onto itself: the source is not emptied
      {u"kept.txt", true, true, 0, "new"},
      {u"fresh.txt", false, true, 0, "new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.dest));
    EXPECT_EQ(copy_file(u"source.txt", c.dest, c.replace), c.ok);
    if (!c.ok) EXPECT_EQ(last_error(), c.error);
    EXPECT_EQ(read(utf16_to_utf8(c.dest)), c.after);
  }
  // No temporary copy is left behind, whatever happened.
  EXPECT_EQ(names_in("."), (std::set<std::string>{"fresh.txt", "kept.txt", "locked.txt", "source.txt"}));
}

TEST_F(Copies, MovesRefuseWhatIsThereUnlessReplacing) {
  write("a.txt", "a");
  write("b.txt", "b");
  EXPECT_FALSE(move_file(u"a.txt", u"b.txt", false));
  EXPECT_EQ(last_error(), 183u);
  EXPECT_EQ(read("b.txt"), "b");
  EXPECT_TRUE(move_file(u"a.txt", u"b.txt", true));
  EXPECT_EQ(read("b.txt"), "a");
  EXPECT_EQ(names_in("."), (std::set<std::string>{"b.txt"}));
}

using Trash = ScratchFolder;

TEST_F(Trash, KeepsWhereEachItemCameFrom) {
  std::string data = root_ + "/data home";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  fs::create_directory("my folder");
  write("my folder/a b.txt", "1");
  ASSERT_TRUE(recycle(u"my folder/a b.txt"));
  write("my folder/a b.txt", "2");
  ASSERT_TRUE(recycle(u"MY FOLDER\\A B.TXT"));
  ASSERT_TRUE(recycle(u"my folder"));
  EXPECT_FALSE(recycle(u"my folder"));
  EXPECT_EQ(last_error(), 2u);

  std::string trash = data + "/Trash";
  EXPECT_EQ(names_in(trash + "/files"), (std::set<std::string>{"a b.txt", "a b.txt.2", "my folder"}));
  EXPECT_EQ(read(trash + "/files/a b.txt.2"), "2");
  std::string note = read(trash + "/info/a b.txt.2.trashinfo");
  std::string escaped_root = root_;  // mkdtemp's names need no escaping
  EXPECT_EQ(note.substr(0, note.find("DeletionDate=")),
            "[Trash Info]\nPath=" + escaped_root + "/my%20folder/a%20b.txt\n");

  EXPECT_FALSE(empty_recycle_bin(u"C:\\"));
  EXPECT_EQ(last_error(), 15u);
  chmod((trash + "/files/my folder").c_str(), 0500);  // a folder the user may not change goes too
  EXPECT_TRUE(empty_recycle_bin(u""));
  EXPECT_TRUE(names_in(trash + "/files").empty());
  EXPECT_TRUE(names_in(trash + "/info").empty());
  unsetenv("XDG_DATA_HOME");
}

using Confined = ScratchFolder;

// Confinement lasts for the rest of the process: it is tried in a child.
TEST_F(Confined, TouchesNothingOutsideTheScratchFolder) {
  write("inside.txt", "x");
  EXPECT_EXIT(
      {
        confine(1000);
        DirEntry e;
        std::vector<DirEntry> entries;
        bool refused = !path_entry(u"/etc/passwd", e) && !delete_file(u"../inside.txt") &&
                       !copy_file(u"inside.txt", u"/tmp/out.txt", true) && !move_file(u"inside.txt", u"a/../../x", true) &&
                       !create_directory(u"/tmp/orv-nothing") && !remove_directory(u"..") &&
                       !set_file_times(u"/tmp", nullptr, nullptr, nullptr) && !set_file_attributes(u"/tmp", 0) &&
                       !rename_path(u"inside.txt", u"/tmp/x") && !list_directory(u"/", u"*", entries) &&
                       !recycle(u"inside.txt") && !empty_recycle_bin(u"") && last_error() == 5;
        bool inside_works = copy_file(u"inside.txt", u"copy.txt", false) && delete_file(u"copy.txt");
        _exit(refused && inside_works ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(names_in("."), (std::set<std::string>{"inside.txt"}));
}

}  // namespace
}  // namespace orv::platform
