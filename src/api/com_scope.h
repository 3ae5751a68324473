// COM for the length of one API call, for the Win32 namespace files: the
// shell's link object and folder browser need it, and the calling thread
// may not have initialised it. Balanced only when this call initialised it
// (also when it was already initialised, which the system counts).
#pragma once

#include <objbase.h>

namespace api {

class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

}  // namespace api
