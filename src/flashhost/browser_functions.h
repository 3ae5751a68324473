// The browser function table the host hands the plug-in, and the allocator
// behind NPN_MemAlloc and NPN_MemFree.
#pragma once

#include <cstdint>

#include "flashhost/npapi.h"

namespace flashhost {

// What NPN_UserAgent answers.
extern const char kUserAgent[];

// The static table: size 164, version 14, the 40 entries in NPAPI order.
const NPNetscapeFuncs& browser_functions();

// The process heap: everything the plug-in is to free, and everything the
// host frees on its behalf, goes through these two.
void* host_alloc(uint32_t size);
void host_free(void* pointer);

}  // namespace flashhost
