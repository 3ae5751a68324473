// Reads the header of a Flash movie file: signature, version, declared
// length, frame rectangle, frame rate and frame count. A compressed movie
// ("CWS") is first inflated into "_xxswfxx__.bin" in the work folder and that
// copy's header is read.
#pragma once

#include <cstdint>
#include <string>

namespace media {

// Values of SwfHeader::error.
enum SwfHeaderError {
  kSwfNoError = 0,
  kSwfCannotOpen = 1,
  // Neither "FWS" nor "CWS", or the inflated copy could not be made or read.
  kSwfBadSignature = 2,
  // No memory for the rectangle bytes. The reader uses a fixed buffer (a
  // rectangle never exceeds 17 bytes), so it does not report this.
  kSwfNoMemory = 3,
  // The file ends inside the header.
  kSwfTruncated = 4,
};

struct SwfHeader {
  uint8_t version = 0;
  uint32_t declared_length = 0;
  int32_t x_min = 0, x_max = 0, y_min = 0, y_max = 0;  // twips
  float frame_rate = 0;
  uint16_t frame_count = 0;
  // The size of the file whose header was read: for a compressed movie, its
  // uncompressed copy (equal to declared_length when the copy is whole).
  uint64_t file_size = 0;
  bool compressed = false;
  int error = kSwfNoError;
};

// Fills `out` and answers true when the header was read. A path that does not
// exist answers false and leaves `out` untouched. Without the signature check
// only the first byte tells compressed ('C') from uncompressed (anything else).
bool read_swf_header(const std::string& path, bool check_signature, SwfHeader& out);

// The frame size in whole pixels (twips / 20, truncated toward zero). On
// failure width and height are left unchanged.
bool swf_frame_size(const std::string& path, int& width, int& height);

// Values of the inflating step's last error.
enum SwfInflateError {
  kInflateNoError = 0,
  kInflateNotCompressed = 3,  // the source does not start with "CWS"
  kInflateCannotOpenSource = 5,
  kInflateCannotCreateTarget = 7,
  kInflateDamagedStream = 8,  // zlib reported an error or the input ran out
};

// Writes the uncompressed copy of a "CWS" movie to `target` ("FWS", version,
// declared length, then the inflated body). Never writes more than the
// declared length, however much the stream would inflate to. `last_error`
// receives one of SwfInflateError.
bool inflate_swf(const std::string& source, const std::string& target, int& last_error);

// The name of the inflated copy in the work folder.
extern const char kInflatedCopyName[];  // "_xxswfxx__.bin"

}  // namespace media
