#include "builder/settings_options.h"

#include <gtest/gtest.h>

#include "builder/build.h"
#include "builder/command_line.h"
#include "common/paths.h"
#include "payload/payload_reader.h"
#include "payload/work_folder.h"
#include "settings/portable_xml.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace {

using saverbuild::BuildRequest;
using saverbuild::CommandLine;
using testing_support::TempDir;

// A settings text whose windows nest one level deeper than the saver allows.
std::string settings_deeper_than_allowed() {
  std::string open = "<window swf=\"intro.swf\">", close = "</window>";
  for (int level = 2; level <= kMaxWindowDepth + 1; ++level) {
    open += "<sub_data><window>";
    close = "</window></sub_data>" + close;
  }
  return "<xml version=\"1.0\"><windows>" + open + close + "</windows></xml>";
}

class BuilderSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    runtime_ = dir_.write("saver.scr", "MZ runtime");
    intro_ = dir_.write("intro.swf", "FWS intro");
    paths::create_folder(dir_.file("pics"));
    dir_.write("pics/extra.swf", "FWS extra");
    dir_.write("pics/round.png", "PNG");
  }

  // Parses a build command line with the runtime, output and inputs added.
  bool parse(std::vector<std::string> options, CommandLine& line, std::string& error,
             std::vector<std::string> inputs = {}) {
    std::vector<std::string> args = {"build", "--runtime", runtime_, "-o", dir_.file("out.scr")};
    args.insert(args.end(), options.begin(), options.end());
    if (inputs.empty()) inputs = {intro_};
    args.insert(args.end(), inputs.begin(), inputs.end());
    return saverbuild::parse_command_line(args, line, error);
  }

  // The record the saver will read from a request's generated text.
  static void read_back(const BuildRequest& request, SaverSettings& settings) {
    PortableXmlDocument document;
    ASSERT_TRUE(document.load_text(request.settings_text)) << document.error_message();
    ASSERT_TRUE(settings.read_document(document));
  }

  // Parses, completes and checks; the error of the first step that failed.
  std::string outcome(std::vector<std::string> options, std::vector<std::string> inputs = {}) {
    CommandLine line;
    std::string error;
    if (!parse(options, line, error, inputs)) return "parse: " + error;
    saverbuild::complete_settings(line.build);
    if (!saverbuild::check_settings(line.build, error)) return "check: " + error;
    return "ok";
  }

  TempDir dir_;
  std::string runtime_, intro_;
};

TEST_F(BuilderSettingsTest, OptionsWriteTheMainWindowAndSaverFlags) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(
      parse({"--quality", "best", "--scale=no_border", "--bgcolor", "#12ab3C", "--no-menu",
             "--left-mouse", "drag", "--right-mouse=custom_menu", "--no-exit-on-escape",
             "--no-exit-on-mouse-move", "--no-exit-on-mouse-click", "--no-exit-on-key-press",
             "--no-hide-cursor", "--title", "Intro & \"more\"\n\xE9"},
            line, error))
      << error;
  saverbuild::complete_settings(line.build);
  ASSERT_TRUE(line.build.has_settings_text);
  EXPECT_EQ(line.build.settings_text.rfind("<xml version=\"1.0\">\n  <windows ", 0), 0u);
  EXPECT_EQ(line.build.inputs, std::vector<std::string>{intro_}) << "options take their values";

  SaverSettings s;
  read_back(line.build, s);
  const WindowSettings& w = s.main_window;
  EXPECT_EQ(w.movie_path, work_folder::path_of("intro.swf")) << "the first movie by default";
  EXPECT_EQ(w.quality, Quality::best);
  EXPECT_EQ(w.scale_mode, ScaleMode::no_border);
  EXPECT_TRUE(w.use_background_colour);
  EXPECT_EQ(w.background_colour, 0x3CAB12) << "RRGGBB becomes 0x00BBGGRR";
  EXPECT_FALSE(w.show_menu);
  EXPECT_EQ(w.left_mouse_action, MouseAction::drag);
  EXPECT_EQ(w.right_mouse_action, MouseAction::custom_menu);
  EXPECT_FALSE(w.exit_on_escape);
  EXPECT_FALSE(s.exit_on_mouse_move);
  EXPECT_FALSE(s.exit_on_mouse_click);
  EXPECT_FALSE(s.exit_on_key_press);
  EXPECT_FALSE(s.hide_mouse_cursor);
  EXPECT_EQ(w.window_title, "Intro & \"more\"\n\xE9");
  EXPECT_EQ(w.window_name, "MainWindow");
}

TEST_F(BuilderSettingsTest, WithoutOptionsEveryDefaultAndTheFirstMovie) {
  const std::string notes = dir_.write("notes.txt", "text");
  const std::string second = dir_.write("second.swf", "FWS");
  CommandLine line;
  std::string error;
  ASSERT_TRUE(parse({}, line, error, {dir_.file("pics"), notes, second, intro_})) << error;
  EXPECT_FALSE(line.build.has_settings_text);
  saverbuild::complete_settings(line.build);
  SaverSettings s, defaults;
  read_back(line.build, s);
  EXPECT_EQ(s.main_window.movie_path, work_folder::path_of("second.swf"))
      << "the first movie file given on its own";
  EXPECT_EQ(s.exit_on_mouse_move, defaults.exit_on_mouse_move);
  EXPECT_EQ(s.hide_mouse_cursor, defaults.hide_mouse_cursor);
  EXPECT_EQ(s.main_window.quality, defaults.main_window.quality);
  EXPECT_EQ(s.main_window.use_background_colour, false);
  EXPECT_TRUE(s.main_window.show_menu);

  CommandLine only_other;
  ASSERT_TRUE(parse({}, only_other, error, {notes}));
  saverbuild::complete_settings(only_other.build);
  SaverSettings other;
  read_back(only_other.build, other);
  EXPECT_EQ(other.main_window.movie_path, work_folder::path_of("notes.txt"))
      << "without a .swf file, the first file";
}

TEST_F(BuilderSettingsTest, MovieMustBeAMovieFileGivenOnItsOwn) {
  const std::string main_movie = dir_.write("Main.SWF", "FWS");
  EXPECT_EQ(outcome({"--movie", "main.swf"}, {intro_, main_movie}), "ok")
      << "names compare without case, as on Windows";
  CommandLine line;
  std::string error;
  ASSERT_TRUE(parse({"--movie", "Main.SWF"}, line, error, {intro_, main_movie}));
  saverbuild::complete_settings(line.build);
  SaverSettings s;
  read_back(line.build, s);
  EXPECT_EQ(s.main_window.movie_path, work_folder::path_of("Main.SWF"));

  const std::string missing = outcome({"--movie", "other.swf"});
  EXPECT_NE(missing.find("check: settings: the saver plays \"other.swf\", which is not one of the "
                         "movie files given (intro.swf)"),
            std::string::npos)
      << missing;
  const std::string in_folder = outcome({"--movie", "pics/extra.swf"}, {intro_, dir_.file("pics")});
  EXPECT_NE(in_folder.find("a movie inside a folder cannot be the one the saver plays"),
            std::string::npos)
      << in_folder;
  const std::string none = outcome({}, {dir_.file("pics")});
  EXPECT_NE(none.find("no movie for the saver to play"), std::string::npos) << none;
}

TEST_F(BuilderSettingsTest, WrongOptionsGiveOneLine) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--quality", "HIGH"},
       "--quality: \"HIGH\" is not one of low, auto_low, auto_high, medium, high, best"},
      {{"--scale", "fit"}, "--scale: \"fit\" is not one of show_all, no_border, exact_fit"},
      {{"--left-mouse", "click"}, "--left-mouse: \"click\" is not one of drag, flash, ignore"},
      {{"--bgcolor", "red"}, "--bgcolor: \"red\" is not a colour written RRGGBB"},
      {{"--bgcolor", "12345"}, "--bgcolor: \"12345\" is not a colour"},
      {{"--bgcolor", "#1234567"}, "is not a colour"},
      {{"--bgcolor", "12345g"}, "is not a colour"},
      {{"--menu=yes"}, "option --menu takes no value"},
      {{"--movie="}, "--movie needs the name of one of the movie files"},
      {{"--no-quality"}, "unknown option --no-quality"},
  };
  for (const auto& [options, message] : cases) {
    const std::string result = outcome(options);
    EXPECT_NE(result.find(message), std::string::npos) << result;
    EXPECT_EQ(result.rfind("parse: ", 0), 0u) << result;
  }
  CommandLine line;
  std::string error;
  EXPECT_FALSE(saverbuild::parse_command_line({"build", "--quality"}, line, error));
  EXPECT_EQ(error, "option --quality needs a value (WORD)");
}

TEST_F(BuilderSettingsTest, ColoursAndLaterOptionsWin) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(parse({"--bgcolor", "0000FF", "--quality", "low", "--quality", "medium", "--menu",
                     "--no-menu", "--menu"},
                    line, error));
  saverbuild::complete_settings(line.build);
  SaverSettings s;
  read_back(line.build, s);
  EXPECT_EQ(s.main_window.background_colour, 16711680) << "blue in the top colour byte";
  EXPECT_EQ(s.main_window.quality, Quality::medium);
  EXPECT_TRUE(s.main_window.show_menu);

  CommandLine red;
  ASSERT_TRUE(parse({"--bgcolor=0xff0000"}, red, error));
  saverbuild::complete_settings(red.build);
  read_back(red.build, s);
  EXPECT_EQ(s.main_window.background_colour, 0xFF);
}

TEST_F(BuilderSettingsTest, HandWrittenFilesAreReadAsTheSaverReadsThem) {
  auto with_file = [&](const std::string& text) {
    return outcome({"--settings", dir_.write("settings.xml", text)}, {intro_, dir_.file("pics")});
  };
  EXPECT_EQ(with_file("<xml version=\"1.0\"><windows><window swf=\"INTRO.swf\"><sub_data>"
                      "<window swf=\"pics/extra.swf\" mask=\"pics\\round.png\"/></sub_data>"
                      "</window></windows></xml>"),
            "ok");

  std::string result =
      with_file("<xml version=\"1.0\">\n<windows><window swf=\"a&b\"/></windows></xml>");
  EXPECT_NE(result.find("settings.xml: the saver cannot read this as XML: line 2, column 24: '&'"),
            std::string::npos)
      << result;
  result = with_file(
      "<?xml version=\"1.0\"?><xml version=\"1.0\"><windows><window swf=\"intro.swf\"/>"
      "</windows></xml>");
  EXPECT_NE(result.find("settings error 3"), std::string::npos) << result;
  EXPECT_NE(result.find("no declaration"), std::string::npos) << result;
  result = with_file(settings_deeper_than_allowed());
  EXPECT_NE(result.find("settings error 8"), std::string::npos) << result;
  result = with_file("<xml version=\"1.0\"><windows><window/></windows></xml>");
  EXPECT_NE(result.find("no movie for the saver to play"), std::string::npos) << result;
  result = with_file(
      "<xml version=\"1.0\"><windows><window swf=\"intro.swf\"><sub_data><window window_name=\"w\" "
      "mask=\"shape.png\"/></sub_data></window></windows></xml>");
  EXPECT_NE(result.find("window \"w\" names \"shape.png\", which the saver does not carry"),
            std::string::npos)
      << result;

  result = outcome({"--title", "x", "--settings", dir_.write("s.xml", "<a/>")});
  EXPECT_NE(result.find("settings options cannot be combined with --settings FILE"),
            std::string::npos)
      << result;
  result = outcome({"--settings", dir_.file("absent.xml")});
  EXPECT_NE(result.find("absent.xml: cannot read settings file"), std::string::npos) << result;
}

TEST_F(BuilderSettingsTest, BuiltSaverCarriesTheWrittenSettings) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(
      parse({"--quality", "auto_high", "--title", "Every byte: \x01\t\x7F\x80\xFF"}, line, error));
  saverbuild::complete_settings(line.build);
  saverbuild::BuildSummary summary;
  ASSERT_TRUE(saverbuild::build_saver(line.build, summary, error)) << error;

  // Extract as the saver does and read the settings file with the platform's
  // reader: the real DOM when this runs on Windows.
  payload::PayloadReader reader;
  const std::string folder = dir_.file("extracted");
  ASSERT_TRUE(paths::create_folder(folder));
  reader.set_target_folder(folder);
  ASSERT_TRUE(reader.open(dir_.file("out.scr")));
  ASSERT_TRUE(reader.read_table());
  std::string settings_path;
  ASSERT_TRUE(reader.settings_path(settings_path));
  SaverSettings s;
  ASSERT_TRUE(s.load_settings(settings_path)) << s.settings_error;
  EXPECT_EQ(s.main_window.quality, Quality::auto_high);
  EXPECT_EQ(s.main_window.window_title, "Every byte: \x01\t\x7F\x80\xFF");
  EXPECT_EQ(s.main_window.movie_path, work_folder::path_of("intro.swf"));
}

TEST(BuilderSettingsUsage, HelpListsEveryOption) {
  const std::string help = saverbuild::usage_text();
  for (const char* option :
       {"--movie NAME", "--title TEXT", "--quality WORD", "--scale WORD", "--bgcolor RRGGBB",
        "--left-mouse WORD", "--right-mouse WORD", "--menu ", "--exit-on-escape",
        "--exit-on-mouse-move", "--exit-on-mouse-click", "--exit-on-key-press", "--hide-cursor"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  size_t start = 0;
  while (start < help.size()) {
    size_t end = help.find('\n', start);
    if (end == std::string::npos) end = help.size();
    EXPECT_LE(end - start, 100u) << help.substr(start, end - start);
    start = end + 1;
  }
}

}  // namespace
