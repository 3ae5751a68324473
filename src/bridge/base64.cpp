#include "bridge/base64.h"

#include <cstdint>
#include <cstring>

namespace bridge {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters for every 12-bit value: one lookup per half group
// keeps encoding well above a gigabyte per second.
struct PairTable {
  char pairs[4096][2];
  constexpr PairTable() : pairs() {
    for (int i = 0; i < 4096; ++i) {
      pairs[i][0] = kAlphabet[i >> 6];
      pairs[i][1] = kAlphabet[i & 63];
    }
  }
};
constexpr PairTable kPairs;

// One table per character position of a group, holding the character's six
// bits already shifted into place. Characters outside the alphabet are zero
// bits. "=" in the third or fourth position carries kStop, which ends
// decoding.
constexpr uint32_t kStop = 0x80000000u;

struct DecodeTables {
  uint32_t shifted[4][256];
  constexpr DecodeTables() : shifted() {
    for (int c = 0; c < 64; ++c) {
      const unsigned char ch = static_cast<unsigned char>(kAlphabet[c]);
      for (int position = 0; position < 4; ++position) {
        shifted[position][ch] = static_cast<uint32_t>(c) << (18 - 6 * position);
      }
    }
    shifted[2][static_cast<unsigned char>('=')] = kStop;
    shifted[3][static_cast<unsigned char>('=')] = kStop;
  }
};
constexpr DecodeTables kDecode;

inline uint32_t bits(int position, char ch) {
  return kDecode.shifted[position][static_cast<unsigned char>(ch)];
}

}  // namespace

void base64_encode_append(std::string_view bytes, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + base64_encoded_length(bytes.size()));
  const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes.data());
  char* cursor = &out[start];
  std::size_t whole = bytes.size() / 3;
  for (; whole > 0; --whole, in += 3, cursor += 4) {
    const uint32_t group = (uint32_t{in[0]} << 16) | (uint32_t{in[1]} << 8) | in[2];
    std::memcpy(cursor, kPairs.pairs[group >> 12], 2);
    std::memcpy(cursor + 2, kPairs.pairs[group & 0xFFF], 2);
  }
  switch (bytes.size() % 3) {
    case 1: {
      const uint32_t group = uint32_t{in[0]} << 16;
      cursor[0] = kAlphabet[group >> 18];
      cursor[1] = kAlphabet[(group >> 12) & 63];
      cursor[2] = '=';
      cursor[3] = '=';
      break;
    }
    case 2: {
      const uint32_t group = (uint32_t{in[0]} << 16) | (uint32_t{in[1]} << 8);
      cursor[0] = kAlphabet[group >> 18];
      cursor[1] = kAlphabet[(group >> 12) & 63];
      cursor[2] = kAlphabet[(group >> 6) & 63];
      cursor[3] = '=';
      break;
    }
    default:
      break;
  }
}

std::string base64_encode(std::string_view bytes) {
  std::string out;
  base64_encode_append(bytes, out);
  return out;
}

std::string base64_decode(std::string_view text) {
  std::string out;
  base64_decode_into(text, out);
  return out;
}

void base64_decode_into(std::string_view text, std::string& out) {
  // Room for three bytes per started group; trimmed at the end.
  out.resize((text.size() + 3) / 4 * 3);
  unsigned char* cursor = reinterpret_cast<unsigned char*>(&out[0]);
  const char* in = text.data();
  std::size_t whole = text.size() / 4;
  for (; whole > 0; --whole, in += 4) {
    const uint32_t group = bits(0, in[0]) | bits(1, in[1]) | bits(2, in[2]) | bits(3, in[3]);
    if (group & kStop) {
      // A padded group: the first byte always, the second unless the third
      // character is "=" too; nothing after it is read.
      *cursor++ = static_cast<unsigned char>(group >> 16);
      if (in[2] != '=') *cursor++ = static_cast<unsigned char>(group >> 8);
      out.resize(static_cast<std::size_t>(cursor - reinterpret_cast<unsigned char*>(&out[0])));
      return;
    }
    cursor[0] = static_cast<unsigned char>(group >> 16);
    cursor[1] = static_cast<unsigned char>(group >> 8);
    cursor[2] = static_cast<unsigned char>(group);
    cursor += 3;
  }
  const std::size_t rest = text.size() % 4;
  if (rest > 0) {
    // A short last group: a missing second character counts as zero bits.
    uint32_t group = bits(0, in[0]);
    if (rest > 1) group |= bits(1, in[1]);
    *cursor++ = static_cast<unsigned char>(group >> 16);
    if (rest > 2 && in[2] != '=') {
      group |= bits(2, in[2]);
      *cursor++ = static_cast<unsigned char>(group >> 8);
    }
  }
  out.resize(static_cast<std::size_t>(cursor - reinterpret_cast<unsigned char*>(&out[0])));
}

}  // namespace bridge
