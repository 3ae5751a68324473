// flash.geom: Point, Rectangle, Matrix, ColorTransform and Transform.
#include "avm1/engine.h"

namespace avm1 {

void install_geom_builtins(Engine&) {}

}  // namespace avm1
