#include <windows.h>

#include <cstring>

#include "flashhost/browser_functions.h"
#include "flashhost/player_library.h"

namespace flashhost {

namespace {

// The entry points are meant to be __stdcall, but some plug-ins export them
// as __cdecl. Calling through a saved stack pointer restores the stack
// either way.
#if defined(__i386__)
NPError call_entry(void* entry, void* argument) {
  NPError result;
  __asm__ __volatile__(
      "movl %%esp, %%esi\n\t"
      "pushl %2\n\t"
      "call *%1\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(result)
      : "r"(entry), "r"(argument)
      : "esi", "ecx", "edx", "memory", "cc");
  return result;
}
NPError call_entry(void* entry) {
  NPError result;
  __asm__ __volatile__(
      "movl %%esp, %%esi\n\t"
      "call *%1\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(result)
      : "r"(entry)
      : "esi", "ecx", "edx", "memory", "cc");
  return result;
}
#else
NPError call_entry(void* entry, void* argument) {
  return reinterpret_cast<NPError(NP_CALLBACK*)(void*)>(entry)(argument);
}
NPError call_entry(void* entry) { return reinterpret_cast<NPError(NP_CALLBACK*)()>(entry)(); }
#endif

void* symbol(HMODULE module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}

}  // namespace

PlayerLibrary* PlayerLibrary::load(const std::string& path, std::string& failure) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) {
    failure = "Unable to load Flash player library";
    return nullptr;
  }
  void* disable_local_security = symbol(module, "Flash_DisableLocalSecurity");
  void* get_entry_points = symbol(module, "NP_GetEntryPoints");
  void* initialize = symbol(module, "NP_Initialize");
  void* shutdown = symbol(module, "NP_Shutdown");
  if (!disable_local_security || !get_entry_points || !initialize) {
    failure = "Unable to retrieve Flash player init symbols";
    return nullptr;
  }
  call_entry(disable_local_security);

  PlayerLibrary* library = new PlayerLibrary();
  std::memset(library, 0, sizeof *library);
  library->module = module;
  library->shutdown = reinterpret_cast<NP_ShutdownFunc>(shutdown);
  library->functions.size = NP_PLUGIN_FUNCS_SIZE;
  if (call_entry(get_entry_points, &library->functions) != NPERR_NO_ERROR) {
    failure = "Unable to retrieve Flash player function table";
    delete library;
    return nullptr;
  }
  const NPNetscapeFuncs* browser = &browser_functions();
  if (call_entry(initialize, const_cast<NPNetscapeFuncs*>(browser)) != NPERR_NO_ERROR) {
    failure = "Unable to initialize Flash player";
    delete library;
    return nullptr;
  }
  failure.clear();
  return library;
}

void PlayerLibrary::unload(PlayerLibrary* library) {
  if (!library) return;
  if (library->shutdown) call_entry(reinterpret_cast<void*>(library->shutdown));
  FreeLibrary(static_cast<HMODULE>(library->module));
  if (current_library() == library) set_current_library(nullptr);
  delete library;
}

}  // namespace flashhost
