// The instance's scriptable object (NPPVpluginScriptableNPObject): the host
// invokes the functions the movie published, by name.
#pragma once

#include "core/callbacks.h"
#include "flashhost/npapi.h"

namespace npfp {

// Made through the host's NPN_CreateObject (reference count 1, the
// instance's own reference). Invocations go to `callbacks`.
NPObject* create_scriptable_object(NPP npp, CallbackRegistry* callbacks);
// Cuts the object off the instance that is going away; later invocations
// answer false.
void detach_scriptable_object(NPObject* object);

}  // namespace npfp
