// Intake of a movie file that arrives in pieces of any size: the header
// (FWS, or CWS whose body is one zlib stream, inflated as it comes), then
// the tags, each handed to the MovieBuilder as soon as all of its bytes are
// there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/movie.h"

namespace npfp {

class SwfStream {
 public:
  enum class State { signature, header, tags, done, failed };

  explicit SwfStream(MovieBuilder& builder);
  ~SwfStream();
  SwfStream(const SwfStream&) = delete;
  SwfStream& operator=(const SwfStream&) = delete;

  // Takes the next piece. False once the data cannot be a movie (unknown
  // signature, broken compressed data); what was read before stays usable.
  bool feed(const uint8_t* data, size_t size);
  // No more data: a tag cut off by the end is dropped, the builder finishes.
  void finish();

  State state() const { return state_; }
  uint64_t bytes_received() const { return received_; }
  // Uncompressed bytes of the file that have reached the tag reader.
  uint64_t bytes_decoded() const { return decoded_; }

  // The most uncompressed data a CWS file may expand to, whatever it declares.
  static constexpr uint64_t kMaxDecodedSize = 512ull << 20;

 private:
  struct Inflater;
  void take_body(const uint8_t* data, size_t size);
  void parse_body();
  bool parse_movie_header();

  MovieBuilder& builder_;
  State state_ = State::signature;
  uint8_t signature_[8] = {};
  size_t signature_bytes_ = 0;
  bool compressed_ = false;
  uint8_t version_ = 0;
  uint32_t declared_length_ = 0;
  std::unique_ptr<Inflater> inflater_;
  std::vector<uint8_t> pending_;  // decoded bytes not yet consumed
  size_t consumed_ = 0;
  uint64_t received_ = 0;
  uint64_t decoded_ = 8;
};

}  // namespace npfp
