// The browser's function table as NP_Initialize handed it over, and small
// wrappers that check each entry before calling it (a host may leave
// entries empty).
#pragma once

#include <string>

#include "flashhost/npapi.h"

namespace npfp {

// A copy of the host's table; entries beyond the size it gave stay empty.
NPNetscapeFuncs& browser();

void* browser_alloc(uint32_t size);
void browser_free(void* p);
// A string in memory from the host's allocator (for variants handed over).
char* browser_strdup(const std::string& s);
// The name of an identifier, empty when the host knows none.
std::string browser_identifier_name(NPIdentifier id);
void browser_invalidate(NPP npp, uint16_t width, uint16_t height);

}  // namespace npfp
