// Network: web pages opened in the user's browser, and a connection test.
#include <windows.h>
#include <wininet.h>

#include <string>

#include "api/connection_check.h"
#include "api/namespaces.h"

namespace api {

namespace {

using bridge::ArgumentList;
using bridge::Result;

class WinInetProbe : public ConnectionProbe {
 public:
  WinInetProbe() = default;
  ~WinInetProbe() override {
    if (session_) InternetCloseHandle(session_);
  }
  WinInetProbe(const WinInetProbe&) = delete;
  WinInetProbe& operator=(const WinInetProbe&) = delete;

  bool reports_connected() override {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != 0;
  }

  bool open_session() override {
    session_ = InternetOpenA("InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    return session_ != nullptr;
  }

  bool open_url(const std::string& url, unsigned long& error) override {
    // Always from the network: an answer from the cache proves nothing.
    HINTERNET request = InternetOpenUrlA(session_, url.c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (!request) {
      error = GetLastError();
      return false;
    }
    InternetCloseHandle(request);
    return true;
  }

 private:
  HINTERNET session_ = nullptr;
};

std::string configured_probe_url() {
  const DWORD size = GetEnvironmentVariableA(kProbeUrlVariable, nullptr, 0);
  if (size == 0) return probe_url(nullptr);
  std::string value(size, '\0');
  const DWORD length = GetEnvironmentVariableA(kProbeUrlVariable, &value[0], size);
  value.resize(length < size ? length : 0);
  return probe_url(value.c_str());
}

class NetworkNamespace : public bridge::NamespaceHandler {
 public:
  explicit NetworkNamespace(ApiContext& context) : context_(context) {}

  Result call(std::string_view method, const ArgumentList& arguments) override {
    if (bridge::take_prefix(method, "HTTP.")) {
      if (method != "openURL") return std::nullopt;
      // The shell's default handler opens it; whether it could is not told.
      context_.shell_execute(bridge::read_text(arguments, 1), false, SW_SHOWNORMAL);
      return bridge::result_boolean(true);
    }
    if (bridge::take_prefix(method, "FTP.")) return std::nullopt;
    if (method == "checkConnection") {
      WinInetProbe probe;
      return bridge::result_boolean(check_connection(probe, configured_probe_url()));
    }
    return std::nullopt;
  }

 private:
  ApiContext& context_;
};

}  // namespace

std::unique_ptr<bridge::NamespaceHandler> make_network_namespace(ApiContext& context) {
  return std::make_unique<NetworkNamespace>(context);
}

}  // namespace api
