// Starts tests/fixtures/http_server/http_test_server.py from a Windows test
// under Wine (a Linux program: Wine runs it, but hands back no process
// handle), learns its port from the file it writes, and stops it with
// GET /quit. The server also ends by itself when idle.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>

namespace http_test {

class TestServer {
 public:
  TestServer() {
    static int counter = 0;
    std::string folder = std::string(SWFSAVER_BINARY_DIR) + "/http-test";
    CreateDirectoryA(windows_path(folder).c_str(), nullptr);
    port_file_ =
        folder + "/port-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    DeleteFileA(windows_path(port_file_).c_str());
    std::string command = "/usr/bin/python3 " + std::string(SWFSAVER_SOURCE_DIR) +
                          "/tests/fixtures/http_server/http_test_server.py " + port_file_ + " 60";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return;
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    for (int i = 0; i < 200 && port_ == 0; ++i) {
      Sleep(50);
      std::FILE* f = std::fopen(windows_path(port_file_).c_str(), "rb");
      if (!f) continue;
      int port = 0;
      if (std::fscanf(f, "%d", &port) == 1) port_ = port;
      std::fclose(f);
    }
  }
  ~TestServer() {
    if (port_) request_quit();
    DeleteFileA(windows_path(port_file_).c_str());
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  bool running() const { return port_ != 0; }
  int port() const { return port_; }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  static std::string windows_path(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }

  void request_quit() {
    HINTERNET session = InternetOpenA("test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!session) return;
    HINTERNET request =
        InternetOpenUrlA(session, url("/quit").c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    if (request) {
      char buffer[16];
      DWORD got = 0;
      InternetReadFile(request, buffer, sizeof buffer, &got);
      InternetCloseHandle(request);
    }
    InternetCloseHandle(session);
  }

  std::string port_file_;
  int port_ = 0;
};

}  // namespace http_test
