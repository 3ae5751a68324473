// DLL: the movie opens native libraries by path and names functions of them
// with typed parameters. The libraries are loaded and the functions looked
// up, but no native call is made: how values would travel to and from an
// arbitrary function is not settled, so every "call" answers false.
#include <windows.h>

#include <map>
#include <string>

#include "api/window_namespaces.h"
#include "common/paths.h"

namespace api {

namespace {

using bridge::ArgumentList;
using bridge::Result;

// Library ids are program-wide: the first library opened anywhere gets 1.
int32_t next_library_id() {
  static int32_t counter = 0;
  return ++counter;
}

class DllNamespaceImpl : public DllNamespace {
 public:
  DllNamespaceImpl() = default;
  ~DllNamespaceImpl() override {
    for (auto& entry : libraries_) FreeLibrary(entry.second);
  }
  DllNamespaceImpl(const DllNamespaceImpl&) = delete;
  DllNamespaceImpl& operator=(const DllNamespaceImpl&) = delete;

  Result call(std::string_view method, const ArgumentList& arguments) override {
    if (method == "open") return open(bridge::read_text(arguments, 1));
    if (method == "close") return std::nullopt;
    if (method == "call") return call_function(arguments);
    if (method == "addParam") return std::nullopt;
    return std::nullopt;
  }

  const CallRecord& last_call() const override { return last_call_; }

 private:
  std::string open(const std::string& library) {
    const std::string path = paths::resolve(library);
    HMODULE module = path.empty() ? nullptr : LoadLibraryA(path.c_str());
    if (!module) return bridge::result_integer(0);
    const int32_t id = next_library_id();
    libraries_[id] = module;
    return bridge::result_integer(id);
  }

  std::string call_function(const ArgumentList& arguments) {
    CallRecord record;
    const uint32_t pairs = arguments.count() >= 2 ? (arguments.count() - 2) / 2 : 0;
    for (uint32_t i = 0; i < pairs; ++i) {
      record.parameters.push_back(
          make_dll_parameter(arguments.text(3 + 2 * i), arguments.text(4 + 2 * i)));
    }
    const auto found = libraries_.find(bridge::read_integer(arguments, 1));
    if (found != libraries_.end()) {
      record.library_found = true;
      const std::string function(arguments.text(2));
      record.function_found = GetProcAddress(found->second, function.c_str()) != nullptr;
    }
    last_call_ = std::move(record);
    return bridge::result_boolean(false);
  }

  std::map<int32_t, HMODULE> libraries_;
  CallRecord last_call_;
};

}  // namespace

std::unique_ptr<DllNamespace> make_dll_namespace() { return std::make_unique<DllNamespaceImpl>(); }

}  // namespace api
