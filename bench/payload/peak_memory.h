// The most memory the process has held resident so far, in bytes.
#pragma once

#include <cstdint>

uint64_t peak_resident_bytes();
