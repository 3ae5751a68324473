// Feeds arbitrary bytes to everything that reads movie-controlled text: the
// call-text cutter, Base64, the argument readers, temp-variable scripts and
// the dispatcher's request kinds. Checks the invariants the host relies on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/base64.h"
#include "bridge/dispatcher.h"
#include "bridge/invoke_protocol.h"
#include "bridge/script_evaluation.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

class QuietHost : public bridge::DispatcherHost {
 public:
  void call_movie(const char*, const NPVariant* arguments, uint32_t count) override {
    for (uint32_t i = 0; i < count; ++i) (void)bridge::variant_text(arguments[i]).size();
  }
  bool load_url_data(const std::string& url, const char* body, std::size_t length,
                     std::string& answer) override {
    answer = url;
    if (body) answer.append(body, length);
    return !url.empty();
  }
  std::string main_window_name() override { return "MainWindow"; }
  std::vector<std::string> child_window_names() override { return {"a", "b"}; }
};

void check_base64(std::string_view bytes) {
  const std::string encoded = bridge::base64_encode(bytes);
  require(encoded.size() == bridge::base64_encoded_length(bytes.size()));
  require(bridge::base64_decode(encoded) == bytes);
  const std::string decoded = bridge::base64_decode(bytes);
  require(decoded.size() <= (bytes.size() + 3) / 4 * 3);
  require(decoded.c_str()[decoded.size()] == '\0');
}

void check_readers(std::string_view text) {
  (void)bridge::parse_integer(text);
  (void)bridge::parse_real(text);
  const bool flag = bridge::parse_flag(text);
  require(!flag || text.size() == 4);
  // A record whose length runs past its NUL, and one that is not terminated:
  // the readers must stay inside the record either way.
  std::vector<char> unterminated(text.begin(), text.end());
  const NPVariant record =
      bridge::string_variant(std::string_view(unterminated.data(), unterminated.size()));
  const bridge::ArgumentList arguments(&record, 1);
  require(arguments.text(1).size() <= text.size());
  require(arguments.bytes(1).size() == text.size());
  (void)bridge::read_text(arguments, 1);
  (void)bridge::read_integer(arguments, 1);
  (void)bridge::read_real(arguments, 1);
  (void)bridge::read_decoded_flag(arguments, 1);
  require(bridge::read_text(arguments, 2).empty());
}

void check_call_text(const std::string& script) {
  bridge::CallText call;
  if (!bridge::cut_call_text(script, call)) return;
  require(call.name.find('(') == std::string::npos);
  for (const std::string& argument : call.arguments) {
    require(argument.find(',') == std::string::npos);
    require(argument.find(')') == std::string::npos);
  }
}

void check_evaluation(const std::string& script, bridge::Dispatcher& dispatcher) {
  const bridge::HostCall host_call = [&](const std::string& name,
                                         const bridge::OwnedArguments& arguments) {
    uint32_t length = 0;
    bridge::Result result = dispatcher.dispatch(name, arguments.list(), &length);
    return result;
  };
  (void)bridge::evaluate_script(script, host_call);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check_base64(bytes);
  check_readers(bytes);

  const std::string as_call = std::string(bridge::kCallTextPrefix) + std::string(bytes);
  const std::string as_temp = std::string(bridge::kTempVariablePrefix) + std::string(bytes);
  check_call_text(std::string(bytes));
  check_call_text(as_call);
  std::string unescaped;
  if (bridge::read_temp_variable(as_temp, unescaped)) require(unescaped.size() < size);

  QuietHost host;
  bridge::Dispatcher dispatcher(host);
  check_evaluation(as_call, dispatcher);
  check_evaluation(as_temp, dispatcher);
  // The pieces as a request sequence too.
  bridge::CallText call;
  if (bridge::cut_call_text(as_call, call)) {
    const bridge::OwnedArguments arguments(call.arguments);
    for (const char* kind : {":request1", ":request2", ":postData", ":request", ":post"}) {
      (void)dispatcher.dispatch(kind, arguments.list());
    }
    require(dispatcher.request_text().size() >= bridge::invoke_text("", "", "").size());
    (void)bridge::invoke_text(call.name, arguments.variants(), arguments.count());
  }
  return 0;
}
