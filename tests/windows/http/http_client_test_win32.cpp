// The HTTP client against a real server on 127.0.0.1.
#include <gtest/gtest.h>

#include <string>

#include "api/http_client.h"
#include "http_test_server.h"

namespace {

using api::HttpClient;

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.running()) << "the test server did not start"; }
  http_test::TestServer server_;
};

std::string answer_of(const HttpClient& client) {
  return std::string(client.response_data() ? client.response_data() : "",
                     client.response_length());
}

TEST_F(HttpClientTest, GetCollectsTheBody) {
  HttpClient client(server_.url("/text"), HttpClient::kGet);
  ASSERT_TRUE(client.perform(true));
  EXPECT_EQ(answer_of(client), "hello from the test server");
  // A second run replaces the earlier answer.
  ASSERT_TRUE(client.perform(true));
  EXPECT_EQ(answer_of(client), "hello from the test server");
}

TEST_F(HttpClientTest, EmptyBodyNotRunAndUnreachableGiveFalse) {
  HttpClient empty(server_.url("/empty"), HttpClient::kGet);
  EXPECT_FALSE(empty.perform(true));
  EXPECT_EQ(empty.response_length(), 0u);

  HttpClient not_run(server_.url("/text"), HttpClient::kGet);
  EXPECT_FALSE(not_run.perform(false));
  EXPECT_EQ(not_run.response_length(), 0u);

  HttpClient refused("http://127.0.0.1:1/x", HttpClient::kPost);
  refused.set_post_data("a", 1);
  EXPECT_FALSE(refused.perform(true));
}

TEST_F(HttpClientTest, PostSendsHeaderLinesAndBody) {
  HttpClient client(server_.url("/echo?x=1"), HttpClient::kPost);
  const char data[] =
      "Content-Type: text/plain\r\nX-One: b\r\nX-Two:  spaced\r\nno colon here\r\n\r\n"
      "the body\r\nline two";
  client.set_post_data(data, sizeof data - 1);
  ASSERT_TRUE(client.perform(true));
  std::string echo = answer_of(client);
  EXPECT_EQ(echo.rfind("POST /echo?x=1\n", 0), 0u) << echo;
  EXPECT_NE(echo.find("\nContent-Type: text/plain\n"), std::string::npos) << echo;
  EXPECT_NE(echo.find("\nX-One: b\n"), std::string::npos) << echo;
  EXPECT_EQ(echo.find("no colon"), std::string::npos) << echo;
  EXPECT_NE(echo.find("\nContent-Length: 18\n"), std::string::npos) << echo;
  const std::string tail = "\nbody=the body\r\nline two";
  ASSERT_GE(echo.size(), tail.size());
  EXPECT_EQ(echo.substr(echo.size() - tail.size()), tail);
  // The value kept the second space; WinINet may fold it when it sends.
  EXPECT_EQ(client.headers().at(2), (std::pair<std::string, std::string>{"X-Two", " spaced"}));
  EXPECT_TRUE(echo.find("\nX-Two:  spaced\n") != std::string::npos ||
              echo.find("\nX-Two: spaced\n") != std::string::npos)
      << echo;
}

TEST_F(HttpClientTest, HostOnlyUrlPostsToTheRoot) {
  HttpClient client(server_.url(""), HttpClient::kPost);
  client.set_post_data("k=v", 3);
  ASSERT_TRUE(client.perform(true));
  std::string echo = answer_of(client);
  EXPECT_EQ(echo.rfind("POST /\n", 0), 0u) << echo;
  EXPECT_EQ(echo.substr(echo.size() - 9), "\nbody=k=v");
}

TEST_F(HttpClientTest, HttpsPostIsNeverSentInClearText) {
  // The test server speaks plain HTTP only: a TLS handshake fails, so the
  // request must fail rather than arrive as readable text.
  HttpClient client("https://127.0.0.1:" + std::to_string(server_.port()) + "/secret",
                    HttpClient::kPost);
  client.set_post_data("password=1", 10);
  EXPECT_FALSE(client.perform(true));
  EXPECT_EQ(client.response_length(), 0u);
}

void expect_pattern(const HttpClient& client, std::size_t expected_length) {
  ASSERT_EQ(client.response_length(), expected_length);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(client.response_data());
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < expected_length; ++i) {
    if (bytes[i] != i % 251) ++wrong;
  }
  EXPECT_EQ(wrong, 0u);
}

TEST_F(HttpClientTest, SixtyFourMegabyteDownloadArrivesWhole) {
  const std::size_t size = 64u * 1024 * 1024;
  HttpClient client(server_.url("/bytes/" + std::to_string(size)), HttpClient::kGet);
  ASSERT_TRUE(client.perform(true));
  expect_pattern(client, size);
}

TEST_F(HttpClientTest, AnswerWithoutLengthGrowsTheBuffer) {
  const std::size_t size = 5u * 1024 * 1024 + 17;
  HttpClient client(server_.url("/chunked/" + std::to_string(size)), HttpClient::kGet);
  ASSERT_TRUE(client.perform(true));
  expect_pattern(client, size);
}

TEST_F(HttpClientTest, FetchHelperCopiesTheAnswer) {
  std::string answer;
  EXPECT_TRUE(api::http_fetch(server_.url("/text"), false, nullptr, 0, answer));
  EXPECT_EQ(answer, "hello from the test server");
  EXPECT_TRUE(api::http_fetch(server_.url("/p"), true, "\r\n\r\nxyz", 7, answer));
  EXPECT_EQ(answer.substr(answer.size() - 9), "\nbody=xyz");
  EXPECT_FALSE(api::http_fetch(server_.url("/empty"), false, nullptr, 0, answer));
  EXPECT_TRUE(answer.empty());
}

}  // namespace
