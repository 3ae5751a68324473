#include <gtest/gtest.h>

#include <algorithm>

#include "common/paths.h"
#include "support/temp_dir.h"

namespace {

TEST(PathsFolders, ListFolderGivesNamesWithoutDotEntries) {
  testing_support::TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::vector<std::string> names = {"stale"};
  ASSERT_TRUE(paths::list_folder(dir.path(), names));
  EXPECT_TRUE(names.empty()) << "an empty folder, and earlier contents dropped";
  dir.write("b.swf", "b");
  dir.write("a.txt", "a");
  ASSERT_TRUE(paths::create_folder(dir.file("sub")));
  ASSERT_TRUE(paths::list_folder(dir.path(), names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.swf", "sub"}));
  EXPECT_FALSE(paths::list_folder(dir.file("missing"), names));
}

TEST(PathsFolders, ReplaceFileOverwritesTheTarget) {
  testing_support::TempDir dir;
  std::string from = dir.write("new.tmp", "new contents");
  std::string to = dir.write("out.scr", "old");
  ASSERT_TRUE(paths::replace_file(from, to));
  EXPECT_EQ(testing_support::TempDir::read(to), "new contents");
  EXPECT_FALSE(paths::exists(from));
  std::string fresh = dir.file("fresh.scr");
  ASSERT_TRUE(paths::replace_file(dir.write("x.tmp", "x"), fresh)) << "no target yet";
  EXPECT_EQ(testing_support::TempDir::read(fresh), "x");
  EXPECT_FALSE(paths::replace_file(dir.file("missing.tmp"), fresh));
  EXPECT_EQ(testing_support::TempDir::read(fresh), "x");
}

}  // namespace
