#include "flashhost/host_streams.h"

#include <cstdio>
#include <vector>

#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"

namespace flashhost {

namespace {

// The functions of the library that drives the stream's instance.
const NPPluginFuncs* plugin(const HostStream* s) {
  PlayerLibrary* library = library_of(s->instance);
  return library ? &library->functions : nullptr;
}

int32_t write_ready(HostStream* s) {
  const NPPluginFuncs* f = plugin(s);
  if (!f || !f->writeready) return 0;
  return f->writeready(s->instance, &s->stream);
}

// NPP_Write; answers the count the plug-in took, clamped to `length`, or -1.
int32_t write_piece(HostStream* s, std::size_t offset, const char* bytes, std::size_t length) {
  const NPPluginFuncs* f = plugin(s);
  if (!f || !f->write) return -1;
  int32_t taken =
      f->write(s->instance, &s->stream, static_cast<int32_t>(offset), static_cast<int32_t>(length),
               const_cast<void*>(static_cast<const void*>(bytes)));
  if (taken < 0) return -1;
  return static_cast<std::size_t>(taken) > length ? static_cast<int32_t>(length) : taken;
}

// Writes bytes [offset, length) paced by NPP_WriteReady; answers the offset
// reached.
std::size_t write_from(HostStream* s, const char* bytes, std::size_t offset, std::size_t length) {
  while (offset < length) {
    int32_t ready = write_ready(s);
    if (ready <= 0) break;
    std::size_t piece = length - offset;
    if (static_cast<std::size_t>(ready) < piece) piece = static_cast<std::size_t>(ready);
    int32_t taken = write_piece(s, offset, bytes + offset, piece);
    if (taken <= 0) break;
    offset += static_cast<std::size_t>(taken);
  }
  return offset;
}

}  // namespace

HostStream* open_stream(NPP instance, const std::string& url, const std::string& type,
                        void* notify_data) {
  HostStream* s = new HostStream();
  s->instance = instance;
  s->url = url;
  s->type = type;
  s->stream_type = NP_NORMAL;
  s->accepted = false;
  s->stream.pdata = nullptr;
  s->stream.ndata = s;
  s->stream.url = s->url.c_str();
  s->stream.end = 0;
  s->stream.lastmodified = 0;
  s->stream.notifyData = notify_data;
  s->stream.headers = nullptr;
  return s;
}

bool new_stream(HostStream* s) {
  const NPPluginFuncs* f = plugin(s);
  if (!f || !f->newstream) return false;
  s->stream_type = NP_NORMAL;
  NPError result =
      f->newstream(s->instance, const_cast<char*>(s->type.c_str()), &s->stream, 0, &s->stream_type);
  s->accepted = result == NPERR_NO_ERROR;
  return s->accepted;
}

bool write_all(HostStream* s, const char* bytes, std::size_t length) {
  if (!bytes || length == 0) return true;
  s->stream.end += static_cast<uint32_t>(length);
  write_ready(s);
  int32_t taken = write_piece(s, 0, bytes, length);
  if (taken < 0) return false;
  return write_from(s, bytes, static_cast<std::size_t>(taken), length) == length;
}

bool write_paced(HostStream* s, const char* bytes, std::size_t length) {
  s->stream.end = static_cast<uint32_t>(length);
  if (length == 0) return true;
  if (!bytes) return false;
  return write_from(s, bytes, 0, length) == length;
}

bool feed_file(HostStream* s) {
  if (s->stream_type != NP_NORMAL && s->stream_type != NP_ASFILE) return false;
  bool as_file = s->stream_type == NP_ASFILE;
  std::FILE* file = std::fopen(s->url.c_str(), "rb");
  if (!file) return false;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return false;
  }
  s->stream.end = static_cast<uint32_t>(length);
  std::vector<char> buffer(kFeedPieceSize);
  std::size_t total = static_cast<std::size_t>(length);
  std::size_t offset = 0;
  while (offset < total) {
    // An instance its host is closing takes no more of the movie.
    const PlayerInstance* owner = instance_of(s->instance);
    if (owner && owner->destroy_requested) break;
    int32_t ready = write_ready(s);
    if (ready <= 0) break;
    std::size_t want = total - offset;
    if (static_cast<std::size_t>(ready) < want) want = static_cast<std::size_t>(ready);
    if (want > kFeedPieceSize) want = kFeedPieceSize;
    std::size_t got = std::fread(buffer.data(), 1, want, file);
    if (got == 0) break;
    int32_t taken = write_piece(s, offset, buffer.data(), got);
    if (taken <= 0) break;
    offset += static_cast<std::size_t>(taken);
    // A plug-in that took only part of the piece gets the rest next time.
    if (static_cast<std::size_t>(taken) < got &&
        std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
      break;
    }
  }
  std::fclose(file);
  if (as_file) {
    const NPPluginFuncs* f = plugin(s);
    if (f && f->asfile) f->asfile(s->instance, &s->stream, s->url.c_str());
  }
  return offset == total;
}

void close_stream(HostStream* s, NPReason reason) {
  if (!s) return;
  const NPPluginFuncs* f = plugin(s);
  if (s->accepted && f && f->destroystream) f->destroystream(s->instance, &s->stream, reason);
  delete s;
}

}  // namespace flashhost
