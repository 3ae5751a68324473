// The builder's --windowed switch: the same payload on the windowed player
// program, and no mix-up of the two programs.
#include <gtest/gtest.h>

#include "builder/build.h"
#include "builder/command_line.h"
#include "builder/settings_options.h"
#include "payload/payload_listing.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

class WindowedBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    // A marker split over the 64 KiB reading blocks must still be found.
    std::string player(65536 - 10, 'p');
    player += saverbuild::kWindowedRuntimeMarker;
    player += std::string(100, 'q');
    player_ = dir_.write("player.exe", "MZ" + player);
    saver_ = dir_.write("saver.scr", "MZ" + std::string(3000, 's'));
    movie_ = dir_.write("movie.swf", "FWS movie");
  }

  bool build(const std::vector<std::string>& args, std::string& error) {
    saverbuild::CommandLine line;
    if (!saverbuild::parse_command_line(args, line, error)) return false;
    saverbuild::complete_settings(line.build);
    saverbuild::BuildSummary summary;
    return saverbuild::build_saver(line.build, summary, error);
  }

  TempDir dir_;
  std::string player_, saver_, movie_;
};

TEST_F(WindowedBuild, TellsThePlayerProgramFromTheSaver) {
  EXPECT_TRUE(saverbuild::is_windowed_runtime(player_));
  EXPECT_FALSE(saverbuild::is_windowed_runtime(saver_));
  EXPECT_FALSE(saverbuild::is_windowed_runtime(dir_.file("missing.exe")));
  // Only the whole text counts.
  const std::string half = dir_.write("half.exe", std::string("MZ swfsaver windowed player"));
  EXPECT_FALSE(saverbuild::is_windowed_runtime(half));
}

TEST_F(WindowedBuild, AppendsThePayloadToThePlayerProgram) {
  std::string error;
  const std::string out = dir_.file("movie.exe");
  ASSERT_TRUE(build(
      {"build", "--windowed", "--runtime", player_, "--title", "Try it", "-o", out, movie_}, error))
      << error;
  const std::string bytes = TempDir::read(out);
  const std::string program = TempDir::read(player_);
  EXPECT_EQ(bytes.compare(0, program.size(), program), 0) << "the program comes first, unchanged";
  payload::PayloadListing listing;
  ASSERT_EQ(payload::list_payload(out, listing), 0);
  EXPECT_EQ(listing.program_size, program.size());
}

TEST_F(WindowedBuild, RefusesTheWrongProgramForEitherKind) {
  std::string error;
  EXPECT_FALSE(
      build({"build", "--windowed", "--runtime", saver_, "-o", dir_.file("a.exe"), movie_}, error));
  EXPECT_NE(error.find("not the windowed player program"), std::string::npos) << error;
  EXPECT_FALSE(build({"build", "--runtime", player_, "-o", dir_.file("b.scr"), movie_}, error));
  EXPECT_NE(error.find("build it with --windowed"), std::string::npos) << error;
  EXPECT_TRUE(build({"build", "--runtime", saver_, "-o", dir_.file("c.scr"), movie_}, error))
      << error;
  EXPECT_FALSE(TempDir::read(dir_.file("c.scr")).empty());
  EXPECT_TRUE(TempDir::read(dir_.file("a.exe")).empty()) << "a refused build writes nothing";
}

}  // namespace
