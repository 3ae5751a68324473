#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "common/paths.h"
#include "native/settings/settings_cases.h"
#include "payload/work_folder.h"
#include "settings/portable_xml.h"
#include "settings/settings_writer.h"
#include "support/temp_dir.h"

namespace {

using settings_cases::expect_same_settings;

std::unique_ptr<XmlDocument> portable() { return std::make_unique<PortableXmlDocument>(); }

TEST(SettingsPortable, EveryCase) {
  testing_support::TempDir folder;
  for (const settings_cases::Case& c : settings_cases::all_cases()) {
    SaverSettings settings;
    settings_cases::run_case(c, portable, folder, settings);
  }
}

// A document that loads but has no nodes: the walk's second failure.
class EmptyDocument : public XmlDocument {
 public:
  bool load(const std::string&) override { return true; }
  bool first_child(std::unique_ptr<XmlNode>&) const override { return false; }
};

TEST(SettingsErrors, CodesAndTexts) {
  SaverSettings settings;
  EmptyDocument empty;
  EXPECT_FALSE(settings.load_settings("any", empty));
  EXPECT_EQ(settings.settings_error, 2);

  testing_support::TempDir folder;
  PortableXmlDocument document;
  EXPECT_FALSE(settings.load_settings(folder.file("missing.xml"), document));
  EXPECT_EQ(settings.settings_error, 1);
  EXPECT_TRUE(settings.load_settings(
      folder.write("ok.xml", "<xml version=\"1.0\"><windows/></xml>"), document));
  EXPECT_EQ(settings.settings_error, 0) << "a new load clears the error";

  EXPECT_NE(std::string(settings_error_text(1)).find("XML"), std::string::npos);
  EXPECT_NE(std::string(settings_error_text(3)).find("<xml version=\"1.0\">"), std::string::npos);
  EXPECT_NE(std::string(settings_error_text(8)).find("64"), std::string::npos);
  EXPECT_STRNE(settings_error_text(2), settings_error_text(99));
}

TEST(SettingsRecords, ResetRestoresEveryDefault) {
  std::mt19937 random(3);
  SaverSettings changed;
  settings_cases::fill_random_settings(changed, random);
  changed.settings_error = 8;
  ASSERT_FALSE(changed.main_window.children.empty() &&
               changed.main_window.window_title == "Window");
  changed.reset();
  SaverSettings fresh;
  expect_same_settings(changed, fresh);
  EXPECT_EQ(fresh.main_window.window_name, "MainWindow");
  EXPECT_TRUE(fresh.main_window.visible);
  EXPECT_EQ(fresh.main_window.parent, nullptr);

  WindowSettings window;
  EXPECT_EQ(window.window_name, "") << "only the main window has a name by default";
  EXPECT_FALSE(window.visible);
  EXPECT_EQ(window.x, 20);
  EXPECT_EQ(window.y, 60);
  EXPECT_EQ(window.width, 320);
  EXPECT_EQ(window.height, 240);
  EXPECT_EQ(window.width_percent, 100);
  EXPECT_EQ(window.height_percent, 100);
  EXPECT_EQ(window.movie_width, 100);
  EXPECT_EQ(window.movie_height, 100);
  EXPECT_TRUE(window.has_minimize && window.has_maximize && window.has_close);
  EXPECT_FALSE(window.resizable || window.has_menu || window.full_screen);
  EXPECT_TRUE(window.exit_on_escape && window.show_menu);
  EXPECT_FALSE(window.use_background_colour);
  EXPECT_EQ(window.background_colour, 0);
}

TEST(SettingsRecords, ChildrenAndLookup) {
  SaverSettings settings;
  WindowSettings& main = settings.main_window;
  WindowSettings* a = main.add_child();
  a->window_name = "a";
  WindowSettings* b = main.add_child();
  b->window_name = "b";
  WindowSettings* deep = a->add_child();
  deep->window_name = "deep";
  WindowSettings* twin = main.add_child();
  twin->window_name = "b";

  EXPECT_EQ(a->parent, &main);
  EXPECT_EQ(deep->parent, a);
  EXPECT_EQ(main.find_window("MainWindow"), &main);
  EXPECT_EQ(main.find_window("b"), b) << "the first child of that name";
  EXPECT_EQ(main.find_window("deep"), nullptr) << "direct children only";
  EXPECT_EQ(main.find_window("A"), nullptr) << "case-sensitive";
  EXPECT_EQ(main.find_window(""), nullptr);

  a->reset();
  EXPECT_TRUE(a->children.empty()) << "reset destroys the children";
  EXPECT_EQ(a->parent, &main) << "but keeps the window in its tree";
  main.window_name = "b";
  EXPECT_EQ(main.find_window("b"), &main) << "the main window comes first";
}

// An uncompressed movie header with the given frame rectangle in twips.
std::string movie_header(int32_t x_min, int32_t x_max, int32_t y_min, int32_t y_max) {
  const int bits = 17;
  std::vector<bool> stream;
  auto put = [&](uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) stream.push_back((value >> i) & 1);
  };
  put(bits, 5);
  for (int32_t v : {x_min, x_max, y_min, y_max}) put(static_cast<uint32_t>(v), bits);
  std::string rect((stream.size() + 7) / 8, '\0');
  for (size_t i = 0; i < stream.size(); ++i) {
    if (stream[i]) rect[i / 8] = static_cast<char>(rect[i / 8] | (0x80 >> (i % 8)));
  }
  std::string movie = "FWS\x0A" + std::string(4, '\0') + rect + "\x00\x18\x01\x00";
  movie += std::string("\x40\x00\x00\x00", 4);  // an End tag
  const uint32_t length = static_cast<uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) movie[4 + i] = static_cast<char>(length >> (8 * i));
  return movie;
}

TEST(SettingsRecords, SetMovieTakesTheFrameSize) {
  testing_support::TempDir folder;
  const std::string movie = folder.write("m.swf", movie_header(0, 11000, 0, 8000));
  const std::string wide = folder.write("wide.swf", movie_header(-200, 11000, 10, 8019));

  WindowSettings w;
  ASSERT_TRUE(w.set_movie(movie));
  EXPECT_EQ(w.movie_path, movie);
  EXPECT_EQ(w.movie_width, 550);
  EXPECT_EQ(w.movie_height, 400);
  EXPECT_EQ(w.width, 550) << "the default size mode follows the movie";
  EXPECT_EQ(w.height, 400);

  w.set_size_mode(SizeMode::custom);
  w.width = 10;
  ASSERT_TRUE(w.set_movie(wide));
  EXPECT_EQ(w.movie_width, 560);
  EXPECT_EQ(w.movie_height, 400) << "7 twips short of 401 pixels";
  EXPECT_EQ(w.width, 10) << "a custom size stays";
  EXPECT_EQ(w.movie_path, wide);

  EXPECT_FALSE(w.set_movie(folder.file("missing.swf")));
  EXPECT_FALSE(w.set_movie(folder.write("bad.swf", "not a movie at all")));
  EXPECT_EQ(w.movie_path, wide) << "a failed read changes nothing";
  EXPECT_EQ(w.movie_width, 560);

  w.set_size_mode(SizeMode::screen_percent);
  EXPECT_EQ(w.width, 10);
  w.set_size_mode(SizeMode::swf_size);
  EXPECT_EQ(w.width, 560);
  EXPECT_EQ(w.height, 400);
  w.set_visible(false);
  w.set_has_menu(true);
  EXPECT_FALSE(w.visible);
  EXPECT_TRUE(w.has_menu);
}

TEST(SettingsRecords, SetMovieKeepsTheStoredSpellingOfTheSamePath) {
  testing_support::TempDir folder;
  const std::string movie = folder.write("Movie.swf", movie_header(0, 200, 0, 400));
  WindowSettings w;
  w.movie_path = folder.file("MOVIE.SWF");
  ASSERT_TRUE(w.set_movie(movie));
  EXPECT_EQ(w.movie_path, folder.file("MOVIE.SWF")) << "the same path ignoring case";
  EXPECT_EQ(w.movie_width, 10);
  EXPECT_EQ(w.movie_height, 20);
}

TEST(SettingsLoad, PlatformDocumentReadsTheSettingsFileInTheWorkFolder) {
  // As at start-up: "fp.dat" in a named work folder, movies beside it.
  const std::string name =
      "settings_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed());
  work_folder::set_name(name);
  ASSERT_TRUE(work_folder::create());
  const std::string path = work_folder::path_of("fp.dat");
  {
    std::ofstream out(path, std::ios::binary);
    out << settings_cases::document(" hide_mouse_cursor=\"false\"",
                                    "<window swf=\"intro.swf\" window_title=\"T\"/>");
  }
  SaverSettings settings;
  const bool loaded = settings.load_settings(path);
  const bool deleted = paths::delete_file(path);
  std::error_code ignored;
  std::filesystem::remove(std::filesystem::u8path(work_folder::path()), ignored);
  work_folder::set_name("");
  ASSERT_TRUE(loaded) << settings.settings_error;
  EXPECT_TRUE(deleted) << "the reader let go of the file";
  EXPECT_FALSE(settings.hide_mouse_cursor);
  EXPECT_EQ(settings.main_window.window_title, "T");
  EXPECT_EQ(settings.main_window.movie_path,
            paths::join(paths::join(paths::temp_folder(), name), "intro.swf"));
}

TEST(SettingsWriter, RandomRecordsSurviveTheTrip) {
  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SaverSettings written;
    settings_cases::fill_random_settings(written, random);
    const std::string text = settings_text(written);
    PortableXmlDocument document;
    ASSERT_TRUE(document.load_text(text)) << document.error_message();
    SaverSettings read;
    ASSERT_TRUE(read.read_document(document));
    expect_same_settings(written, read);
    if (HasFailure()) {
      ADD_FAILURE() << text;
      break;
    }
  }
}

TEST(SettingsWriter, EveryByteAndLongTextsInATitle) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::mt19937 random(5);
  const std::vector<std::string> titles = {all, std::string(100000, '\xE9') + all,
                                           settings_cases::random_bytes(random, 200000), ""};
  for (const std::string& title : titles) {
    SaverSettings written;
    written.main_window.window_title = title;
    PortableXmlDocument document;
    ASSERT_TRUE(document.load_text(settings_text(written))) << document.error_message();
    SaverSettings read;
    ASSERT_TRUE(read.read_document(document));
    EXPECT_EQ(read.main_window.window_title, title);
  }
}

TEST(SettingsWriter, TextHasTheExpectedShape) {
  SaverSettings s;
  s.exit_on_key_press = false;
  s.main_window.movie_path = work_folder::path_of("intro.swf");
  s.main_window.quality = Quality::best;
  WindowSettings* child = s.main_window.add_child();
  child->window_name = "tool & co";
  child->mask_path = work_folder::path_of("masks/round.png");
  const std::string text = settings_text(s);
  EXPECT_EQ(text.rfind("<xml version=\"1.0\">\n  <windows exit_on_mouse_move=\"true\" "
                       "exit_on_mouse_click=\"true\" exit_on_key_press=\"false\" "
                       "hide_mouse_cursor=\"true\">\n    <window\n        swf=\"intro.swf\"\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\n        flash_quality=\"best\""), std::string::npos);
  EXPECT_NE(text.find("      <sub_data>\n        <window\n"), std::string::npos);
  EXPECT_NE(text.find("window_name=\"tool &amp; co\""), std::string::npos);
  EXPECT_EQ(text.find("mask="), text.rfind("mask=")) << "no mask, no attribute";
  EXPECT_NE(text.find("mask=\"masks/round.png\""), std::string::npos)
      << "the name the path was made from";
  EXPECT_EQ(text.substr(text.size() - 34), "    </window>\n  </windows>\n</xml>\n");
}

}  // namespace
