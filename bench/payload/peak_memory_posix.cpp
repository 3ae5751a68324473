#include <sys/resource.h>

#include "peak_memory.h"

uint64_t peak_resident_bytes() {
  struct rusage usage;
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // reported in kilobytes
}
