#include "payload/work_folder.h"

#include <gtest/gtest.h>

#include "common/paths.h"
#include "native/payload/scratch_temp_folder.h"

namespace {

// Captured before any test runs, so that test order cannot hide it.
const std::string name_at_start = work_folder::name();

const std::string S(1, paths::separator());

TEST(WorkFolder, NameStartsEmptyAndDefaultsToQnfpssver1) {
  EXPECT_EQ(name_at_start, "");
  EXPECT_EQ(work_folder::default_name(), "qnfpssver_1");
}

TEST(WorkFolder, EmptyNameMeansTheTemporaryFolderItself) {
  testing_support::ScratchTempFolder scratch("");
  const std::string temp = scratch.temp().path();
  ASSERT_EQ(paths::temp_folder(), temp + S) << "the temporary folder follows the scratch folder";
  EXPECT_EQ(work_folder::path(), temp);
  EXPECT_EQ(work_folder::path_of("fp.dat"), temp + S + "fp.dat");
}

TEST(WorkFolder, NamedFolderLiesUnderTheTemporaryFolder) {
  testing_support::ScratchTempFolder scratch;
  const std::string temp = scratch.temp().path();
  EXPECT_EQ(work_folder::name(), "qnfpssver_1");
  EXPECT_EQ(work_folder::path(), temp + S + "qnfpssver_1");
  EXPECT_EQ(work_folder::path_of("movie.swf"), temp + S + "qnfpssver_1" + S + "movie.swf");

  EXPECT_FALSE(paths::is_folder(work_folder::path()));
  EXPECT_TRUE(work_folder::create());
  EXPECT_TRUE(paths::is_folder(work_folder::path()));
  EXPECT_TRUE(work_folder::create()) << "an existing folder is fine";
}

TEST(WorkFolder, SetNameIsProcessWide) {
  testing_support::ScratchTempFolder scratch("other_name");
  EXPECT_EQ(work_folder::name(), "other_name");
  work_folder::set_name("");
  EXPECT_EQ(work_folder::name(), "");
  EXPECT_EQ(work_folder::path(), scratch.temp().path());
}

}  // namespace
