#include "flashhost/player_instance.h"

namespace flashhost {

PlayerInstance* create_instance(PlayerView* view) {
  PlayerInstance* instance = new PlayerInstance();
  instance->view = view;
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
