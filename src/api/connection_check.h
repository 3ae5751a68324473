// Network.checkConnection's decision, apart from WinINet: the system's
// connected state first, then one request to a probe address.
#pragma once

#include <string>

namespace api {

// The public address probed when no other is configured.
constexpr const char* kDefaultProbeUrl = "http://www.example.com/";
// The environment variable that names another probe address (tests and
// closed networks point it at a server of their own).
constexpr const char* kProbeUrlVariable = "SWFSAVER_PROBE_URL";

// The probe address: `configured` when it is given and not empty.
std::string probe_url(const char* configured);

// WinINet's timeout (12002), name-not-resolved (12007) and cannot-connect
// (12029) errors: the probe did not reach the network.
bool probe_error_means_offline(unsigned long error);

// The steps of a check, each done by the platform.
class ConnectionProbe {
 public:
  virtual ~ConnectionProbe() = default;
  // The system's own view (InternetGetConnectedState).
  virtual bool reports_connected() = 0;
  // Opens a session; false when that fails.
  virtual bool open_session() = 0;
  // Requests `url` in the open session; false with the system's error.
  virtual bool open_url(const std::string& url, unsigned long& error) = 0;
};

// False when the system reports no connection (nothing is requested then)
// or the probe fails with an error that means offline; true otherwise,
// including when no session can be opened to try.
bool check_connection(ConnectionProbe& probe, const std::string& url);

}  // namespace api
