// The desktop API namespaces this module answers: Application, Clipboard,
// Debug, Dialogs, FileSystem (with its File. handles), Network, Registry and
// System. Each factory makes one handler object, which keeps that
// namespace's state for as long as its dispatcher lives.
#pragma once

#include <cstdio>
#include <memory>

#include "api/api_context.h"
#include "bridge/dispatcher.h"

namespace api {

// Installs every namespace above into `dispatcher`. `context` must outlive
// the dispatcher.
void install_namespaces(bridge::Dispatcher& dispatcher, ApiContext& context);

std::unique_ptr<bridge::NamespaceHandler> make_application_namespace();
std::unique_ptr<bridge::NamespaceHandler> make_clipboard_namespace();
// Traces go to `out` (the process's standard output in a real run).
std::unique_ptr<bridge::NamespaceHandler> make_debug_namespace(std::FILE* out = stdout);
std::unique_ptr<bridge::NamespaceHandler> make_dialogs_namespace(ApiContext& context);
std::unique_ptr<bridge::NamespaceHandler> make_file_system_namespace();
// The system error code of the last FileSystem.deleteFile that failed, kept
// for the process (0 until one fails).
unsigned long last_delete_file_error();
std::unique_ptr<bridge::NamespaceHandler> make_network_namespace(ApiContext& context);
std::unique_ptr<bridge::NamespaceHandler> make_registry_namespace();
std::unique_ptr<bridge::NamespaceHandler> make_system_namespace(ApiContext& context);

}  // namespace api
