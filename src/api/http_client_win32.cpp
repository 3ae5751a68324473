#include <windows.h>
#include <wininet.h>

#include "api/http_client.h"
#include "flashhost/url_requests.h"

namespace api {

namespace {

const char kAgent[] = "InetURL/1.0";
const DWORD kPiece = 1024000;
// Do not trust an announced length beyond this for the first allocation.
const DWORD kLargestReservation = 256u * 1024 * 1024;

struct InternetHandle {
  HINTERNET handle;
  explicit InternetHandle(HINTERNET h) : handle(h) {}
  ~InternetHandle() {
    if (handle) InternetCloseHandle(handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
};

// Reads the whole answer of `request` into `response`, each read straight
// into the buffer's free end.
void read_answer(HINTERNET request, ResponseBuffer& response) {
  DWORD announced = 0;
  DWORD announced_size = sizeof announced;
  if (HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced,
                     &announced_size, nullptr) &&
      announced > 0 && announced <= kLargestReservation) {
    // One byte more, so that the read that finds the end needs no growth.
    response.reserve_more(static_cast<std::size_t>(announced) + 1);
  }
  for (;;) {
    if (response.capacity() == response.size() && !response.reserve_more(kPiece)) return;
    std::size_t room = response.capacity() - response.size();
    DWORD want = room < kPiece ? static_cast<DWORD>(room) : kPiece;
    DWORD got = 0;
    if (!InternetReadFile(request, response.tail(), want, &got) || got == 0) return;
    response.commit(got);
  }
}

}  // namespace

HttpClient::HttpClient(const std::string& url, int mode) : url_(url), mode_(mode) {}

void HttpClient::set_post_data(const char* bytes, std::size_t length) {
  PostData split = split_post_data(bytes, bytes ? length : 0);
  headers_ = std::move(split.headers);
  post_body_ = std::move(split.body);
}

bool HttpClient::perform(bool run) {
  if (!run) return false;
  response_.clear();
  return mode_ == kPost ? perform_post() : perform_get();
}

bool HttpClient::perform_get() {
  InternetHandle session(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session.handle) return false;
  // Always from the network, and never into the URL cache: a cached copy of
  // every answer would cost a second write of the whole body and disk space
  // that nothing frees.
  InternetHandle request(InternetOpenUrlA(session.handle, url_.c_str(), nullptr, 0,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request.handle) return false;
  read_answer(request.handle, response_);
  return response_.size() > 0;
}

bool HttpClient::perform_post() {
  HttpTarget target;
  if (!split_http_url(url_, target)) return false;
  InternetHandle session(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session.handle) return false;
  InternetHandle connection(InternetConnectA(session.handle, target.host.c_str(), target.port,
                                             nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 1));
  if (!connection.handle) return false;
  DWORD flags =
      INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_PRAGMA_NOCACHE;
  if (target.secure) flags |= INTERNET_FLAG_SECURE;
  InternetHandle request(HttpOpenRequestA(connection.handle, "POST", target.object_path.c_str(),
                                          "HTTP/1.1", nullptr, nullptr, flags, 1));
  if (!request.handle) return false;
  for (const auto& header : headers_) {
    if (header.first.empty()) continue;
    std::string line = header.first + ": " + header.second + "\r\n";
    HttpAddRequestHeadersA(request.handle, line.c_str(), static_cast<DWORD>(line.size()),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
  }
  if (!HttpSendRequestA(request.handle, nullptr, 0, const_cast<char*>(post_body_.data()),
                        static_cast<DWORD>(post_body_.size()))) {
    return false;
  }
  read_answer(request.handle, response_);
  return response_.size() > 0;
}

bool http_fetch(const std::string& url, bool post, const char* post_data, std::size_t post_length,
                std::string& answer) {
  HttpClient client(url, post ? HttpClient::kPost : HttpClient::kGet);
  if (post) client.set_post_data(post_data, post_length);
  answer.clear();
  if (!client.perform(true)) return false;
  answer.assign(client.response_data(), client.response_length());
  return true;
}

void install_http_client() { flashhost::set_http_fetch(http_fetch); }

}  // namespace api
