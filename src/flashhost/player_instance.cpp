#include "flashhost/player_instance.h"

#include "flashhost/player_library.h"

namespace flashhost {

PlayerInstance* create_instance(PlayerView* view) {
  PlayerInstance* instance = new PlayerInstance();
  instance->view = view;
  instance->library = current_library();
  instance->npp.ndata = instance;
  set_default_parameters(instance->parameters);
  return instance;
}

void set_parameter(PlayerInstance* instance, const std::string& name, const std::string& value) {
  if (instance) instance->parameters.set(name, value);
}

void attach(PlayerInstance* instance, HostCallHandler handler, CallContext* context) {
  if (!instance) return;
  instance->host_call_handler = handler;
  instance->call_context = context;
}

PlayerInstance* instance_of(NPP npp) {
  return npp ? static_cast<PlayerInstance*>(npp->ndata) : nullptr;
}

}  // namespace flashhost

namespace flashhost {

PlayerLibrary* library_of(NPP npp) {
  PlayerInstance* instance = instance_of(npp);
  if (instance && instance->library) return instance->library;
  return current_library();
}

}  // namespace flashhost
