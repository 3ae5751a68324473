// The API dispatcher of a player host: every call the movie makes and every
// request of the player's own glue arrives here as a name and an argument
// list, and is routed to the request kinds (names that begin with ":") or by
// its namespace prefix to one namespace handler.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/invoke_protocol.h"

namespace bridge {

// A call's answer: a result text, or none.
using Result = std::optional<std::string>;

// Calls a function the movie has published; its result is not wanted.
class MovieCaller {
 public:
  virtual ~MovieCaller() = default;
  virtual void call_movie(const char* function, const NPVariant* arguments, uint32_t count) = 0;
};

// What a dispatcher needs of the player host it belongs to.
class DispatcherHost : public MovieCaller {
 public:
  // The player window's URL data loader: the bytes behind `url` (a file, or
  // an http:// or https:// fetch; a POST when `body` is given). False when
  // nothing could be fetched.
  virtual bool load_url_data(const std::string& url, const char* body, std::size_t body_length,
                             std::string& answer) = 0;
  // The window name of the main window record of the settings, and those of
  // its direct children in document order.
  virtual std::string main_window_name() = 0;
  virtual std::vector<std::string> child_window_names() = 0;
};

// One API namespace: answers a method (the call name without the namespace
// prefix) with a result text or none. Lives as long as its dispatcher and
// keeps that namespace's state.
class NamespaceHandler {
 public:
  virtual ~NamespaceHandler() = default;
  virtual Result call(std::string_view method, const ArgumentList& arguments) = 0;
};

// The namespaces in routing order.
enum class Namespace {
  kApplication,
  kApi,
  kAppleScript,
  kClipboard,
  kDebug,
  kDialogs,
  kDll,
  kFileSystem,
  kMenu,
  kNetwork,
  kRegistry,
  kSystem,
  kWindow,
};
constexpr std::size_t kNamespaceCount = 13;

// "Application.", "Api.", ...: the prefix that routes to `space`.
std::string_view namespace_prefix(Namespace space);

// Removes `prefix` from the front of `name` when it is there (exact,
// case-sensitive); for namespaces with sub-groups such as "ChooseFile.".
bool take_prefix(std::string_view& name, std::string_view prefix);

class Dispatcher {
 public:
  // Api and AppleScript answer from the start; the other namespaces answer
  // nothing until their handler is installed.
  explicit Dispatcher(DispatcherHost& host);
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  void set_handler(Namespace space, std::unique_ptr<NamespaceHandler> handler);
  NamespaceHandler* handler(Namespace space) const;

  // Routes one call. `length_slot` is given for URL requests: it receives the
  // length of the loader's answer (0 when there is none). The answer is
  // always the caller's own copy.
  Result dispatch(std::string_view name, const ArgumentList& arguments,
                  uint32_t* length_slot = nullptr);

  // Request state: replaced by the next request of each kind, never cleared.
  const std::string& pending_request_name() const { return pending_request_name_; }
  const std::string& pending_request_data() const { return pending_request_data_; }
  const std::string& request_text() const { return request_text_; }
  bool has_post_data() const { return has_post_data_; }
  const std::string& post_data() const { return post_data_; }

 private:
  Result request_kind(std::string_view name, const ArgumentList& arguments, uint32_t* length_slot);
  Result load(const std::string& url, bool with_post_data, uint32_t* length_slot);

  DispatcherHost& host_;
  std::array<std::unique_ptr<NamespaceHandler>, kNamespaceCount> handlers_;
  std::string pending_request_name_;
  std::string pending_request_data_;
  std::string request_text_;
  bool has_post_data_ = false;
  std::string post_data_;
};

}  // namespace bridge
