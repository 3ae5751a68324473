#include "api/namespaces.h"

namespace api {

void install_namespaces(bridge::Dispatcher& dispatcher, ApiContext& context) {
  using bridge::Namespace;
  dispatcher.set_handler(Namespace::kApplication, make_application_namespace());
  dispatcher.set_handler(Namespace::kClipboard, make_clipboard_namespace());
  dispatcher.set_handler(Namespace::kDebug, make_debug_namespace());
  dispatcher.set_handler(Namespace::kDialogs, make_dialogs_namespace(context));
  dispatcher.set_handler(Namespace::kFileSystem, make_file_system_namespace());
  dispatcher.set_handler(Namespace::kNetwork, make_network_namespace(context));
  dispatcher.set_handler(Namespace::kRegistry, make_registry_namespace());
  dispatcher.set_handler(Namespace::kSystem, make_system_namespace(context));
}

}  // namespace api
