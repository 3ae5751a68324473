// Base64 as movies and the host exchange it: the standard alphabet with "="
// padding and no line breaks. Decoding never rejects a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bridge {

// Four characters per three bytes, the last group padded with "=".
std::string base64_encode(std::string_view bytes);

// Appends the encoding of `bytes` to `out` (saves a copy when the encoding
// sits inside a larger text).
void base64_encode_append(std::string_view bytes, std::string& out);

// Reads groups of four characters: the first byte of a group is always
// produced; a third or fourth character "=" ends decoding, otherwise it adds
// the next byte. Characters outside the alphabet count as zero bits. The
// result's c_str() has the NUL after the decoded bytes.
std::string base64_decode(std::string_view text);

// The same into `out`, replacing its content (and reusing its storage).
// `text` must not point into `out`.
void base64_decode_into(std::string_view text, std::string& out);

// Length of the encoding of `byte_count` bytes.
constexpr std::size_t base64_encoded_length(std::size_t byte_count) {
  return (byte_count + 2) / 3 * 4;
}

}  // namespace bridge
