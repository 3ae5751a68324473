// The one process-wide loaded Flash player library and its NPAPI tables.
#pragma once

#include <string>

#include "flashhost/npapi.h"

namespace flashhost {

struct PlayerLibrary {
  // The plug-in function table as NP_GetEntryPoints filled it. The spare
  // bytes after it take the longer table of newer NPAPI revisions, so a
  // plug-in that writes more than 60 bytes cannot run over the record.
  NPPluginFuncs functions;
  unsigned char functions_spare[32];
  void* module;  // HMODULE
  NP_ShutdownFunc shutdown;

  // Loads the module at `path`, binds its entry points and exchanges the
  // tables. On failure answers null and sets `failure` to the reason.
  static PlayerLibrary* load(const std::string& path, std::string& failure);
  // Calls NP_Shutdown when present, unloads the module, frees the record.
  // Only after every instance has been destroyed. Null is ignored.
  static void unload(PlayerLibrary* library);
};

// The process-wide library every instance uses; null until the caller stores
// a loaded one.
PlayerLibrary* current_library();
void set_current_library(PlayerLibrary* library);

}  // namespace flashhost
