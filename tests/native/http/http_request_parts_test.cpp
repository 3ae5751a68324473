#include "api/http_request_parts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using api::HttpTarget;
using Headers = std::vector<std::pair<std::string, std::string>>;

api::PostData split(const std::string& data) {
  return api::split_post_data(data.data(), data.size());
}

TEST(HttpUrlSplit, HostPathPortAndScheme) {
  HttpTarget t;
  ASSERT_TRUE(api::split_http_url("http://example.org", t));
  EXPECT_FALSE(t.secure);
  EXPECT_EQ(t.host, "example.org");
  EXPECT_EQ(t.port, 80);
  EXPECT_EQ(t.object_path, "/");

  ASSERT_TRUE(api::split_http_url("https://example.org/a/b?c=d", t));
  EXPECT_TRUE(t.secure);
  EXPECT_EQ(t.port, 443);
  EXPECT_EQ(t.object_path, "/a/b?c=d");

  ASSERT_TRUE(api::split_http_url("http://127.0.0.1:8123/echo", t));
  EXPECT_EQ(t.host, "127.0.0.1");
  EXPECT_EQ(t.port, 8123);
  EXPECT_EQ(t.object_path, "/echo");

  ASSERT_TRUE(api::split_http_url("http://h?q=1", t));
  EXPECT_EQ(t.host, "h");
  EXPECT_EQ(t.object_path, "/?q=1");
}

TEST(HttpUrlSplit, RefusesWhatCannotBeRequested) {
  HttpTarget t;
  EXPECT_FALSE(api::split_http_url("ftp://h/", t));
  EXPECT_FALSE(api::split_http_url("HTTP://h/", t));
  EXPECT_FALSE(api::split_http_url("http:///x", t));
  EXPECT_FALSE(api::split_http_url("http://h:/x", t));
  EXPECT_FALSE(api::split_http_url("http://h:0/x", t));
  EXPECT_FALSE(api::split_http_url("http://h:65536/x", t));
  EXPECT_FALSE(api::split_http_url("http://h:8x/x", t));
}

TEST(PostDataSplit, HeadersThenBlankLineThenBody) {
  api::PostData d =
      split("Content-Type: text/plain\r\nX-Two:  spaced\r\nnocolon\r\n\r\nbody: not a header");
  EXPECT_EQ(d.headers, (Headers{{"Content-Type", "text/plain"}, {"X-Two", " spaced"}}));
  EXPECT_EQ(d.body, "body: not a header");

  d = split("A:1\nB:\n\nx\r\ny");
  EXPECT_EQ(d.headers, (Headers{{"A", "1"}, {"B", ""}}));
  EXPECT_EQ(d.body, "x\r\ny");
}

TEST(PostDataSplit, NulEndsTheHeadersAndTheBodyMayHoldAnyByte) {
  std::string data("K: v\r\n", 6);
  data += '\0';
  data += std::string("\x01\0\xff", 3);
  api::PostData d = split(data);
  EXPECT_EQ(d.headers, (Headers{{"K", "v"}}));
  EXPECT_EQ(d.body, std::string("\x01\0\xff", 3));
}

TEST(PostDataSplit, DataWithoutSeparatorIsAllBody) {
  api::PostData d = split("a=1&b=2:3");
  EXPECT_TRUE(d.headers.empty());
  EXPECT_EQ(d.body, "a=1&b=2:3");
  d = split("");
  EXPECT_TRUE(d.headers.empty());
  EXPECT_TRUE(d.body.empty());
  d = split("\r\n\r\n");
  EXPECT_TRUE(d.headers.empty());
  EXPECT_TRUE(d.body.empty());
}

TEST(ResponseBuffer, GrowsGeometricallyAndKeepsEveryByte) {
  api::ResponseBuffer buffer;
  const std::size_t piece = 1024000;
  std::string chunk(piece, 'a');
  for (int i = 0; i < 64; ++i) {
    chunk[0] = static_cast<char>(i);
    ASSERT_TRUE(buffer.append(chunk.data(), chunk.size()));
  }
  EXPECT_EQ(buffer.size(), 64 * piece);
  // Growth by one piece at a time would need 64 reallocations.
  EXPECT_LE(buffer.reallocations(), 8u);
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(buffer.data()[i * piece], static_cast<char>(i));
    ASSERT_EQ(buffer.data()[i * piece + piece - 1], 'a');
  }
}

TEST(ResponseBuffer, TailAndCommitFillInPlace) {
  api::ResponseBuffer buffer;
  ASSERT_TRUE(buffer.append("ab", 2));
  ASSERT_TRUE(buffer.reserve_more(3));
  std::size_t capacity = buffer.capacity();
  ASSERT_TRUE(buffer.reserve_more(3));
  EXPECT_EQ(buffer.capacity(), capacity);
  buffer.tail()[0] = 'c';
  buffer.tail()[1] = 'd';
  buffer.commit(2);
  EXPECT_EQ(std::string(buffer.data(), buffer.size()), "abcd");
  buffer.clear();
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_FALSE(buffer.reserve_more(SIZE_MAX));
  EXPECT_FALSE(buffer.reserve_more(std::size_t(3) << 30)) << "beyond what a 32-bit process can hold";
}

}  // namespace
