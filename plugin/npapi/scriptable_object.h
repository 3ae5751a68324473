// The instance's scriptable object (NPPVpluginScriptableNPObject): the host
// invokes the functions the movie published, by name.
#pragma once

#include "core/callbacks.h"
#include "flashhost/npapi.h"

namespace npfp {

// What the object's owner does around every call into the movie: it stays
// alive through the call, even when the host destroys the instance from
// inside it (leave may then free the owner).
class CallGuard {
 public:
  virtual void enter() = 0;
  virtual void leave() = 0;

 protected:
  ~CallGuard() = default;
};

// Made through the host's NPN_CreateObject (reference count 1, the
// instance's own reference). Invocations go to `callbacks`, inside
// `guard`'s enter and leave (either may be null).
NPObject* create_scriptable_object(NPP npp, CallbackRegistry* callbacks, CallGuard* guard);
// Cuts the object off the instance that is going away; later invocations
// answer false.
void detach_scriptable_object(NPObject* object);

}  // namespace npfp
