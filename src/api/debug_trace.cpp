// Debug: a trace line on the process's standard output.
#include "api/namespaces.h"

namespace api {

namespace {

class DebugNamespace : public bridge::NamespaceHandler {
 public:
  explicit DebugNamespace(std::FILE* out) : out_(out) {}

  bridge::Result call(std::string_view method, const bridge::ArgumentList& arguments) override {
    if (method == "trace") {
      const std::string text = bridge::read_text(arguments, 1);
      // A program without a console has no usable stream: the trace goes nowhere.
      if (out_) {
        std::fprintf(out_, "%s\n", text.c_str());
        std::fflush(out_);
      }
    }
    return std::nullopt;
  }

 private:
  std::FILE* out_;
};

}  // namespace

std::unique_ptr<bridge::NamespaceHandler> make_debug_namespace(std::FILE* out) {
  return std::make_unique<DebugNamespace>(out);
}

}  // namespace api
