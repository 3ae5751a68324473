// Runs the real saverbuild program, as an author would.
#include <gtest/gtest.h>

#include <cstdlib>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "common/paths.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

struct Outcome {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

Outcome run(const TempDir& dir, const std::vector<std::string>& args) {
#ifdef _WIN32
  std::string command = in_quotes(std::string("Z:") + SAVERBUILD_EXE);
#else
  std::string command = in_quotes(SAVERBUILD_EXE);
#endif
  for (const std::string& arg : args) command += " " + in_quotes(arg);
  std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
  command += " >" + in_quotes(out) + " 2>" + in_quotes(err);
#ifdef _WIN32
  command = "\"" + command + "\"";  // cmd /c strips one outer pair of quotes
#endif
  Outcome outcome;
  int status = std::system(command.c_str());
#ifdef _WIN32
  outcome.exit_code = status;
#else
  outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  outcome.out = TempDir::read(out);
  outcome.err = TempDir::read(err);
  paths::delete_file(out);
  paths::delete_file(err);
  return outcome;
}

class SaverbuildProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    runtime_ = dir_.write("saver.scr", "MZ runtime program bytes");
    settings_ =
        dir_.write("settings.xml",
                   "<xml version=\"1.0\"><windows><window swf=\"movie.swf\"/></windows></xml>");
    movie_ = dir_.write("movie.swf", "FWS movie");
    output_ = dir_.file("out.scr");
  }

  // A failure: non-zero status, one line on stderr naming `file`, no output.
  void expect_refusal(const Outcome& outcome, const std::string& file, const std::string& reason) {
    EXPECT_NE(outcome.exit_code, 0);
    EXPECT_EQ(outcome.err.rfind("saverbuild: ", 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find(file), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(reason), std::string::npos) << outcome.err;
    ASSERT_FALSE(outcome.err.empty());
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "one line: " << outcome.err;
    EXPECT_FALSE(paths::exists(output_));
    std::vector<std::string> names;
    ASSERT_TRUE(paths::list_folder(dir_.path(), names));
    for (const std::string& name : names) {
      EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
    }
  }

  std::vector<std::string> build_args(const std::string& movie) {
    return {"build", "--runtime", runtime_, "--settings", settings_, "-o", output_, movie};
  }

  TempDir dir_;
  std::string runtime_, settings_, movie_, output_;
};

TEST_F(SaverbuildProgramTest, BuildListAndExtract) {
  Outcome built = run(dir_, build_args(movie_));
  ASSERT_EQ(built.exit_code, 0) << built.err;
  EXPECT_EQ(built.err, "");
  EXPECT_NE(built.out.find("1 entry and the settings"), std::string::npos) << built.out;

  Outcome listed = run(dir_, {"list", output_});
  ASSERT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_NE(listed.out.find("program 24 bytes"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("file      movie.swf  9 bytes"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("settings  fp.dat  69 bytes"), std::string::npos) << listed.out;

  std::string folder = dir_.file("unpacked");
  Outcome extracted = run(dir_, {"extract", output_, folder});
  ASSERT_EQ(extracted.exit_code, 0) << extracted.err;
  EXPECT_EQ(TempDir::read(paths::join(folder, "movie.swf")), "FWS movie");
  EXPECT_EQ(TempDir::read(paths::join(folder, "fp.dat")),
            "<xml version=\"1.0\"><windows><window swf=\"movie.swf\"/></windows></xml>");

  Outcome not_a_saver = run(dir_, {"list", runtime_});
  EXPECT_EQ(not_a_saver.exit_code, 1);
  EXPECT_NE(not_a_saver.err.find("no payload"), std::string::npos) << not_a_saver.err;
}

TEST_F(SaverbuildProgramTest, HelpAndUsageErrors) {
  Outcome help = run(dir_, {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("saverbuild build --runtime"), std::string::npos) << help.out;
  Outcome wrong = run(dir_, {"build", "--frobnicate"});
  EXPECT_EQ(wrong.exit_code, 2);
  EXPECT_NE(wrong.err.find("unknown option --frobnicate"), std::string::npos) << wrong.err;
  Outcome nothing = run(dir_, {});
  EXPECT_EQ(nothing.exit_code, 2);
}

TEST_F(SaverbuildProgramTest, FailuresExitNonZeroAndLeaveNoOutput) {
  {
    SCOPED_TRACE("missing runtime");
    runtime_ = dir_.file("missing.scr");
    expect_refusal(run(dir_, build_args(movie_)), "missing.scr", "runtime not found");
    runtime_ = dir_.file("saver.scr");
  }
  {
    SCOPED_TRACE("unreadable movie");
    expect_refusal(run(dir_, build_args(dir_.file("absent.swf"))), "absent.swf", "not found");
  }
  {
    SCOPED_TRACE("256-byte name");
    std::string long_name = std::string(252, 'x') + ".swf";
    expect_refusal(run(dir_, build_args(dir_.file(long_name))), long_name.substr(0, 40),
                   "names must be shorter than 256 bytes");
  }
  {
    SCOPED_TRACE("sub-folder");
    std::string pics = dir_.file("pics");
    ASSERT_TRUE(paths::create_folder(pics));
    ASSERT_TRUE(paths::create_folder(paths::join(pics, "nested")));
    expect_refusal(run(dir_, build_args(pics)), "nested", "sub-folders are not supported");
  }
}

}  // namespace
