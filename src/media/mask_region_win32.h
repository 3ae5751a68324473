// Window regions from mask images: every pure white pixel of the picture is
// cut out of the window's rectangle. Windows-only (the decoding itself is the
// portable mask_image.h).
#pragma once

#include <windows.h>

#include <string>

#include "media/mask_image.h"

namespace media {

// Loads the mask image at `path` (PNG or BMP by the extension, compared
// without regard to case) and answers its region, with the top row of the
// picture at y = 0; the caller owns the region (DeleteObject). Null when the
// extension is neither, the image does not load or the region is refused.
HRGN load_mask_region(const std::string& path);

// The region of `mask`: its full rectangle minus the white pixels, built
// from the row runs of kept pixels (region data, not one region operation
// per pixel). Null when refused.
HRGN region_from_runs(const MaskImage& mask);

// The same region built the slow way, one region operation per white pixel.
// Kept only to check the run method against it and to time the two.
HRGN region_per_pixel(const MaskImage& mask);

}  // namespace media
