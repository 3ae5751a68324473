#include <windows.h>
// (psapi.h needs windows.h first)
#include <psapi.h>

#include "peak_memory.h"

uint64_t peak_resident_bytes() {
  PROCESS_MEMORY_COUNTERS counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}
