#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "npapi/browser.h"
#include "npapi/script_glue.h"
#include "npapi/trace.h"

namespace npfp {

namespace {

// Milliseconds between 1601-01-01 (FILETIME) and 1970-01-01.
constexpr double kEpochOffsetMs = 11644473600000.0;

std::string environment_value(const char* name) {
  char value[MAX_PATH * 2];
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void append_line(const std::string& path, const std::string& line) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file) return;
  std::fwrite(line.data(), 1, line.size(), file);
  std::fputc('\n', file);
  std::fclose(file);
}

bool starts_folded(const std::string& text, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

NPVariant string_variant(const std::string& text) {
  NPVariant v;
  v.type = NPVariantType_String;
  v.value.stringValue.UTF8Characters = text.c_str();
  v.value.stringValue.UTF8Length = static_cast<uint32_t>(text.size());
  return v;
}

// The header block a form post carries in front of its body.
std::string form_post(const std::string& data) {
  return "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
         std::to_string(data.size()) + "\r\n\r\n" + data;
}

std::string with_query(const std::string& url, const std::string& data) {
  if (data.empty()) return url;
  return url + (url.find('?') == std::string::npos ? "?" : "&") + data;
}

}  // namespace

ScriptGlue::ScriptGlue(NPP npp) : npp_(npp) {}

ScriptGlue::~ScriptGlue() { detach(); }

void ScriptGlue::detach() {
  if (window_ && browser().releaseobject) browser().releaseobject(window_);
  window_ = nullptr;
  window_asked_ = true;
  detached_ = true;
}

void ScriptGlue::trace(const std::string& line) {
  // The system's debug channel (a debugger, or Wine's debugstr channel)...
  std::string debug_line = line + "\n";
  OutputDebugStringA(debug_line.c_str());
  // ...and, for authors and tests, the file the environment names. Read at
  // each line so that a host may switch it on while the movie plays.
  std::string path = environment_value(kScriptTraceVariable);
  if (!path.empty()) append_line(path, line);
}

double ScriptGlue::now_ms() {
  LARGE_INTEGER frequency, counter;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 &&
      QueryPerformanceCounter(&counter))
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
  return static_cast<double>(GetTickCount());
}

double ScriptGlue::wall_clock_ms() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return static_cast<double>(ticks.QuadPart / 10000) - kEpochOffsetMs;
}

int ScriptGlue::local_offset_minutes(double utc_ms) {
  TIME_ZONE_INFORMATION zone;
  DWORD kind = GetTimeZoneInformation(&zone);
  int standard = kind == TIME_ZONE_ID_INVALID ? 0 : -static_cast<int>(zone.Bias);
  // The moment's own offset (daylight saving) where the system can say;
  // FILETIME covers 1601 to 30827.
  double since_1601 = utc_ms + kEpochOffsetMs;
  if (!(since_1601 >= 0 && since_1601 < 9.0e15)) return standard;
  ULARGE_INTEGER ticks;
  ticks.QuadPart = static_cast<ULONGLONG>(since_1601) * 10000;
  FILETIME utc;
  utc.dwLowDateTime = ticks.LowPart;
  utc.dwHighDateTime = ticks.HighPart;
  SYSTEMTIME utc_time, local_time;
  if (!FileTimeToSystemTime(&utc, &utc_time) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc_time, &local_time))
    return standard;
  FILETIME local;
  if (!SystemTimeToFileTime(&local_time, &local)) return standard;
  ULARGE_INTEGER local_ticks;
  local_ticks.LowPart = local.dwLowDateTime;
  local_ticks.HighPart = local.dwHighDateTime;
  long long difference_ms =
      (static_cast<long long>(local_ticks.QuadPart) - static_cast<long long>(ticks.QuadPart)) /
      10000;
  return static_cast<int>(difference_ms / 60000);
}

void ScriptGlue::navigate(const std::string& url, const std::string& target,
                          const std::string& method, const std::string& data) {
  if (detached_) return;
  // No target opens the address in the movie's own page.
  const std::string window = target.empty() ? "_self" : target;
  npfp::trace("GetURL url=%s target=%s method=%s", url.c_str(), window.c_str(),
              method.empty() ? "none" : method.c_str());
  if (method == "POST") {
    if (!browser().posturl) return;
    std::string body = form_post(data);
    browser().posturl(npp_, url.c_str(), window.c_str(), static_cast<uint32_t>(body.size()),
                      body.c_str(), false);
    return;
  }
  if (!browser().geturl) return;
  std::string address = method == "GET" ? with_query(url, data) : url;
  browser().geturl(npp_, address.c_str(), window.c_str());
}

void ScriptGlue::fscommand(const std::string& command, const std::string& args) {
  npfp::trace("FSCommand command=%s args=%s", command.c_str(), args.c_str());
  if (detached_) return;
  // A page hears FSCommands through its "_DoFSCommand" function.
  NPObject* window = window_object();
  if (!window || !browser().invoke || !browser().getstringidentifier) return;
  NPIdentifier name = browser().getstringidentifier("_DoFSCommand");
  NPVariant arguments[2] = {string_variant(command), string_variant(args)};
  NPVariant result;
  result.type = NPVariantType_Void;
  if (browser().invoke(npp_, window, name, arguments, 2, &result) && browser().releasevariantvalue)
    browser().releasevariantvalue(&result);
}

bool ScriptGlue::load(uint32_t request, const std::string& url, const std::string& method,
                      const std::string& data) {
  if (request == 0 || detached_) return false;
  NPError error;
  if (method == "POST") {
    if (!browser().posturlnotify) return false;
    std::string body = form_post(data);
    error = browser().posturlnotify(npp_, url.c_str(), nullptr, static_cast<uint32_t>(body.size()),
                                    body.c_str(), false, load_notify_data(request));
  } else {
    if (!browser().geturlnotify) return false;
    std::string address = method == "GET" ? with_query(url, data) : url;
    error = browser().geturlnotify(npp_, address.c_str(), nullptr, load_notify_data(request));
  }
  return error == NPERR_NO_ERROR;
}

NPObject* ScriptGlue::window_object() {
  if (window_asked_) return window_;
  window_asked_ = true;
  if (!browser().getvalue) return nullptr;
  NPObject* object = nullptr;
  if (browser().getvalue(npp_, NPNVWindowNPObject, &object) == NPERR_NO_ERROR) window_ = object;
  return window_;
}

bool ScriptGlue::evaluate(const std::string& script, std::string& result) {
  NPObject* window = window_object();
  if (!window || !browser().evaluate) return false;
  // The text travels with its terminating zero: hosts read it up to there.
  NPString text;
  text.UTF8Characters = script.c_str();
  text.UTF8Length = static_cast<uint32_t>(script.size());
  NPVariant answer;
  answer.type = NPVariantType_Void;
  if (!browser().evaluate(npp_, window, &text, &answer)) return false;
  bool got = answer.type == NPVariantType_String;
  if (got) {
    const NPString& s = answer.value.stringValue;
    result.assign(s.UTF8Characters ? s.UTF8Characters : "", s.UTF8Characters ? s.UTF8Length : 0);
  }
  if (browser().releasevariantvalue) browser().releasevariantvalue(&answer);
  return got;
}

std::string ScriptGlue::storage_path(const std::string& name) const {
  std::string path = movie_url_;
  if (starts_folded(path, "file:///"))
    path = path.substr(8);
  else if (starts_folded(path, "file://"))
    path = path.substr(7);
  else if (path.find("://") != std::string::npos)
    return std::string();
  size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return std::string();
  std::string folder = path.substr(0, separator + 1);
  for (char& c : folder)
    if (c == '/') c = '\\';
  return folder + name + ".sol";
}

bool ScriptGlue::read_storage(const std::string& name, std::string& data) {
  std::string path = storage_path(name);
  if (path.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  data.clear();
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) data.append(buffer, n);
  std::fclose(file);
  return true;
}

bool ScriptGlue::write_storage(const std::string& name, const std::string& data) {
  std::string path = storage_path(name);
  if (path.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace npfp
