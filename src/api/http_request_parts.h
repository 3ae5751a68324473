// The portable halves of the HTTP client: cutting a URL into what WinINet's
// connect and request calls take, splitting a plug-in's post data into
// request headers and body, and the response buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace api {

struct HttpTarget {
  bool secure = false;      // "https://": TLS on the https port
  std::string host;         // without the port
  uint16_t port = 80;       // from "host:port", else 80 or 443
  std::string object_path;  // from the first "/" (or "?"), "/" when none
};

// False when the URL starts with neither "http://" nor "https://" (exact
// case), names no host, or has a port that is not a number in 1..65535.
bool split_http_url(const std::string& url, HttpTarget& target);

struct PostData {
  std::vector<std::pair<std::string, std::string>> headers;  // in order
  std::string body;
};

// The header part ends at the first empty line ("\r\n\r\n" or "\n\n") or at
// the first NUL byte, whichever comes first; the body is what follows that
// separator. Data with neither is all body (a plain post without headers).
// Header lines are cut at every CR and LF; a line with ":" gives a header
// (name before the first ":", value after it without one leading space);
// other lines are ignored.
PostData split_post_data(const char* bytes, std::size_t length);

// A byte buffer that grows geometrically, so that collecting a large answer
// piece by piece costs time linear in its size.
class ResponseBuffer {
 public:
  ResponseBuffer() = default;
  ~ResponseBuffer();
  ResponseBuffer(const ResponseBuffer&) = delete;
  ResponseBuffer& operator=(const ResponseBuffer&) = delete;

  // Makes room for `extra` more bytes; false when memory runs out.
  bool reserve_more(std::size_t extra);
  // Room for `extra` bytes at the end, to be filled and then committed.
  char* tail() { return data_ + size_; }
  void commit(std::size_t count) { size_ += count; }
  bool append(const char* bytes, std::size_t count);
  void clear() { size_ = 0; }

  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  // How often the storage was reallocated (for tests and benchmarks).
  std::size_t reallocations() const { return reallocations_; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::size_t reallocations_ = 0;
};

}  // namespace api
