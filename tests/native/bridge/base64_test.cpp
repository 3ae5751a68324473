#include "bridge/base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using bridge::base64_decode;
using bridge::base64_encode;

// A plain bit-by-bit encoder to hold the table-driven one against.
std::string reference_encode(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (unsigned char byte : bytes) {
    buffer = (buffer << 8) | byte;
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out += kAlphabet[(buffer >> bits) & 63];
    }
  }
  if (bits > 0) out += kAlphabet[(buffer << (6 - bits)) & 63];
  while (out.size() % 4 != 0) out += '=';
  return out;
}

std::string random_bytes(std::mt19937& generator, std::size_t length) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(length, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(generator));
  return bytes;
}

TEST(Base64, PaddingOfTheLastGroup) {
  EXPECT_EQ(base64_encode("abc"), "YWJj");
  EXPECT_EQ(base64_encode("ab"), "YWI=");
  EXPECT_EQ(base64_encode("a"), "YQ==");
  EXPECT_EQ(base64_encode(""), "");
  // The published test vectors.
  EXPECT_EQ(base64_encode("foob"), "Zm9vYg==");
  EXPECT_EQ(base64_encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(base64_encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(base64_encode(std::string("\xfb\xff\xbf", 3)), "+/+/");
}

TEST(Base64, DecodingAPaddedGroupGivesTheBytesAndANul) {
  const std::string decoded = base64_decode("YWI=");
  ASSERT_EQ(decoded.size(), 2u);
  EXPECT_EQ(decoded, "ab");
  EXPECT_EQ(decoded.c_str()[2], '\0');
  EXPECT_EQ(base64_decode("YQ=="), "a");
  EXPECT_EQ(base64_decode("YWJj"), "abc");
  EXPECT_EQ(base64_decode(""), "");
}

TEST(Base64, RoundTripOfEveryLengthAndByteValue) {
  std::mt19937 generator(7);
  for (std::size_t length = 0; length < 300; ++length) {
    const std::string bytes = random_bytes(generator, length);
    const std::string encoded = base64_encode(bytes);
    ASSERT_EQ(encoded, reference_encode(bytes)) << "length " << length;
    ASSERT_EQ(encoded.size(), bridge::base64_encoded_length(length));
    ASSERT_EQ(base64_decode(encoded), bytes) << "length " << length;
  }
  std::string every_byte;
  for (int i = 0; i < 256; ++i) every_byte += static_cast<char>(i);
  EXPECT_EQ(base64_decode(base64_encode(every_byte)), every_byte);
}

TEST(Base64, EncodeAppendKeepsWhatIsThere) {
  std::string out = "<s>";
  bridge::base64_encode_append("ab", out);
  EXPECT_EQ(out, "<s>YWI=");
}

TEST(Base64, PaddingEndsDecodingWhereverItStands) {
  // "=" as the third character: only the first byte of that group.
  EXPECT_EQ(base64_decode("YW=j"), "a");
  // Anything after a padded group is not read.
  EXPECT_EQ(base64_decode("YWI=YWJj"), "ab");
  EXPECT_EQ(base64_decode("YQ==YWJj"), "a");
  // "=" in the first two positions is just zero bits.
  EXPECT_EQ(base64_decode("=WJj"), base64_decode("AWJj"));
}

TEST(Base64, ShortAndForeignInputIsNeverAnError) {
  // Length not a multiple of four: the last group gives what it can.
  EXPECT_EQ(base64_decode("YWJ"), "ab");
  EXPECT_EQ(base64_decode("YQ"), "a");
  // A lone character: its six bits make the top of one byte.
  EXPECT_EQ(base64_decode("Y"), std::string(1, static_cast<char>(24 << 2)));
  EXPECT_EQ(base64_decode("YWJjY"), std::string("abc") + static_cast<char>(24 << 2));
  EXPECT_EQ(base64_decode("YWJ="), "ab");
  // Characters outside the alphabet read as zero bits.
  EXPECT_EQ(base64_decode("Y!Jj"), base64_decode("YAJj"));
  EXPECT_EQ(base64_decode(std::string("Y\0Jj", 4)), base64_decode("YAJj"));
  EXPECT_EQ(base64_decode("\xff\x80\x7f "), std::string(3, '\0'));
}

}  // namespace
