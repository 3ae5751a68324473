// The pure rules behind FileSystem: hex digits, extensions, size units, the
// special folder table, stream modes and seek origins.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "api/file_system_helpers.h"
#include "bridge/invoke_protocol.h"

namespace {

using api::SpecialFolder;

TEST(ApiHexDigits, OddFirstDigitStandsAloneAndPairsMakeBytes) {
  EXPECT_EQ(api::bytes_from_hex_digits("ABC"), std::string("\x0A\xBC", 2));
  EXPECT_EQ(api::bytes_from_hex_digits("G1"), std::string("\x01", 1));
  EXPECT_EQ(api::bytes_from_hex_digits("ff00"), std::string("\xFF\x00", 2));
  EXPECT_EQ(api::bytes_from_hex_digits("9a"), std::string("\x9A", 1));
  EXPECT_EQ(api::bytes_from_hex_digits("7"), std::string("\x07", 1));
  EXPECT_EQ(api::bytes_from_hex_digits(""), std::string());
  // Characters that are no digit count as zero; nothing is skipped.
  EXPECT_EQ(api::bytes_from_hex_digits("x1 2"), std::string("\x01\x02", 2));
}

TEST(ApiFileExtension, TakesTheLastDotOfTheLastComponentOnly) {
  EXPECT_EQ(api::file_extension("C:\\my.folder\\readme"), "");
  EXPECT_EQ(api::file_extension("C:\\data\\archive.tar.gz"), "gz");
  EXPECT_EQ(api::file_extension("movie.SWF"), "SWF");
  EXPECT_EQ(api::file_extension("some.dir/notes.txt"), "txt");
  EXPECT_EQ(api::file_extension("some.dir/notes"), "");
  EXPECT_EQ(api::file_extension("trailing."), "");
  EXPECT_EQ(api::file_extension(""), "");
}

TEST(ApiSizeUnits, KilobytesFirstThenTwoDecimalFractions) {
  EXPECT_EQ(api::size_in_kilobytes(2047), 1u);
  EXPECT_EQ(api::size_in_kilobytes(5000000000ull), 4882812u);
  EXPECT_EQ(bridge::result_real(api::size_in_megabytes(1572864), 0, 2), "<number>1.50</number>");
  EXPECT_EQ(bridge::result_real(api::size_in_megabytes(1000), 0, 2), "<number>0.00</number>");
  EXPECT_EQ(bridge::result_real(api::size_in_megabytes(1073741824), 0, 2),
            "<number>1024.00</number>");
  EXPECT_EQ(bridge::result_real(api::size_in_gigabytes(1073741824), 0, 2), "<number>1.00</number>");
  // Sizes beyond 4 GB stay exact (no 32-bit wrap).
  EXPECT_EQ(bridge::result_real(api::size_in_gigabytes(6ull << 30), 0, 2), "<number>6.00</number>");
}

TEST(ApiSpecialFolders, TableOrderAndFallbacks) {
  SpecialFolder folder;
  ASSERT_TRUE(api::find_special_folder("desktop", folder));
  EXPECT_EQ(folder.source, SpecialFolder::Source::kShell);
  EXPECT_EQ(folder.shell_folders, (std::vector<int>{0, 16, 25}));
  EXPECT_EQ(folder.fallback, SpecialFolder::Fallback::kTempFolder);

  ASSERT_TRUE(api::find_special_folder("application_support", folder));
  EXPECT_EQ(folder.shell_folders, (std::vector<int>{26, 28, 12}));
  EXPECT_EQ(folder.fallback, SpecialFolder::Fallback::kProgramFolder);

  ASSERT_TRUE(api::find_special_folder("app_files", folder));
  EXPECT_EQ(folder.source, SpecialFolder::Source::kWorkFolder);
  ASSERT_TRUE(api::find_special_folder("temp", folder));
  EXPECT_EQ(folder.source, SpecialFolder::Source::kTempFolder);
  EXPECT_EQ(folder.fallback, SpecialFolder::Fallback::kNone);

  const std::pair<const char*, int> single[] = {
      {"applications", 2}, {"applications_user", 2}, {"fonts", 20}, {"documents", 5},
      {"documents_shared", 46}, {"movies", 14}, {"music", 13}, {"pictures", 39},
      {"system", 37}, {"trash", 10}, {"startup", 7}};
  for (const auto& entry : single) {
    ASSERT_TRUE(api::find_special_folder(entry.first, folder)) << entry.first;
    EXPECT_EQ(folder.shell_folders, std::vector<int>{entry.second}) << entry.first;
    EXPECT_EQ(folder.fallback, SpecialFolder::Fallback::kTempFolder) << entry.first;
  }
  for (const char* nowhere : {"library", "preferences", "startmenu", "Desktop", "", "temp "}) {
    EXPECT_FALSE(api::find_special_folder(nowhere, folder)) << nowhere;
  }
}

TEST(ApiStreamModes, OnlyModesTheRuntimeTakesAndWritingLetters) {
  for (const char* mode : {"r", "rb", "w", "wb", "a", "r+", "w+b", "a+t", "rt"}) {
    EXPECT_TRUE(api::is_stream_mode(mode)) << mode;
  }
  for (const char* mode : {"", "x", "R", "rw", "r z", "wbx", "+r"}) {
    EXPECT_FALSE(api::is_stream_mode(mode)) << mode;
  }
  EXPECT_TRUE(api::stream_mode_writes("w"));
  EXPECT_TRUE(api::stream_mode_writes("ab"));
  EXPECT_TRUE(api::stream_mode_writes("W"));
  EXPECT_FALSE(api::stream_mode_writes("r+"));
  EXPECT_FALSE(api::stream_mode_writes("rb"));
}

TEST(ApiSeekOrigins, UnknownOriginsCountFromTheStart) {
  EXPECT_EQ(api::seek_origin("beg"), SEEK_SET);
  EXPECT_EQ(api::seek_origin("cur"), SEEK_CUR);
  EXPECT_EQ(api::seek_origin("end"), SEEK_END);
  EXPECT_EQ(api::seek_origin("END"), SEEK_SET);
  EXPECT_EQ(api::seek_origin(""), SEEK_SET);
}

TEST(ApiPathLimit, TwoHundredFiftyNineCharactersFit) {
  EXPECT_TRUE(api::path_fits(std::string(259, 'a')));
  EXPECT_FALSE(api::path_fits(std::string(260, 'a')));
  EXPECT_TRUE(api::path_fits(""));
}

}  // namespace
