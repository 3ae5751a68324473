#include "common/paths.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

const std::string S(1, paths::separator());

TEST(Paths, JoinAndSeparators) {
  EXPECT_EQ(paths::add_separator(""), "");
  EXPECT_EQ(paths::add_separator("a"), "a" + S);
  EXPECT_EQ(paths::add_separator("a" + S), "a" + S);
  EXPECT_EQ(paths::join("a", "b"), "a" + S + "b");
  EXPECT_EQ(paths::join("a" + S, "b"), "a" + S + "b");
  EXPECT_EQ(paths::join("", "b"), "b");
}

TEST(Paths, FolderAndFileParts) {
  std::string p = "top" + S + "sub" + S + "movie.swf";
  EXPECT_EQ(paths::folder_part(p), "top" + S + "sub");
  EXPECT_EQ(paths::file_part(p), "movie.swf");
  EXPECT_EQ(paths::file_part(p, false), "movie");
  EXPECT_EQ(paths::file_part("plain"), "plain");
  EXPECT_EQ(paths::file_part("a.b.c", false), "a.b");
}

TEST(Paths, ResolveKeepsAbsoluteAndEmpty) {
  EXPECT_EQ(paths::resolve(""), "");
  std::string abs = paths::temp_folder() + "x.swf";
  EXPECT_EQ(paths::resolve(abs), abs);
  std::string rel = paths::resolve("x.swf");
  EXPECT_EQ(rel, paths::join(paths::folder_part(paths::program_path()), "x.swf"));
}

TEST(Paths, CreateAndDelete) {
  testing_support::TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::string folder = dir.file("f");
  EXPECT_TRUE(paths::create_folder(folder));
  EXPECT_TRUE(paths::create_folder(folder)) << "an existing folder is fine";
  EXPECT_TRUE(paths::is_folder(folder));
  EXPECT_FALSE(paths::create_empty_file(folder)) << "a folder is left alone";
  EXPECT_TRUE(paths::is_folder(folder));

  std::string file = dir.write("data.bin", "abc");
  EXPECT_TRUE(paths::create_empty_file(file));
  EXPECT_EQ(testing_support::TempDir::read(file), "") << "replaced by an empty file";
  EXPECT_TRUE(paths::delete_file(file));
  EXPECT_FALSE(paths::exists(file));
  EXPECT_TRUE(paths::delete_file(file)) << "a missing file is fine";
}

}  // namespace
