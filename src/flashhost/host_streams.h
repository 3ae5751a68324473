// The streams that carry data from the host into the plug-in. Portable: the
// plug-in is reached only through the current library's function table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "flashhost/npapi.h"

namespace flashhost {

// The host's record of one stream. The plug-in sees only the leading
// NPStream; its `ndata` points back to this record.
struct HostStream {
  NPStream stream;
  NPP instance;
  std::string url;
  std::string type;
  uint16_t stream_type;  // NP_NORMAL until NPP_NewStream changes it
  bool accepted;         // NPP_NewStream accepted it: NPP_DestroyStream is owed
};

// Pieces the start-up movie is fed in, at most.
constexpr std::size_t kFeedPieceSize = 100000;

HostStream* open_stream(NPP instance, const std::string& url, const std::string& type,
                        void* notify_data);

// NPP_NewStream, not seekable; true when the plug-in accepted the stream.
bool new_stream(HostStream* stream);

// One NPP_WriteReady (its answer is not consulted) and one NPP_Write of all
// the bytes; should the plug-in take only part of them, the rest follows
// paced by NPP_WriteReady. Grows `end` by `length`. True when every byte
// went out (also for nothing to write).
bool write_all(HostStream* stream, const char* bytes, std::size_t length);

// Sets `end` to `length`, then writes as much as each NPP_WriteReady answer
// allows until all is out or the answer is 0 or less. The offset advances by
// what NPP_Write reports as taken; a negative or zero report stops. True when
// all `length` bytes went out.
bool write_paced(HostStream* stream, const char* bytes, std::size_t length);

// Feeds the file named by the stream's URL in pieces of at most
// kFeedPieceSize bytes, paced by NPP_WriteReady; for NP_ASFILE then hands the
// plug-in the file name. Only for streams of type NP_NORMAL or NP_ASFILE.
// True when every byte was written.
bool feed_file(HostStream* stream);

// NPP_DestroyStream when the plug-in accepted the stream, then frees it.
void close_stream(HostStream* stream, NPReason reason);

}  // namespace flashhost
