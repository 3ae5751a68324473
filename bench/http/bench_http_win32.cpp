// GET of a 128 MB body from a local server: the HTTP client's throughput
// beside curl fetching the same URL in the same run, and the client's peak
// memory.
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "api/http_client.h"
#include "windows/http/http_test_server.h"

namespace {

const std::size_t kBodySize = 128u * 1024 * 1024;
const int kRuns = 5;

double seconds_now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PROCESS_MEMORY_COUNTERS memory() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

std::string windows_path(std::string unix_path) {
  for (char& c : unix_path) {
    if (c == '/') c = '\\';
  }
  return "Z:" + unix_path;
}

// Runs curl once through curl_speed.sh; answers its speed in MB/s. With
// `keep` curl stores the body in memory-backed /dev/shm, as the client
// keeps its answer in memory; else it discards it.
std::vector<double> curl_speeds(const std::string& url, bool keep) {
  std::vector<double> speeds;
  std::string out =
      std::string(SWFSAVER_BINARY_DIR) + "/http-test/curl-" + std::to_string(GetCurrentProcessId());
  DeleteFileA(windows_path(out).c_str());
  std::string command = "/bin/sh " + std::string(SWFSAVER_SOURCE_DIR) +
                        "/bench/http/curl_speed.sh " + url + " " + out +
                        (keep ? " keep" : " discard");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return speeds;
  }
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  for (int i = 0; i < 1200; ++i) {
    Sleep(100);
    std::FILE* f = std::fopen(windows_path(out).c_str(), "rb");
    if (!f) continue;
    double bytes_per_second;
    while (std::fscanf(f, "%lf", &bytes_per_second) == 1) {
      speeds.push_back(bytes_per_second / (1024.0 * 1024.0));
    }
    std::fclose(f);
    break;
  }
  DeleteFileA(windows_path(out).c_str());
  return speeds;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void print_runs(const char* name, const std::vector<double>& speeds) {
  std::printf("  %-12s: best %7.1f MB/s, median %7.1f MB/s  (runs:", name,
              *std::max_element(speeds.begin(), speeds.end()), median(speeds));
  for (double s : speeds) std::printf(" %.0f", s);
  std::printf(")\n");
}

}  // namespace

int main() {
  http_test::TestServer server;
  if (!server.running()) {
    std::printf("http: the local test server did not start\n");
    return 1;
  }
  std::string url = server.url("/bytes/" + std::to_string(kBodySize));
  {
    api::HttpClient warm_up(server.url("/text"), api::HttpClient::kGet);
    warm_up.perform(true);
  }

  // Client and curl runs alternate, so that both see the same load on the
  // machine.
  PROCESS_MEMORY_COUNTERS before = memory();
  std::vector<double> client_speeds;
  std::vector<double> curl;
  std::vector<double> curl_keeping;
  for (int run = 0; run < kRuns; ++run) {
    api::HttpClient client(url, api::HttpClient::kGet);
    double start = seconds_now();
    bool ok = client.perform(true);
    double elapsed = seconds_now() - start;
    if (!ok || client.response_length() != kBodySize) {
      std::printf("http: run %d failed (%u bytes)\n", run,
                  static_cast<unsigned>(client.response_length()));
      return 1;
    }
    client_speeds.push_back(kBodySize / (1024.0 * 1024.0) / elapsed);
    std::vector<double> curl_run = curl_speeds(url, false);
    curl.insert(curl.end(), curl_run.begin(), curl_run.end());
    curl_run = curl_speeds(url, true);
    curl_keeping.insert(curl_keeping.end(), curl_run.begin(), curl_run.end());
  }
  PROCESS_MEMORY_COUNTERS after = memory();

  std::printf("http GET of a %u MB body from 127.0.0.1, %d runs each\n",
              static_cast<unsigned>(kBodySize >> 20), kRuns);
  print_runs("HTTP client", client_speeds);
  double client_best = *std::max_element(client_speeds.begin(), client_speeds.end());
  auto compare = [&](const char* name, const std::vector<double>& speeds) {
    if (speeds.empty()) {
      std::printf("  %-12s: not measured (curl did not report)\n", name);
      return;
    }
    print_runs(name, speeds);
    std::printf("  %-12s  client/curl: best %.1f %%, median %.1f %%  (target at least 50 %%)\n", "",
                100.0 * client_best / *std::max_element(speeds.begin(), speeds.end()),
                100.0 * median(client_speeds) / median(speeds));
  };
  compare("curl >null", curl);
  compare("curl >memory", curl_keeping);
  std::printf(
      "  client peak : working set %.1f MB, committed %.1f MB (before the runs: %.1f MB, "
      "%.1f MB)\n",
      after.PeakWorkingSetSize / 1048576.0, after.PeakPagefileUsage / 1048576.0,
      before.PeakWorkingSetSize / 1048576.0, before.PeakPagefileUsage / 1048576.0);
  return 0;
}
