#include "flashhost/player_library.h"

namespace flashhost {

namespace {
PlayerLibrary* g_current_library = nullptr;
}

PlayerLibrary* current_library() { return g_current_library; }
void set_current_library(PlayerLibrary* library) { g_current_library = library; }

}  // namespace flashhost
