// URL requests of the plug-in (NPN_GetURLNotify, NPN_PostURLNotify) and the
// in-memory URL loader. Portable; the network is reached through an HTTP
// fetch routine the program installs, and POST answers come back through a
// routine that runs work on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "flashhost/npapi.h"

namespace flashhost {

struct PlayerInstance;

// One synchronous HTTP request: GET, or POST with `post_data` (headers and
// body as the plug-in gave them). True when a non-empty answer arrived.
using HttpFetch = bool (*)(const std::string& url, bool post, const char* post_data,
                           std::size_t post_length, std::string& answer);
void set_http_fetch(HttpFetch fetch);

// Runs `routine(argument)` later on the main thread (the thread that runs
// the player's messages).
using MainThreadPoster = void (*)(void (*routine)(void*), void* argument);

// javascript: URLs are answered with the instance's unique base URL; http://
// and https:// are fetched; anything else is read as a file (relative to the
// work folder). The data, the stream's end and NPP_URLNotify all arrive
// before the call returns. `target` is ignored.
NPError get_url_notify(NPP npp, const char* url, const char* target, void* notify_data);

// Without a body: as get_url_notify. With one: the body goes to the host
// call handler as ":postData", the URL as ":post"; the answer is delivered
// as the request's stream by a step that `poster` runs on the main thread
// (synchronously when `poster` is null). `target` and `file` are ignored.
NPError post_url_notify(NPP npp, const char* url, const char* target, uint32_t length,
                        const char* buffer, NPBool file, void* notify_data,
                        MainThreadPoster poster);

// Drops the POST answers still on their way to `instance` (it is being
// destroyed): they are freed without calling the plug-in.
void cancel_requests(PlayerInstance* instance);

// Fetches a URL into memory without any stream: http:// and https:// through
// the HTTP fetch (POST when `body` is given); anything else is a file
// without "file:///" or "file://", relative to the work folder, not
// URL-decoded. False, with `answer` empty, on failure.
bool load_url_data(const std::string& url, const char* body, std::size_t body_length,
                   std::string& answer);

}  // namespace flashhost
