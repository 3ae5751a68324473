// Comparing canvases with expected pictures, with a tolerance per channel;
// failing pictures are written as PNG into the build folder for inspection.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "render/canvas.h"

namespace render_test {

// Writes a canvas as an RGBA PNG (unpremultiplied). True on success.
bool write_png(const render::Canvas& canvas, const std::string& path);
// The path in the build folder where a test's pictures go.
std::string output_path(const std::string& name);

// Counts pixels whose channels differ from the expected premultiplied value by
// more than `tolerance`; on a mismatch writes NAME-actual.png and NAME-expected.png.
int count_mismatches(const render::Canvas& actual,
                     const std::function<uint32_t(int x, int y)>& expected, int tolerance,
                     const std::string& name);

// Channel accessors for premultiplied pixels.
inline int alpha_of(uint32_t p) { return int(p >> 24); }
inline int red_of(uint32_t p) { return int((p >> 16) & 0xFF); }
inline int green_of(uint32_t p) { return int((p >> 8) & 0xFF); }
inline int blue_of(uint32_t p) { return int(p & 0xFF); }

}  // namespace render_test
