// Settings texts and what reading them must give, shared by the portable
// parser's tests and the Windows tests that run them through the real DOM.
// Each test executable includes this header once.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "payload/work_folder.h"
#include "settings/settings.h"
#include "settings/xml_document.h"
#include "settings/xml_value.h"
#include "support/temp_dir.h"

namespace settings_cases {

using DocumentFactory = std::function<std::unique_ptr<XmlDocument>()>;

struct Case {
  std::string name;
  std::string text;
  bool loads;
  int32_t error;
  std::function<void(const SaverSettings&)> check;  // may be empty
};

inline std::string document(const std::string& windows_attributes, const std::string& inside) {
  return "<xml version=\"1.0\"><windows" + windows_attributes + ">" + inside + "</windows></xml>";
}

// A main window holding `levels` - 1 windows nested through "sub_data".
inline std::string nested_windows(int levels) {
  std::string open, close;
  for (int i = 0; i < levels; ++i) {
    open += i == 0 ? "<window window_name=\"w0\">"
                   : "<sub_data><window window_name=\"w" + std::to_string(i) + "\">";
    close = (i == 0 ? "</window>" : "</window></sub_data>") + close;
  }
  return document("", open + close);
}

inline int depth_of(const WindowSettings& w) {
  int depth = 1;
  for (const WindowSettings* p = &w; !p->children.empty(); p = p->children.front().get()) ++depth;
  return depth;
}

// One window per word of an enumeration, nested in order under the main
// window, each with the attribute set to its word.
inline std::string one_window_per_word(const char* attribute,
                                       const std::vector<std::string>& words) {
  std::string windows;
  for (const std::string& w : words) {
    windows += std::string("<window ") + attribute + "=\"" + w + "\"/>";
  }
  return document("", "<window><sub_data>" + windows + "</sub_data></window>");
}

template <typename Enumeration>
std::function<void(const SaverSettings&)> expect_words(Enumeration WindowSettings::*field,
                                                       size_t count) {
  return [field, count](const SaverSettings& s) {
    ASSERT_EQ(s.main_window.children.size(), count);
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(static_cast<int>((*s.main_window.children[i]).*field), static_cast<int>(i))
          << "word " << i;
    }
  };
}

inline std::vector<Case> all_cases() {
  std::vector<Case> cases;
  auto add = [&](std::string name, std::string text, bool loads, int32_t error,
                 std::function<void(const SaverSettings&)> check = nullptr) {
    cases.push_back(Case{std::move(name), std::move(text), loads, error, std::move(check)});
  };

  add("DefaultsFromEmptyWindow", document("", "<window/>"), true, 0, [](const SaverSettings& s) {
    EXPECT_TRUE(s.exit_on_mouse_move);
    EXPECT_TRUE(s.exit_on_mouse_click);
    EXPECT_TRUE(s.exit_on_key_press);
    EXPECT_TRUE(s.hide_mouse_cursor);
    const WindowSettings& w = s.main_window;
    EXPECT_EQ(w.window_name, "MainWindow");
    EXPECT_TRUE(w.visible);
    EXPECT_EQ(w.movie_path, "");
    EXPECT_EQ(w.window_title, "Window");
    EXPECT_EQ(w.quality, Quality::high);
    EXPECT_EQ(w.scale_mode, ScaleMode::show_all);
    EXPECT_EQ(w.left_mouse_action, MouseAction::flash);
    EXPECT_EQ(w.right_mouse_action, MouseAction::flash);
    EXPECT_EQ(w.size_mode, SizeMode::swf_size);
    EXPECT_EQ(w.window_index, 0);
    EXPECT_TRUE(w.children.empty());
  });

  add("EntityInTitle", document("", "<window window_title=\"A&amp;B\"/>"), true, 0,
      [](const SaverSettings& s) { EXPECT_EQ(s.main_window.window_title, "A&B"); });

  add("EscapedLineFeedAndHighByte",
      document("", "<window window_title=\"" + xml_value::escape_attribute("l1\nl2\xE9") + "\"/>"),
      true, 0, [](const SaverSettings& s) { EXPECT_EQ(s.main_window.window_title, "l1\nl2\xE9"); });

  add("FlagWords",
      document(
          " exit_on_mouse_move=\"FALSE\" exit_on_mouse_click=\"0\" hide_mouse_cursor=\"yes\"",
          "<window window_has_menu=\"True\" exit_on_escape=\"1\" window_fullscreen=\"TRUE\"/>"),
      true, 0, [](const SaverSettings& s) {
        EXPECT_FALSE(s.exit_on_mouse_move);
        EXPECT_FALSE(s.exit_on_mouse_click);
        EXPECT_TRUE(s.exit_on_key_press) << "absent keeps its default";
        EXPECT_FALSE(s.hide_mouse_cursor) << "only true counts as true";
        EXPECT_TRUE(s.main_window.has_menu);
        EXPECT_FALSE(s.main_window.exit_on_escape);
        EXPECT_TRUE(s.main_window.full_screen);
      });

  add("Integers",
      document("",
               "<window window_x=\"-15\" window_y=\" 42xyz\" window_width=\"0x1F\" "
               "window_height=\"abc\" window_width_percent=\"99999999999\" "
               "window_height_percent=\"+7\" flash_bgcolor=\"16711680\"/>"),
      true, 0, [](const SaverSettings& s) {
        const WindowSettings& w = s.main_window;
        EXPECT_EQ(w.x, -15);
        EXPECT_EQ(w.y, 42);
        EXPECT_EQ(w.width, 0) << "decimal only";
        EXPECT_EQ(w.height, 0);
        EXPECT_EQ(w.width_percent, 2147483647);
        EXPECT_EQ(w.height_percent, 7);
        EXPECT_EQ(w.background_colour, 0x00FF0000) << "blue in the top colour byte";
      });

  add("EmptyValue", document("", "<window window_title=\"\" window_name=\"\"/>"), true, 0,
      [](const SaverSettings& s) {
        EXPECT_EQ(s.main_window.window_title, "");
        EXPECT_EQ(s.main_window.window_name, "");
      });

  add("TwoMainWindowElements",
      document("",
               "<window window_title=\"first\" "
               "flash_quality=\"best\"><sub_data><window/></sub_data></window>"
               "<window window_title=\"second\" "
               "flash_quality=\"HIGH\"><sub_data><window/></sub_data></window>"),
      true, 0, [](const SaverSettings& s) {
        EXPECT_EQ(s.main_window.window_title, "second");
        EXPECT_EQ(s.main_window.quality, Quality::best) << "enumerations are case-sensitive";
        EXPECT_EQ(s.main_window.window_index, 2) << "the index of the last parse";
        ASSERT_EQ(s.main_window.children.size(), 2u) << "nested windows of both are kept";
        EXPECT_EQ(s.main_window.children[0]->window_index, 1);
        EXPECT_EQ(s.main_window.children[1]->window_index, 3);
      });

  add("TwoPlainMainWindowElements",
      document("", "<window window_title=\"a\"/><window window_title=\"b\"/>"), true, 0,
      [](const SaverSettings& s) {
        EXPECT_EQ(s.main_window.window_title, "b");
        EXPECT_EQ(s.main_window.window_index, 1);
        EXPECT_TRUE(s.main_window.children.empty());
      });

  add("NestedWindow",
      document("",
               "<window><sub_data><window window_name=\"child\"><sub_data><window "
               "window_name=\"grandchild\"/>"
               "</sub_data></window><window window_name=\"second\"/></sub_data></window>"),
      true, 0, [](const SaverSettings& s) {
        const WindowSettings& m = s.main_window;
        ASSERT_EQ(m.children.size(), 2u);
        const WindowSettings& child = *m.children[0];
        EXPECT_EQ(child.window_name, "child");
        EXPECT_EQ(child.parent, &m);
        EXPECT_EQ(child.window_index, 1);
        EXPECT_FALSE(child.visible) << "only the main window is visible by default";
        ASSERT_EQ(child.children.size(), 1u);
        EXPECT_EQ(child.children[0]->window_index, 2);
        EXPECT_EQ(child.children[0]->parent, &child);
        EXPECT_EQ(m.children[1]->window_index, 3);
        EXPECT_EQ(m.children[1]->parent, &m);
      });

  add("MovieAndMaskInWorkFolder",
      document("",
               "<window swf=\"movie.swf\" mask=\"shape.png\"><sub_data><window swf=\"\" mask=\"\"/>"
               "</sub_data></window>"),
      true, 0, [](const SaverSettings& s) {
        EXPECT_EQ(s.main_window.movie_path, work_folder::path_of("movie.swf"));
        EXPECT_EQ(s.main_window.mask_path, work_folder::path_of("shape.png"));
        ASSERT_EQ(s.main_window.children.size(), 1u);
        EXPECT_EQ(s.main_window.children[0]->movie_path, "") << "an empty name means no movie";
        EXPECT_EQ(s.main_window.children[0]->mask_path, "");
      });

  add("EveryWindowAttribute",
      document(
          "",
          "<window swf=\"a.swf\" window_name=\"n\" window_title=\"t\" mask=\"m.bmp\" "
          "window_x=\"1\" window_y=\"2\" window_width=\"3\" window_height=\"4\" "
          "window_width_percent=\"5\" window_height_percent=\"6\" window_type=\"transparent\" "
          "window_style=\"noborder\" window_size=\"screen_percent\" window_position=\"center\" "
          "window_has_minimize=\"false\" window_has_maximize=\"false\" window_has_close=\"false\" "
          "window_is_resizable=\"true\" window_is_visible=\"false\" window_has_menu=\"true\" "
          "window_fullscreen=\"true\" right_mouse_action=\"custom_menu\" "
          "left_mouse_action=\"drag\" "
          "exit_on_escape=\"false\" use_flash_bgcolor=\"true\" flash_bgcolor=\"255\" "
          "flash_quality=\"low\" flash_scale=\"exact_fit\" flash_show_menu=\"false\"/>"),
      true, 0, [](const SaverSettings& s) {
        const WindowSettings& w = s.main_window;
        EXPECT_EQ(w.movie_path, work_folder::path_of("a.swf"));
        EXPECT_EQ(w.window_name, "n");
        EXPECT_EQ(w.window_title, "t");
        EXPECT_EQ(w.mask_path, work_folder::path_of("m.bmp"));
        EXPECT_EQ(w.x, 1);
        EXPECT_EQ(w.y, 2);
        EXPECT_EQ(w.width, 3);
        EXPECT_EQ(w.height, 4);
        EXPECT_EQ(w.width_percent, 5);
        EXPECT_EQ(w.height_percent, 6);
        EXPECT_EQ(w.window_type, WindowType::transparent);
        EXPECT_EQ(w.window_style, WindowStyle::noborder);
        EXPECT_EQ(w.size_mode, SizeMode::screen_percent);
        EXPECT_EQ(w.centered, WindowPosition::center);
        EXPECT_FALSE(w.has_minimize);
        EXPECT_FALSE(w.has_maximize);
        EXPECT_FALSE(w.has_close);
        EXPECT_TRUE(w.resizable);
        EXPECT_FALSE(w.visible);
        EXPECT_TRUE(w.has_menu);
        EXPECT_TRUE(w.full_screen);
        EXPECT_EQ(w.right_mouse_action, MouseAction::custom_menu);
        EXPECT_EQ(w.left_mouse_action, MouseAction::drag);
        EXPECT_FALSE(w.exit_on_escape);
        EXPECT_TRUE(w.use_background_colour);
        EXPECT_EQ(w.background_colour, 255);
        EXPECT_EQ(w.quality, Quality::low);
        EXPECT_EQ(w.scale_mode, ScaleMode::exact_fit);
        EXPECT_FALSE(w.show_menu);
      });

  add("WindowTypeWords", one_window_per_word("window_type", settings_words::window_type), true, 0,
      expect_words(&WindowSettings::window_type, 3));
  add("WindowStyleWords", one_window_per_word("window_style", settings_words::window_style), true,
      0, expect_words(&WindowSettings::window_style, 4));
  add("SizeModeWords",
      one_window_per_word("window_size", {"swf_size", "swf_size", "screen_percent"}), true, 0,
      [](const SaverSettings& s) {
        ASSERT_EQ(s.main_window.children.size(), 3u);
        EXPECT_EQ(s.main_window.children[2]->size_mode, SizeMode::screen_percent);
      });
  add("CustomSizeWord", document("", "<window window_size=\"custom\"/>"), true, 0,
      [](const SaverSettings& s) { EXPECT_EQ(s.main_window.size_mode, SizeMode::custom); });
  add("PositionWords", one_window_per_word("window_position", settings_words::window_position),
      true, 0, expect_words(&WindowSettings::centered, 2));
  add("RightMouseWords", one_window_per_word("right_mouse_action", settings_words::mouse_action),
      true, 0, expect_words(&WindowSettings::right_mouse_action, 4));
  add("LeftMouseWords", one_window_per_word("left_mouse_action", settings_words::mouse_action),
      true, 0, expect_words(&WindowSettings::left_mouse_action, 4));
  add("QualityWords", one_window_per_word("flash_quality", settings_words::quality), true, 0,
      expect_words(&WindowSettings::quality, 6));
  add("ScaleWords", one_window_per_word("flash_scale", settings_words::scale_mode), true, 0,
      expect_words(&WindowSettings::scale_mode, 3));

  add("UnknownWordsChangeNothing",
      document("",
               "<window flash_quality=\"medium\" flash_scale=\"no_border\"/>"
               "<window flash_quality=\"Medium\" flash_scale=\" no_border\" window_type=\"\" "
               "left_mouse_action=\"DRAG\"/>"),
      true, 0, [](const SaverSettings& s) {
        EXPECT_EQ(s.main_window.quality, Quality::medium);
        EXPECT_EQ(s.main_window.scale_mode, ScaleMode::no_border);
        EXPECT_EQ(s.main_window.window_type, WindowType::standard);
        EXPECT_EQ(s.main_window.left_mouse_action, MouseAction::flash);
      });

  add("WordThroughCharacterReference", document("", "<window flash_quality=\"&#x68;ig&#104;\"/>"),
      true, 0, [](const SaverSettings& s) { EXPECT_EQ(s.main_window.quality, Quality::high); });

  add("OtherNodesAreSkipped",
      "<xml version=\"1.0\"><!-- note --><other window_title=\"x\"><window "
      "window_title=\"no\"/></other>"
      "text<?pi data?><windows exit_on_key_press=\"false\">\n  <!-- c -->"
      "<![CDATA[ x ]]>words<window window_title=\"yes\"><window window_title=\"not nested\"/>"
      "<sub_data>t<?window?><!-- x --><sub_data><window/></sub_data></sub_data></window>"
      "</windows><windows hide_mouse_cursor=\"false\"/></xml>",
      true, 0, [](const SaverSettings& s) {
        EXPECT_EQ(s.main_window.window_title, "yes");
        EXPECT_FALSE(s.exit_on_key_press);
        EXPECT_FALSE(s.hide_mouse_cursor) << "a second windows element is read too";
        // The processing instruction named "window" counts as a window without
        // attributes, as the DOM names it so.
        ASSERT_EQ(s.main_window.children.size(), 1u);
        EXPECT_EQ(s.main_window.children[0]->window_title, "Window");
        EXPECT_EQ(s.main_window.children[0]->window_index, 1);
      });

  add("WindowsWithoutWindow", document(" exit_on_mouse_move=\"false\"", ""), true, 0,
      [](const SaverSettings& s) {
        EXPECT_FALSE(s.exit_on_mouse_move);
        EXPECT_EQ(s.main_window.window_name, "MainWindow");
      });

  add("Depth64Loads", nested_windows(kMaxWindowDepth), true, 0,
      [](const SaverSettings& s) { EXPECT_EQ(depth_of(s.main_window), 64); });
  add("Depth65IsError8", nested_windows(kMaxWindowDepth + 1), false, 8,
      [](const SaverSettings& s) { EXPECT_EQ(depth_of(s.main_window), 64) << "no deeper record"; });
  add("Depth120IsError8", nested_windows(120), false, 8);
  add("ThousandsOfNestedWindowsAreRefused", nested_windows(5000), false, 1);

  add("MalformedText", document("", "<window>"), false, 1);
  add("LoneAmpersand", document("", "<window window_title=\"a&b\"/>"), false, 1);
  add("UpperCaseReferenceX", document("", "<window window_title=\"&#X41;\"/>"), false, 1);
  add("NotUtf8", document("", "<window window_title=\"\xE9\"/>"), false, 1);
  add("EmptyText", "", false, 1);
  add("TopWithoutChildren", "<xml version=\"1.0\"/>", false, 3);
  add("TopWithBlanksOnly", "<xml version=\"1.0\">\n  \t</xml>", false, 3);
  add("DeclarationComesFirst", "<?xml version=\"1.0\"?>\n" + document("", "<window/>"), false, 3);
  add("CommentComesFirst", "<!-- settings -->" + document("", "<window/>"), false, 3);
  add("ByteOrderMarkIsNoNode", "\xEF\xBB\xBF" + document("", "<window window_title=\"\xC3\xA9\"/>"),
      true, 0, [](const SaverSettings& s) { EXPECT_EQ(s.main_window.window_title, "\xE9"); });
  add("TopElementNameIsNotChecked", "<settings><windows hide_mouse_cursor=\"false\"/></settings>",
      true, 0, [](const SaverSettings& s) { EXPECT_FALSE(s.hide_mouse_cursor); });
  add("LineEndsInValuesBecomeSpaces", document("", "<window window_title='a\tb\r\nc&#10;d\"e'/>"),
      true, 0,
      [](const SaverSettings& s) { EXPECT_EQ(s.main_window.window_title, "a b c\nd\"e"); });
  return cases;
}

// Compares two window trees field by field (the window index too when asked).
inline void expect_same_window(const WindowSettings& a, const WindowSettings& b,
                               bool compare_index = true, const std::string& where = "main") {
  SCOPED_TRACE("window " + where);
  EXPECT_EQ(a.movie_path, b.movie_path);
  EXPECT_EQ(a.window_name, b.window_name);
  EXPECT_EQ(a.window_title, b.window_title);
  EXPECT_EQ(a.mask_path, b.mask_path);
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  EXPECT_EQ(a.width_percent, b.width_percent);
  EXPECT_EQ(a.height_percent, b.height_percent);
  EXPECT_EQ(a.window_type, b.window_type);
  EXPECT_EQ(a.window_style, b.window_style);
  EXPECT_EQ(a.size_mode, b.size_mode);
  EXPECT_EQ(a.centered, b.centered);
  EXPECT_EQ(a.has_minimize, b.has_minimize);
  EXPECT_EQ(a.has_maximize, b.has_maximize);
  EXPECT_EQ(a.has_close, b.has_close);
  EXPECT_EQ(a.resizable, b.resizable);
  EXPECT_EQ(a.visible, b.visible);
  EXPECT_EQ(a.has_menu, b.has_menu);
  EXPECT_EQ(a.full_screen, b.full_screen);
  EXPECT_EQ(a.right_mouse_action, b.right_mouse_action);
  EXPECT_EQ(a.left_mouse_action, b.left_mouse_action);
  EXPECT_EQ(a.exit_on_escape, b.exit_on_escape);
  EXPECT_EQ(a.use_background_colour, b.use_background_colour);
  EXPECT_EQ(a.background_colour, b.background_colour);
  EXPECT_EQ(a.quality, b.quality);
  EXPECT_EQ(a.scale_mode, b.scale_mode);
  EXPECT_EQ(a.show_menu, b.show_menu);
  EXPECT_EQ(a.movie_width, b.movie_width);
  EXPECT_EQ(a.movie_height, b.movie_height);
  if (compare_index) {
    EXPECT_EQ(a.window_index, b.window_index);
  }
  EXPECT_EQ(a.parent == nullptr, b.parent == nullptr);
  ASSERT_EQ(a.children.size(), b.children.size());
  for (size_t i = 0; i < a.children.size(); ++i) {
    EXPECT_EQ(a.children[i]->parent, &a);
    EXPECT_EQ(b.children[i]->parent, &b);
    expect_same_window(*a.children[i], *b.children[i], compare_index,
                       where + "/" + std::to_string(i));
  }
}

inline void expect_same_settings(const SaverSettings& a, const SaverSettings& b,
                                 bool compare_index = true) {
  EXPECT_EQ(a.hide_mouse_cursor, b.hide_mouse_cursor);
  EXPECT_EQ(a.settings_error, b.settings_error);
  EXPECT_EQ(a.exit_on_mouse_move, b.exit_on_mouse_move);
  EXPECT_EQ(a.exit_on_mouse_click, b.exit_on_mouse_click);
  EXPECT_EQ(a.exit_on_key_press, b.exit_on_key_press);
  expect_same_window(a.main_window, b.main_window, compare_index);
}

// Random records for writer-to-reader round trips. Texts hold any byte but
// NUL; file names hold no separator; indexes follow parse order.
inline std::string random_bytes(std::mt19937& random, size_t max_length) {
  std::string text(random() % (max_length + 1), ' ');
  for (char& c : text) c = static_cast<char>(1 + random() % 255);
  return text;
}

inline std::string random_file_name(std::mt19937& random) {
  static const std::string kAllowed = "abcXYZ019_-. &'\"<>\x80\xA0\xE9\xFF";
  std::string name(1 + random() % 20, ' ');
  for (char& c : name) c = kAllowed[random() % kAllowed.size()];
  return name + ".swf";
}

template <typename Enumeration>
Enumeration random_word(std::mt19937& random, const std::vector<std::string>& words) {
  return static_cast<Enumeration>(random() % words.size());
}

inline void fill_random_window(WindowSettings& w, std::mt19937& random, int depth,
                               int32_t& next_index) {
  auto flag = [&] { return random() % 2 == 1; };
  auto number = [&] { return static_cast<int32_t>(random()); };
  w.movie_path = random() % 3 ? work_folder::path_of(random_file_name(random)) : "";
  w.window_name = random_bytes(random, 12);
  w.window_title = random_bytes(random, 40);
  w.mask_path = random() % 3 ? "" : work_folder::path_of(random_file_name(random));
  w.x = number();
  w.y = number();
  w.width = number();
  w.height = number();
  w.width_percent = number();
  w.height_percent = number();
  w.window_type = random_word<WindowType>(random, settings_words::window_type);
  w.window_style = random_word<WindowStyle>(random, settings_words::window_style);
  w.size_mode = random_word<SizeMode>(random, settings_words::size_mode);
  w.centered = random_word<WindowPosition>(random, settings_words::window_position);
  w.has_minimize = flag();
  w.has_maximize = flag();
  w.has_close = flag();
  w.resizable = flag();
  w.visible = flag();
  w.has_menu = flag();
  w.full_screen = flag();
  w.right_mouse_action = random_word<MouseAction>(random, settings_words::mouse_action);
  w.left_mouse_action = random_word<MouseAction>(random, settings_words::mouse_action);
  w.exit_on_escape = flag();
  w.use_background_colour = flag();
  w.background_colour = number();
  w.quality = random_word<Quality>(random, settings_words::quality);
  w.scale_mode = random_word<ScaleMode>(random, settings_words::scale_mode);
  w.show_menu = flag();
  w.window_index = next_index++;
  if (depth < 3) {
    const int children = static_cast<int>(random() % 3);
    for (int i = 0; i < children; ++i)
      fill_random_window(*w.add_child(), random, depth + 1, next_index);
  }
}

inline void fill_random_settings(SaverSettings& s, std::mt19937& random) {
  s.reset();
  s.exit_on_mouse_move = random() % 2 == 1;
  s.exit_on_mouse_click = random() % 2 == 1;
  s.exit_on_key_press = random() % 2 == 1;
  s.hide_mouse_cursor = random() % 2 == 1;
  int32_t next_index = 0;
  fill_random_window(s.main_window, random, 1, next_index);
}

// Loads a case's text from a file with a fresh document and checks it.
inline void run_case(const Case& c, const DocumentFactory& make_document,
                     const testing_support::TempDir& folder, SaverSettings& settings) {
  SCOPED_TRACE(c.name);
  const std::string path = folder.write(c.name + ".xml", c.text);
  std::unique_ptr<XmlDocument> document = make_document();
  EXPECT_EQ(settings.load_settings(path, *document), c.loads) << document->error_message();
  EXPECT_EQ(settings.settings_error, c.error);
  if (c.check) c.check(settings);
}

}  // namespace settings_cases
