#include "api/http_request_parts.h"

#include <cstdlib>
#include <cstring>

namespace api {

bool split_http_url(const std::string& url, HttpTarget& target) {
  std::size_t start;
  if (url.compare(0, 7, "http://") == 0) {
    target.secure = false;
    start = 7;
  } else if (url.compare(0, 8, "https://") == 0) {
    target.secure = true;
    start = 8;
  } else {
    return false;
  }
  std::size_t end = url.find_first_of("/?", start);
  std::string authority =
      url.substr(start, end == std::string::npos ? std::string::npos : end - start);
  if (end == std::string::npos) {
    target.object_path = "/";
  } else if (url[end] == '?') {
    target.object_path = "/" + url.substr(end);
  } else {
    target.object_path = url.substr(end);
  }
  target.port = target.secure ? 443 : 80;
  std::size_t colon = authority.rfind(':');
  if (colon != std::string::npos) {
    std::string digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    long port = std::strtol(digits.c_str(), nullptr, 10);
    if (port < 1 || port > 65535) return false;
    target.port = static_cast<uint16_t>(port);
    authority.resize(colon);
  }
  if (authority.empty()) return false;
  target.host = authority;
  return true;
}

PostData split_post_data(const char* bytes, std::size_t length) {
  PostData out;
  const char* end = bytes + length;
  const char* header_end = nullptr;
  const char* body_start = nullptr;
  for (const char* p = bytes; p < end; ++p) {
    if (*p == '\0') {
      header_end = p;
      body_start = p + 1;
      break;
    }
    if (*p == '\n' && p + 1 < end && p[1] == '\n') {
      header_end = p;
      body_start = p + 2;
      break;
    }
    if (*p == '\r' && end - p >= 4 && std::memcmp(p, "\r\n\r\n", 4) == 0) {
      header_end = p;
      body_start = p + 4;
      break;
    }
  }
  if (!header_end) {
    out.body.assign(bytes, length);
    return out;
  }
  const char* line = bytes;
  while (line < header_end) {
    const char* line_end = line;
    while (line_end < header_end && *line_end != '\r' && *line_end != '\n') ++line_end;
    std::string text(line, line_end);
    std::size_t colon = text.find(':');
    if (colon != std::string::npos) {
      std::size_t value_start = colon + 1;
      if (value_start < text.size() && text[value_start] == ' ') ++value_start;
      out.headers.emplace_back(text.substr(0, colon), text.substr(value_start));
    }
    line = line_end + 1;
  }
  out.body.assign(body_start, end);
  return out;
}

ResponseBuffer::~ResponseBuffer() { std::free(data_); }

bool ResponseBuffer::reserve_more(std::size_t extra) {
  if (extra <= capacity_ - size_) return true;
  // A 32-bit process cannot hold more than this anyway; refusing early keeps a
  // hostile Content-Length from turning into an absurd allocation request.
  constexpr std::size_t kMaxResponse = std::size_t(1) << 30;
  if (size_ > kMaxResponse || extra > kMaxResponse - size_) return false;
  std::size_t needed = size_ + extra;
  std::size_t grown = capacity_ < kMaxResponse / 2 ? capacity_ * 2 : kMaxResponse;
  std::size_t capacity = grown > needed ? grown : needed;
  char* bigger = static_cast<char*>(std::realloc(data_, capacity));
  if (!bigger && capacity > needed) {
    capacity = needed;
    bigger = static_cast<char*>(std::realloc(data_, capacity));
  }
  if (!bigger) return false;
  data_ = bigger;
  capacity_ = capacity;
  ++reallocations_;
  return true;
}

bool ResponseBuffer::append(const char* bytes, std::size_t count) {
  if (!reserve_more(count)) return false;
  if (count) std::memcpy(data_ + size_, bytes, count);
  size_ += count;
  return true;
}

}  // namespace api
