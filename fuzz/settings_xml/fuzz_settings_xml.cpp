// Reads arbitrary bytes as a settings text with the portable parser and the
// settings walk. Besides the sanitizers' checks: a text that loads must give a
// record that the writer turns into a text reading back to the same record,
// and no window may lie deeper than the nesting limit.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/portable_xml.h"
#include "settings/settings.h"
#include "settings/settings_writer.h"
#include "settings/xml_value.h"

namespace {

void check(bool condition) {
  if (!condition) abort();
}

int depth_of(const WindowSettings& w) {
  int deepest = 0;
  for (const auto& child : w.children) {
    const int d = depth_of(*child);
    if (d > deepest) deepest = d;
  }
  return deepest + 1;
}

// Every field but the window index, which a rewrite renumbers in tree order.
bool same_window(const WindowSettings& a, const WindowSettings& b) {
  if (a.movie_path != b.movie_path || a.window_name != b.window_name ||
      a.window_title != b.window_title || a.mask_path != b.mask_path || a.x != b.x || a.y != b.y ||
      a.width != b.width || a.height != b.height || a.width_percent != b.width_percent ||
      a.height_percent != b.height_percent || a.window_type != b.window_type ||
      a.window_style != b.window_style || a.size_mode != b.size_mode || a.centered != b.centered ||
      a.has_minimize != b.has_minimize || a.has_maximize != b.has_maximize ||
      a.has_close != b.has_close || a.resizable != b.resizable || a.visible != b.visible ||
      a.has_menu != b.has_menu || a.full_screen != b.full_screen ||
      a.right_mouse_action != b.right_mouse_action || a.left_mouse_action != b.left_mouse_action ||
      a.exit_on_escape != b.exit_on_escape || a.use_background_colour != b.use_background_colour ||
      a.background_colour != b.background_colour || a.quality != b.quality ||
      a.scale_mode != b.scale_mode || a.show_menu != b.show_menu ||
      a.children.size() != b.children.size()) {
    return false;
  }
  for (size_t i = 0; i < a.children.size(); ++i) {
    if (a.children[i]->parent != &a || !same_window(*a.children[i], *b.children[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  check(xml_value::unescape_value(xml_value::escape_attribute(text)) == text);

  PortableXmlDocument document;
  if (!document.load_text(text)) {
    check(!document.error_message().empty());
    return 0;
  }
  SaverSettings settings;
  const bool read = settings.read_document(document);
  check(read == (settings.settings_error == 0));
  check(depth_of(settings.main_window) <= kMaxWindowDepth);
  if (!read) return 0;

  PortableXmlDocument rewritten;
  check(rewritten.load_text(settings_text(settings)));
  SaverSettings again;
  check(again.read_document(rewritten));
  check(again.exit_on_mouse_move == settings.exit_on_mouse_move &&
        again.exit_on_mouse_click == settings.exit_on_mouse_click &&
        again.exit_on_key_press == settings.exit_on_key_press &&
        again.hide_mouse_cursor == settings.hide_mouse_cursor);
  check(same_window(settings.main_window, again.main_window));
  return 0;
}
