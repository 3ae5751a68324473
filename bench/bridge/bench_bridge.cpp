// Figures for the movie-to-host value protocol: Base64 throughput, and the
// time of one whole call round trip (call text in, result text out) with a
// large text argument.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bridge/base64.h"
#include "bridge/dispatcher.h"
#include "bridge/script_evaluation.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string random_bytes(std::size_t length) {
  std::mt19937 generator(11);
  std::string bytes(length, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

// Best of several runs, in bytes of plain data per second.
template <typename Work>
double best_throughput(std::size_t plain_bytes, Work work) {
  double best = 0;
  for (int run = 0; run < 7; ++run) {
    const Clock::time_point start = Clock::now();
    work();
    best = std::max(best, static_cast<double>(plain_bytes) / seconds_since(start));
  }
  return best;
}

class NoHost : public bridge::DispatcherHost {
 public:
  void call_movie(const char*, const NPVariant*, uint32_t) override {}
  bool load_url_data(const std::string&, const char*, std::size_t, std::string&) override {
    return false;
  }
  std::string main_window_name() override { return "MainWindow"; }
  std::vector<std::string> child_window_names() override { return {}; }
};

// A namespace method of the usual shape: decode a text argument, answer it
// as an encoded text.
class EchoNamespace : public bridge::NamespaceHandler {
 public:
  bridge::Result call(std::string_view method, const bridge::ArgumentList& arguments) override {
    if (method != "echo") return std::nullopt;
    return bridge::result_text(bridge::read_text(arguments, 1), true);
  }
};

void base64_figures() {
  const std::size_t kPlain = 64u << 20;
  const std::string plain = random_bytes(kPlain);
  std::string encoded;
  std::string decoded;

  // The codec itself: output storage reused, as a caller that keeps its
  // buffer sees it.
  const double encode_rate = best_throughput(kPlain, [&] {
    encoded.clear();
    bridge::base64_encode_append(plain, encoded);
  });
  const double decode_rate =
      best_throughput(kPlain, [&] { bridge::base64_decode_into(encoded, decoded); });
  // A fresh result every time: the allocator's first touch of new pages counts.
  const double fresh_encode_rate =
      best_throughput(kPlain, [&] { encoded = bridge::base64_encode(plain); });
  const double fresh_decode_rate =
      best_throughput(kPlain, [&] { decoded = bridge::base64_decode(encoded); });
  if (decoded != plain) {
    std::printf("base64 round trip FAILED\n");
    std::exit(1);
  }
  std::printf("base64 encode: %.2f GB/s into a reused buffer, %.2f GB/s into a new one\n",
              encode_rate / 1e9, fresh_encode_rate / 1e9);
  std::printf("base64 decode: %.2f GB/s into a reused buffer, %.2f GB/s into a new one\n",
              decode_rate / 1e9, fresh_decode_rate / 1e9);
  std::printf("  (64 MB of plain bytes, best of 7; target 1 GB/s each)\n");
}

void round_trip_figures() {
  const std::size_t kArgument = 10u << 20;
  const std::string plain = random_bytes(kArgument);
  const std::string script = std::string(bridge::kCallTextPrefix) + "System.echo(\"" +
                             bridge::base64_encode(plain) +
                             "\")) ; } catch (e) { \"<undefined/>\"; }";
  NoHost host;
  bridge::Dispatcher dispatcher(host);
  dispatcher.set_handler(bridge::Namespace::kSystem, std::make_unique<EchoNamespace>());
  const bridge::HostCall host_call = [&](const std::string& name,
                                         const bridge::OwnedArguments& arguments) {
    return dispatcher.dispatch(name, arguments.list());
  };

  std::vector<double> times;
  std::size_t answer_length = 0;
  for (int run = 0; run < 9; ++run) {
    const Clock::time_point start = Clock::now();
    bridge::ScriptAnswer answer = bridge::evaluate_script(script, host_call);
    // The bridge hands the plug-in its own copy of the answer.
    char* copy = static_cast<char*>(std::malloc(answer.text.size() + 1));
    std::memcpy(copy, answer.text.c_str(), answer.text.size() + 1);
    times.push_back(seconds_since(start));
    answer_length = answer.text.size();
    std::free(copy);
    if (answer.kind != bridge::ScriptAnswer::kString ||
        answer.text.compare(8, answer.text.size() - 17, script, script.find('"') + 1,
                            answer.text.size() - 17) != 0) {
      std::printf("round trip answered the wrong text\n");
      std::exit(1);
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("call round trip, 10 MB text argument (%zu-byte call text, %zu-byte answer):\n",
              script.size(), answer_length);
  std::printf("  median %.1f ms, best %.1f ms over %zu runs (target under 50 ms)\n",
              times[times.size() / 2] * 1e3, times[0] * 1e3, times.size());
}

}  // namespace

int main() {
  base64_figures();
  round_trip_figures();
  return 0;
}
