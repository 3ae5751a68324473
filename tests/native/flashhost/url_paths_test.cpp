#include "flashhost/url_paths.h"

#include <gtest/gtest.h>

#include <string>

#include "common/paths.h"

namespace {

using flashhost::fetch_file_path;
using flashhost::stream_file_path;

std::string decoded(std::string text) {
  flashhost::url_decode_in_place(text);
  return text;
}

const std::string kWork = "W";
std::string in_work(const std::string& rest) { return kWork + paths::separator() + rest; }

TEST(UrlPaths, DecodingPlusPercentAndStrayPercent) {
  EXPECT_EQ(decoded("a%20b+c"), "a b c");
  EXPECT_EQ(decoded("50%off"), "50off");
  EXPECT_EQ(decoded("%41%6a%4A"), "AjJ");
  EXPECT_EQ(decoded("x%4"), "x4");
  EXPECT_EQ(decoded("x%"), "x");
  EXPECT_EQ(decoded("%%41"), "A");
  EXPECT_EQ(decoded("%zz"), "zz");
  EXPECT_EQ(decoded(""), "");
  std::string nul = decoded("a%00b");
  EXPECT_EQ(nul, std::string("a\0b", 3));
}

TEST(UrlPaths, StreamRequestsDropTheSchemeAndDecodeTheWholePath) {
  EXPECT_EQ(stream_file_path("file:///C:/movies/a%20b.swf", kWork), "C:/movies/a b.swf");
  EXPECT_EQ(stream_file_path("file://sub/x+y.txt", kWork), in_work("sub/x y.txt"));
  EXPECT_EQ(stream_file_path("50%off", kWork), in_work("50off"));
  EXPECT_EQ(stream_file_path("file://\\\\server\\share\\m.swf", kWork), "\\\\server\\share\\m.swf");
  // The work folder part is decoded too.
  EXPECT_EQ(stream_file_path("m.swf", "A+B"), std::string("A B") + paths::separator() + "m.swf");
}

TEST(UrlPaths, FetchesDoNotDecodeAndDropEitherFilePrefix) {
  EXPECT_EQ(fetch_file_path("file:///C:/x%20y", kWork), "C:/x%20y");
  EXPECT_EQ(fetch_file_path("file://C:/x", kWork), "C:/x");
  EXPECT_EQ(fetch_file_path("data/a+b.txt", kWork), in_work("data/a+b.txt"));
}

TEST(UrlPaths, AbsolutePaths) {
  EXPECT_TRUE(flashhost::is_absolute_path("C:/x"));
  EXPECT_TRUE(flashhost::is_absolute_path("c:"));
  EXPECT_TRUE(flashhost::is_absolute_path("\\x"));
  EXPECT_FALSE(flashhost::is_absolute_path(""));
  EXPECT_FALSE(flashhost::is_absolute_path("x"));
  EXPECT_FALSE(flashhost::is_absolute_path("sub\\x:y"));
}

TEST(UrlPaths, SchemesAreExactCase) {
  EXPECT_TRUE(flashhost::is_javascript_url("javascript:window.location.href"));
  EXPECT_FALSE(flashhost::is_javascript_url("JavaScript:x"));
  EXPECT_FALSE(flashhost::is_javascript_url("javascript"));
  EXPECT_TRUE(flashhost::is_http_url("http://a/"));
  EXPECT_TRUE(flashhost::is_http_url("https://a/"));
  EXPECT_FALSE(flashhost::is_http_url("HTTP://a/"));
  EXPECT_FALSE(flashhost::is_http_url("ftp://a/"));
}

TEST(UrlPaths, UniqueBaseUrlIsUpperHexWithoutLeadingZeros) {
  EXPECT_EQ(flashhost::unique_base_url(0x1A2B3C), "file://1A2B3C__flashplugin_unique__");
  EXPECT_EQ(flashhost::unique_base_url(0xabcdef0), "file://ABCDEF0__flashplugin_unique__");
}

}  // namespace
