#include "api/connection_check.h"

namespace api {

std::string probe_url(const char* configured) {
  return configured && *configured ? std::string(configured) : std::string(kDefaultProbeUrl);
}

bool probe_error_means_offline(unsigned long error) {
  return error == 12002 || error == 12007 || error == 12029;
}

bool check_connection(ConnectionProbe& probe, const std::string& url) {
  if (!probe.reports_connected()) return false;
  if (!probe.open_session()) return true;
  unsigned long error = 0;
  if (probe.open_url(url, error)) return true;
  return !probe_error_means_offline(error);
}

}  // namespace api
