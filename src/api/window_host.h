// Gives a player window the namespaces that act on windows: Window over the
// application's window set, Menu over the window's menus (its menu
// commands routed to the Menu handler) and DLL. The other namespaces come
// from install_namespaces (api/namespaces.h).
#pragma once

namespace flashhost {
class PlayerWindow;
class PlayerWindowSet;
}  // namespace flashhost

namespace api {

// The menu bar the Menu namespace fills is the main window's when the set
// has one open, else the window's own; the context menu is the window's.
// `windows` must outlive the window's dispatcher.
void install_window_namespaces(flashhost::PlayerWindow& window,
                               flashhost::PlayerWindowSet& windows);

}  // namespace api
