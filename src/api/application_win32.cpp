// Application: where the program lives, and ending its message loop. The
// window operations exist for the movie's sake and do nothing here; movies
// use the Window namespace for them.
#include <windows.h>

#include "api/namespaces.h"
#include "common/paths.h"

namespace api {

namespace {

using bridge::Result;

class ApplicationNamespace : public bridge::NamespaceHandler {
 public:
  Result call(std::string_view method, const bridge::ArgumentList&) override {
    if (method == "bounceDockIcon") return std::nullopt;
    if (method == "getFolder") {
      return bridge::result_text(paths::folder_part(program_file()), true);
    }
    if (method == "getFullPath") return bridge::result_text(program_file(), true);
    if (method == "quit") {
      PostQuitMessage(0);
      return std::nullopt;
    }
    // "bringToFront", "sendToBack", "maximize", "minimize", "restore" and
    // unknown names alike: no result.
    return std::nullopt;
  }

 private:
  static std::string program_file() { return paths::resolve(paths::program_path()); }
};

}  // namespace

std::unique_ptr<bridge::NamespaceHandler> make_application_namespace() {
  return std::make_unique<ApplicationNamespace>();
}

}  // namespace api
