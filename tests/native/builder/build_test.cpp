#include "builder/build.h"

#include <gtest/gtest.h>

#include "common/paths.h"
#include "payload/payload_format.h"
#include "payload/payload_reader.h"
#include "support/temp_dir.h"

namespace {

using saverbuild::BuildRequest;
using saverbuild::BuildSummary;
using testing_support::TempDir;

class BuildSaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    request_.runtime_path = dir_.write("runtime.scr", std::string("MZ") + std::string(2000, 'r'));
    request_.settings_file =
        dir_.write("settings.xml",
                   "<xml version=\"1.0\"><windows><window swf=\"intro.swf\"/></windows></xml>");
    request_.output_path = dir_.file("out.scr");
    request_.inputs = {dir_.write("intro.swf", "FWS intro"), dir_.write("main.swf", "FWS main")};
  }

  // The folder holds only what the test put there: no output, no leftovers.
  void expect_no_output(const std::vector<std::string>& expected_names) {
    std::vector<std::string> names;
    ASSERT_TRUE(paths::list_folder(dir_.path(), names));
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = expected_names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
  }

  bool build(std::string& error) {
    BuildSummary summary;
    return saverbuild::build_saver(request_, summary, error);
  }

  TempDir dir_;
  BuildRequest request_;
};

TEST_F(BuildSaverTest, BuildsASaverThatExtractsBackToTheSameFiles) {
  BuildSummary summary;
  std::string error;
  ASSERT_TRUE(saverbuild::build_saver(request_, summary, error)) << error;
  EXPECT_EQ(summary.program_size, 2002u);
  EXPECT_EQ(summary.entries, 2u);
  std::string bytes = TempDir::read(request_.output_path);
  EXPECT_EQ(summary.output_size, bytes.size());
  EXPECT_EQ(bytes.substr(0, 2002), TempDir::read(request_.runtime_path));
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\xFF\xEE\x51\x4E", 4));

  std::string target = dir_.file("extracted");
  std::vector<std::string> written;
  size_t skipped = 1;
  ASSERT_TRUE(saverbuild::extract_saver(request_.output_path, target, written, skipped, error))
      << error;
  EXPECT_EQ(skipped, 0u);
  EXPECT_EQ(written.size(), 3u);
  EXPECT_EQ(TempDir::read(paths::join(target, "intro.swf")), "FWS intro");
  EXPECT_EQ(TempDir::read(paths::join(target, "main.swf")), "FWS main");
  EXPECT_EQ(TempDir::read(paths::join(target, "fp.dat")),
            "<xml version=\"1.0\"><windows><window swf=\"intro.swf\"/></windows></xml>");

  payload::PayloadListing listing;
  ASSERT_EQ(payload::list_payload(request_.output_path, listing), 0);
  std::string text = saverbuild::describe_listing("out.scr", listing);
  EXPECT_NE(text.find("program 2002 bytes"), std::string::npos) << text;
  EXPECT_LT(text.find("intro.swf  9 bytes"), text.find("main.swf  8 bytes")) << text;
  EXPECT_NE(text.find("settings  fp.dat  69 bytes"), std::string::npos) << text;
}

TEST_F(BuildSaverTest, GeneratedSettingsTextIsUsedWhenNoFileIsNamed) {
  request_.settings_file.clear();
  std::string error;
  EXPECT_FALSE(build(error));
  EXPECT_NE(error.find("no settings"), std::string::npos);
  request_.settings_text =
      "<xml version='1.0'><windows generated='1'><window swf='main.swf'/></windows></xml>";
  request_.has_settings_text = true;
  ASSERT_TRUE(build(error)) << error;
  payload::PayloadReader reader;
  reader.set_target_folder(dir_.file("x"));
  paths::create_folder(dir_.file("x"));
  ASSERT_TRUE(reader.open(request_.output_path));
  ASSERT_TRUE(reader.read_table());
  std::string settings;
  ASSERT_TRUE(reader.settings_path(settings));
  EXPECT_EQ(TempDir::read(settings),
            "<xml version='1.0'><windows generated='1'><window swf='main.swf'/></windows></xml>");
}

TEST_F(BuildSaverTest, RefusalsNameTheFileAndLeaveNoOutput) {
  const std::vector<std::string> originals = {"runtime.scr", "settings.xml", "intro.swf",
                                              "main.swf"};
  struct Case {
    const char* what;
    void (*change)(BuildRequest& request, const TempDir& dir);
    const char* expected;
  };
  const Case cases[] = {
      {"missing runtime",
       [](BuildRequest& r, const TempDir& d) { r.runtime_path = d.file("none.scr"); },
       "none.scr: runtime not found"},
      {"missing movie",
       [](BuildRequest& r, const TempDir& d) { r.inputs.push_back(d.file("gone.swf")); },
       "gone.swf: movie file not found"},
      {"missing settings",
       [](BuildRequest& r, const TempDir& d) { r.settings_file = d.file("none.xml"); },
       "none.xml: settings file not found"},
      {"256-byte name",
       [](BuildRequest& r, const TempDir& d) {
         r.inputs.push_back(d.file(std::string(252, 'n') + ".swf"));
       },
       "name is 256 bytes long"},
      {"same name twice", [](BuildRequest& r, const TempDir&) { r.inputs.push_back(r.inputs[0]); },
       "another input is also named \"intro.swf\""},
      {"names differing only in case",
       [](BuildRequest& r, const TempDir& d) { r.inputs.push_back(d.file("MAIN.SWF")); },
       "also named"},
      {"name the saver uses itself",
       [](BuildRequest& r, const TempDir& d) { r.inputs.push_back(d.file("NPFP.dll")); },
       "uses for its own files"},
      {"output over the runtime",
       [](BuildRequest& r, const TempDir&) { r.output_path = r.runtime_path; },
       "output would replace the runtime"},
      {"no inputs", [](BuildRequest& r, const TempDir&) { r.inputs.clear(); }, "no movie files"},
      {"no runtime", [](BuildRequest& r, const TempDir&) { r.runtime_path.clear(); }, "no runtime"},
      {"no output", [](BuildRequest& r, const TempDir&) { r.output_path.clear(); }, "no output"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BuildRequest saved = request_;
    c.change(request_, dir_);
    std::string error;
    EXPECT_FALSE(build(error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    expect_no_output(originals);
    request_ = saved;
  }
}

TEST_F(BuildSaverTest, FoldersGoInWholeButSubFoldersAreRefused) {
  std::string pics = dir_.file("pics");
  ASSERT_TRUE(paths::create_folder(pics));
  dir_.write("pics/a.png", "png a");
  request_.inputs.push_back(pics);
  std::string error;
  ASSERT_TRUE(build(error)) << error;
  std::string good = TempDir::read(request_.output_path);

  ASSERT_TRUE(paths::create_folder(dir_.file("pics/deeper")));
  EXPECT_FALSE(build(error));
  EXPECT_NE(error.find("deeper: sub-folders are not supported"), std::string::npos) << error;
  EXPECT_EQ(TempDir::read(request_.output_path), good) << "the older output stays as it was";
  expect_no_output({"runtime.scr", "settings.xml", "intro.swf", "main.swf", "pics", "out.scr"});
}

TEST_F(BuildSaverTest, ARuntimeThatAlreadyCarriesAPayloadIsRefused) {
  std::string error;
  ASSERT_TRUE(build(error)) << error;
  request_.runtime_path = request_.output_path;
  request_.output_path = dir_.file("second.scr");
  EXPECT_FALSE(build(error));
  EXPECT_NE(error.find("already carries a payload"), std::string::npos) << error;
  EXPECT_FALSE(paths::exists(request_.output_path));
}

TEST_F(BuildSaverTest, ExtractReportsWhatItCannotRead) {
  std::vector<std::string> written;
  size_t skipped = 0;
  std::string error;
  EXPECT_FALSE(
      saverbuild::extract_saver(request_.runtime_path, dir_.file("out"), written, skipped, error));
  EXPECT_NE(error.find("no payload"), std::string::npos) << error;
  EXPECT_FALSE(
      saverbuild::extract_saver(dir_.file("none.scr"), dir_.file("out"), written, skipped, error));
  EXPECT_NE(error.find("not found"), std::string::npos) << error;
  EXPECT_TRUE(written.empty());
}

}  // namespace
