// Synchronous HTTP GET and POST through WinINet, collecting the whole answer
// body in memory. Identifies itself as "InetURL/1.0".
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "api/http_request_parts.h"

namespace api {

class HttpClient {
 public:
  enum Mode { kGet = 0, kPost = 1 };

  HttpClient(const std::string& url, int mode);
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Splits post data into request headers and body (split_post_data); the
  // body replaces any earlier one.
  void set_post_data(const char* bytes, std::size_t length);

  // Runs the request; `run` false answers false at once. True when at least
  // one byte of answer body arrived. HTTPS requests, GET and POST alike, go
  // over TLS to the https port.
  bool perform(bool run = true);

  const char* response_data() const { return response_.data(); }
  std::size_t response_length() const { return response_.size(); }
  const std::vector<std::pair<std::string, std::string>>& headers() const { return headers_; }
  const std::string& post_body() const { return post_body_; }

 private:
  bool perform_get();
  bool perform_post();

  std::string url_;
  int mode_;
  ResponseBuffer response_;
  std::string post_body_;
  std::vector<std::pair<std::string, std::string>> headers_;
};

// One request with a fresh client: POST with `post_data` when `post`, else
// GET. True when a non-empty answer arrived; it is copied to `answer`.
bool http_fetch(const std::string& url, bool post, const char* post_data, std::size_t post_length,
                std::string& answer);

// Makes the player's URL requests use http_fetch.
void install_http_client();

}  // namespace api
