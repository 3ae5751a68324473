#include "flashhost/url_requests.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "flashhost/host_streams.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/url_paths.h"
#include "payload/work_folder.h"

namespace flashhost {

namespace {

const char kMovieType[] = "application/x-shockwave-flash";
const char kScriptType[] = "text/hxml";

HttpFetch g_http_fetch = nullptr;

struct PostRequest {
  NPP npp;
  void* notify_data;
  PlayerInstance* instance;  // null once the instance went away
  std::string url;
  std::string body;
  bool success;
  std::string answer;
};

// POST answers queued for the main thread, so that an instance destroyed in
// the meantime can drop them.
std::vector<PostRequest*> g_pending_posts;

void url_notify(NPP npp, const std::string& url, NPReason reason, void* notify_data) {
  PlayerLibrary* library = library_of(npp);
  if (library && library->functions.urlnotify) {
    library->functions.urlnotify(npp, url.c_str(), reason, notify_data);
  }
}

// NPAPI order: the stream is destroyed before the request is reported done.
void finish(HostStream* stream, NPReason reason) {
  NPP npp = stream->instance;
  std::string url = stream->url;
  void* notify_data = stream->stream.notifyData;
  close_stream(stream, reason);
  url_notify(npp, url, reason, notify_data);
}

bool read_whole_file(const std::string& path, std::string& bytes) {
  bytes.clear();
  // A decoded "%00" must not shorten the path to another file.
  if (path.find('\0') != std::string::npos) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  char piece[65536];
  std::size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) bytes.append(piece, got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  if (!ok) bytes.clear();
  return ok;
}

void answer_script_request(NPP npp, PlayerInstance* instance, const char* url, void* notify_data) {
  HostStream* stream = open_stream(npp, url, kScriptType, notify_data);
  bool all_written = false;
  if (new_stream(stream)) {
    std::string base = unique_base_url(reinterpret_cast<std::uintptr_t>(instance));
    all_written = write_paced(stream, base.data(), base.size());
  }
  NPReason reason = all_written ? NPRES_DONE : NPRES_NETWORK_ERR;
  std::string url_copy = stream->url;
  close_stream(stream, NPRES_DONE);
  url_notify(npp, url_copy, reason, notify_data);
}

void fetch_into_stream(NPP npp, const char* url, void* notify_data) {
  HostStream* stream = open_stream(npp, url, kMovieType, notify_data);
  if (is_http_url(url)) {
    bool accepted = new_stream(stream);
    std::string answer;
    bool ok = g_http_fetch && g_http_fetch(url, false, nullptr, 0, answer);
    if (ok && accepted) ok = write_all(stream, answer.data(), answer.size());
    finish(stream, ok ? NPRES_DONE : NPRES_NETWORK_ERR);
    return;
  }
  std::string bytes;
  if (!read_whole_file(stream_file_path(url, work_folder::path()), bytes)) {
    finish(stream, NPRES_NETWORK_ERR);
    return;
  }
  bool ok = true;
  if (new_stream(stream)) ok = write_all(stream, bytes.data(), bytes.size());
  finish(stream, ok ? NPRES_DONE : NPRES_NETWORK_ERR);
}

void deliver_post(void* argument) {
  PostRequest* request = static_cast<PostRequest*>(argument);
  auto it = std::find(g_pending_posts.begin(), g_pending_posts.end(), request);
  if (it != g_pending_posts.end()) g_pending_posts.erase(it);
  if (request->instance) {
    NPReason reason = NPRES_NETWORK_ERR;
    if (request->success) {
      HostStream* stream =
          open_stream(request->npp, request->url, kMovieType, request->notify_data);
      stream->stream.end = static_cast<uint32_t>(request->answer.size());
      if (new_stream(stream) &&
          write_paced(stream, request->answer.data(), request->answer.size())) {
        reason = NPRES_DONE;
      }
      close_stream(stream, NPRES_DONE);
    }
    url_notify(request->npp, request->url, reason, request->notify_data);
  }
  delete request;
}

bool ask_handler(PlayerInstance* instance, const char* name, const char* bytes, std::size_t length,
                 std::string& answer) {
  if (!instance->host_call_handler) return false;
  NPVariant argument;
  argument.type = NPVariantType_String;
  argument.value.stringValue.UTF8Characters = bytes;
  argument.value.stringValue.UTF8Length = static_cast<uint32_t>(length);
  answer.clear();
  return instance->host_call_handler(instance, nullptr, name, 1, &argument, answer);
}

}  // namespace

void set_http_fetch(HttpFetch fetch) { g_http_fetch = fetch; }

NPError get_url_notify(NPP npp, const char* url, const char* /*target*/, void* notify_data) {
  PlayerInstance* instance = instance_of(npp);
  if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
  if (!url) return NPERR_INVALID_URL;
  if (is_javascript_url(url)) {
    answer_script_request(npp, instance, url, notify_data);
  } else {
    fetch_into_stream(npp, url, notify_data);
  }
  return NPERR_NO_ERROR;
}

NPError post_url_notify(NPP npp, const char* url, const char* target, uint32_t length,
                        const char* buffer, NPBool /*file*/, void* notify_data,
                        MainThreadPoster poster) {
  PlayerInstance* instance = instance_of(npp);
  if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
  if (!url) return NPERR_INVALID_URL;
  if (!buffer || length == 0) return get_url_notify(npp, url, target, notify_data);

  PostRequest* request = new PostRequest();
  request->npp = npp;
  request->notify_data = notify_data;
  request->instance = instance;
  request->url = url;
  request->body.assign(buffer, length);
  std::string ignored;
  request->success =
      ask_handler(instance, ":postData", request->body.data(), request->body.size(), ignored) &&
      ask_handler(instance, ":post", request->url.c_str(), request->url.size(), request->answer);
  g_pending_posts.push_back(request);
  if (poster) {
    poster(deliver_post, request);
  } else {
    deliver_post(request);
  }
  return NPERR_NO_ERROR;
}

void cancel_requests(PlayerInstance* instance) {
  for (PostRequest* request : g_pending_posts) {
    if (request->instance == instance) request->instance = nullptr;
  }
}

bool load_url_data(const std::string& url, const char* body, std::size_t body_length,
                   std::string& answer) {
  answer.clear();
  if (is_http_url(url)) {
    bool ok = g_http_fetch && g_http_fetch(url, body != nullptr, body, body_length, answer);
    if (!ok) answer.clear();
    return ok;
  }
  return read_whole_file(fetch_file_path(url, work_folder::path()), answer);
}

}  // namespace flashhost
