// Menu: the movie builds drop-down menus on its window's menu bar
// ("MenuBar." objects) and items on the window's right-click menu
// ("MenuContext." objects), and hears of a chosen item through
// "onMenuCommand" with the names it gave.
#include <windows.h>

#include <map>
#include <string>

#include "api/window_namespaces.h"

namespace api {

namespace {

using bridge::ArgumentList;
using bridge::Result;

// Both counters are program-wide: menus and items of every window and every
// object draw from them, so a command id names one item in the program.
unsigned next_menu_id() {
  static unsigned counter = 5000;
  return ++counter;
}
unsigned next_item_id() {
  static unsigned counter = 5000;
  return ++counter;
}

constexpr size_t kMaxTitle = 255;

using ItemMap = std::map<unsigned, std::string>;  // command id -> text

// The first item (smallest id) whose text is `text`, or 0.
unsigned find_item(const ItemMap& items, const std::string& text) {
  for (const auto& item : items) {
    if (item.second == text) return item.first;
  }
  return 0;
}

bool append_item(HMENU menu, unsigned id, const std::string& text) {
  const int count = GetMenuItemCount(menu);
  if (count < 0) return false;
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_TYPE | MIIM_DATA;
  info.fType = MFT_STRING;
  info.wID = id;
  info.dwTypeData = const_cast<char*>(text.c_str());
  return InsertMenuItemA(menu, static_cast<UINT>(count), TRUE, &info) != 0;
}

bool append_separator(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  if (count < 0) return false;
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_TYPE;
  info.fType = MFT_SEPARATOR;
  return InsertMenuItemA(menu, static_cast<UINT>(count), TRUE, &info) != 0;
}

bool read_state(HMENU menu, unsigned id, UINT& state) {
  if (id == 0) return false;
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  if (!GetMenuItemInfoA(menu, id, FALSE, &info)) return false;
  state = info.fState;
  return true;
}

bool write_checked(HMENU menu, unsigned id, bool checked) {
  UINT state = 0;
  if (!read_state(menu, id, state)) return false;
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  info.fState = checked ? (state | MFS_CHECKED) : (state & ~static_cast<UINT>(MFS_CHECKED));
  return SetMenuItemInfoA(menu, id, FALSE, &info) != 0;
}

bool is_checked(HMENU menu, unsigned id) {
  UINT state = 0;
  return read_state(menu, id, state) && (state & MFS_CHECKED) != 0;
}

bool is_enabled(HMENU menu, unsigned id) {
  UINT state = 0;
  return read_state(menu, id, state) && (state & (MFS_GRAYED | MFS_DISABLED)) == 0;
}

// EnableMenuItem answers the previous state: 0 for an item that was
// enabled, -1 for a missing one; the method answers whether it was not 0.
bool set_enabled(HMENU menu, unsigned id, bool enabled) {
  if (id == 0) return false;
  return EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)) != 0;
}

void delete_all_items(HMENU menu) {
  for (int count = GetMenuItemCount(menu); count > 0; --count) {
    if (!DeleteMenu(menu, 0, MF_BYPOSITION)) break;
  }
}

struct DropDown {
  std::string title;
  unsigned menu_id = 0;
  HMENU popup = nullptr;
  ItemMap items;
};

struct MenuBarObject {
  std::map<std::string, DropDown> menus;  // by title, in byte order
};

struct ContextObject {
  ItemMap items;
};

class MenuNamespaceImpl : public MenuNamespace {
 public:
  MenuNamespaceImpl(const MenuTargets& targets, bridge::MovieCaller& movie)
      : targets_(targets), movie_(movie) {}
  ~MenuNamespaceImpl() override {
    for (auto& object : bars_) {
      for (auto& menu : object.second.menus) {
        // Menus still on the bar are destroyed with the bar's window.
        if (!on_bar(menu.second) && IsMenu(menu.second.popup)) DestroyMenu(menu.second.popup);
      }
    }
  }
  MenuNamespaceImpl(const MenuNamespaceImpl&) = delete;
  MenuNamespaceImpl& operator=(const MenuNamespaceImpl&) = delete;

  Result call(std::string_view method, const ArgumentList& arguments) override {
    if (bridge::take_prefix(method, "MenuBar.")) return menu_bar(method, arguments);
    if (bridge::take_prefix(method, "MenuContext.")) return context(method, arguments);
    return std::nullopt;
  }

  std::optional<std::pair<std::string, std::string>> find_command(unsigned command) const override {
    for (const auto& object : bars_) {
      for (const auto& menu : object.second.menus) {
        const auto item = menu.second.items.find(command);
        if (item != menu.second.items.end()) return std::make_pair(menu.first, item->second);
      }
    }
    for (const auto& object : contexts_) {
      const auto item = object.second.items.find(command);
      if (item != object.second.items.end()) return std::make_pair(object.first, item->second);
    }
    return std::nullopt;
  }

  bool menu_command(unsigned command) override {
    const auto found = find_command(command);
    if (!found) return false;
    const NPVariant arguments[2] = {bridge::string_variant(found->first),
                                    bridge::string_variant(found->second)};
    movie_.call_movie("onMenuCommand", arguments, 2);
    return true;
  }

 private:
  // Where `menu` sits on the window menu bar, or -1.
  int bar_position(const DropDown& menu) const {
    if (!targets_.menu_bar) return -1;
    const int count = GetMenuItemCount(targets_.menu_bar);
    for (int i = 0; i < count; ++i) {
      HMENU sub = GetSubMenu(targets_.menu_bar, i);
      if (!sub) continue;
      MENUINFO info{};
      info.cbSize = sizeof info;
      info.fMask = MIM_MENUDATA;
      if (GetMenuInfo(sub, &info) && info.dwMenuData == menu.menu_id) return i;
    }
    return -1;
  }
  bool on_bar(const DropDown& menu) const { return bar_position(menu) >= 0; }

  void redraw_bar() {
    if (targets_.menu_bar_window) DrawMenuBar(targets_.menu_bar_window);
  }

  bool add_menu(MenuBarObject& object, std::string title) {
    if (title.size() > kMaxTitle) title.resize(kMaxTitle);
    if (object.menus.count(title)) return false;
    DropDown menu;
    menu.title = title;
    menu.menu_id = next_menu_id();
    menu.popup = CreatePopupMenu();
    if (!menu.popup) return false;
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_MENUDATA;
    info.dwMenuData = menu.menu_id;
    if (!SetMenuInfo(menu.popup, &info) ||
        !AppendMenuA(targets_.menu_bar, MF_POPUP | MF_STRING,
                     reinterpret_cast<UINT_PTR>(menu.popup), title.c_str())) {
      DestroyMenu(menu.popup);
      return false;
    }
    redraw_bar();
    object.menus.emplace(title, std::move(menu));
    return true;
  }

  bool remove_menu(MenuBarObject& object, const std::string& title) {
    const auto found = object.menus.find(title);
    if (found == object.menus.end()) return false;
    const int position = bar_position(found->second);
    // DeleteMenu destroys the drop-down menu with its entry on the bar.
    if (position < 0 ||
        !DeleteMenu(targets_.menu_bar, static_cast<UINT>(position), MF_BYPOSITION)) {
      return false;
    }
    redraw_bar();
    if (IsMenu(found->second.popup)) DestroyMenu(found->second.popup);
    object.menus.erase(found);
    return true;
  }

  Result menu_bar(std::string_view method, const ArgumentList& arguments) {
    const std::string name(arguments.text(1));
    if (method == "new") {
      bars_.emplace(name, MenuBarObject());
      return std::nullopt;
    }
    const auto object_found = bars_.find(name);
    if (object_found == bars_.end()) return std::nullopt;
    MenuBarObject& object = object_found->second;
    // Without a menu bar the objects have nothing to act on.
    if (!targets_.menu_bar) return bridge::result_boolean(false);

    const std::string title = bridge::read_text(arguments, 2);
    if (method == "addMenu") return bridge::result_boolean(add_menu(object, title));
    if (method == "removeMenu") return bridge::result_boolean(remove_menu(object, title));
    if (method == "removeAllMenus") {
      std::vector<std::string> titles;
      for (const auto& menu : object.menus) titles.push_back(menu.first);
      for (const std::string& t : titles) remove_menu(object, t);
      return bridge::result_boolean(true);
    }

    const auto menu_found = object.menus.find(title);
    DropDown* menu = menu_found == object.menus.end() ? nullptr : &menu_found->second;
    if (method == "addSeparator") {
      if (!menu) return bridge::result_boolean(false);
      next_item_id();  // a separator of a drop-down menu uses up one item id
      return bridge::result_boolean(append_separator(menu->popup));
    }
    if (method == "removeAllItems") {
      if (!menu) return bridge::result_boolean(false);
      delete_all_items(menu->popup);
      menu->items.clear();
      return bridge::result_boolean(true);
    }
    const std::string text = bridge::read_text(arguments, 3);
    if (method == "addItem") {
      if (!menu) return bridge::result_boolean(false);
      const unsigned id = next_item_id();
      if (!append_item(menu->popup, id, text)) return bridge::result_boolean(false);
      menu->items[id] = text;
      return bridge::result_boolean(true);
    }
    return item_method(method, menu ? menu->popup : nullptr, menu ? &menu->items : nullptr, text,
                       std::nullopt);
  }

  // The item methods both kinds of object share: "removeItem", "checkItem",
  // "uncheckItem", "itemIsChecked", "enableItem", "disableItem",
  // "itemIsEnabled". `flag` is the context methods' third argument.
  Result item_method(std::string_view method, HMENU popup, ItemMap* items, const std::string& text,
                     std::optional<bool> flag) {
    const unsigned id = items ? find_item(*items, text) : 0;
    if (method == "removeItem") {
      if (!popup || id == 0 || !RemoveMenu(popup, id, MF_BYCOMMAND)) {
        return bridge::result_boolean(false);
      }
      items->erase(id);
      return bridge::result_boolean(true);
    }
    if (method == "checkItem") {
      return bridge::result_boolean(popup && write_checked(popup, id, flag.value_or(true)));
    }
    if (method == "uncheckItem")
      return bridge::result_boolean(popup && write_checked(popup, id, false));
    if (method == "itemIsChecked") return bridge::result_boolean(popup && is_checked(popup, id));
    if (method == "enableItem") {
      return bridge::result_boolean(popup && set_enabled(popup, id, flag.value_or(true)));
    }
    if (method == "disableItem")
      return bridge::result_boolean(popup && set_enabled(popup, id, false));
    if (method == "itemIsEnabled") return bridge::result_boolean(popup && is_enabled(popup, id));
    return std::nullopt;
  }

  Result context(std::string_view method, const ArgumentList& arguments) {
    const std::string name(arguments.text(1));
    HMENU menu = targets_.context_menu;
    if (method == "new") {
      if (!menu) return bridge::result_boolean(false);
      contexts_.emplace(name, ContextObject());
      return std::nullopt;
    }
    const auto found = contexts_.find(name);
    if (found == contexts_.end()) return std::nullopt;
    if (!menu) return bridge::result_boolean(false);
    ContextObject& object = found->second;

    if (method == "addSeparator") return bridge::result_boolean(append_separator(menu));
    if (method == "removeAllItems") {
      delete_all_items(menu);
      object.items.clear();
      return bridge::result_boolean(true);
    }
    const std::string text = bridge::read_text(arguments, 2);
    if (method == "addItem") {
      const unsigned id = next_item_id();
      if (!append_item(menu, id, text)) return bridge::result_boolean(false);
      object.items[id] = text;
      return bridge::result_boolean(true);
    }
    std::optional<bool> flag;
    if (method == "checkItem" || method == "enableItem") flag = bridge::read_flag(arguments, 3);
    return item_method(method, menu, &object.items, text, flag);
  }

  MenuTargets targets_;
  bridge::MovieCaller& movie_;
  std::map<std::string, MenuBarObject> bars_;
  std::map<std::string, ContextObject> contexts_;
};

}  // namespace

std::unique_ptr<MenuNamespace> make_menu_namespace(const MenuTargets& targets,
                                                   bridge::MovieCaller& movie) {
  return std::make_unique<MenuNamespaceImpl>(targets, movie);
}

MenuNamespace* install_menu_and_dll_namespaces(bridge::Dispatcher& dispatcher,
                                               const MenuTargets& targets,
                                               bridge::MovieCaller& movie) {
  std::unique_ptr<MenuNamespace> menu = make_menu_namespace(targets, movie);
  MenuNamespace* handler = menu.get();
  dispatcher.set_handler(bridge::Namespace::kMenu, std::move(menu));
  dispatcher.set_handler(bridge::Namespace::kDll, make_dll_namespace());
  return handler;
}

}  // namespace api
