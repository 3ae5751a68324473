#include "saver/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>

using saver::command_tail;
using saver::ModeRequest;
using saver::parse_window_handle;
using saver::read_mode;
using saver::SaverMode;

namespace {

const char* single_byte_step(const char* p) { return *p != '\0' ? p + 1 : p; }

// A double-byte code page in which 0x81 leads a two-byte character.
const char* double_byte_step(const char* p) {
  if (*p == '\0') return p;
  if (static_cast<unsigned char>(*p) == 0x81 && p[1] != '\0') return p + 2;
  return p + 1;
}

std::string tail_of(const char* line) { return command_tail(line, single_byte_step); }

}  // namespace

TEST(SaverCommandTail, SkipsQuotedAndPlainProgramNames) {
  EXPECT_EQ("/s", tail_of("\"C:\\Program Files\\my saver.scr\" /s"));
  EXPECT_EQ("/p 123", tail_of("\"x.scr\"/p 123"));
  EXPECT_EQ("/s", tail_of("C:\\WINDOWS\\saver.scr /s"));
  EXPECT_EQ("/c:42", tail_of("saver.scr \t\x01  /c:42"));
  EXPECT_EQ("", tail_of("saver.scr"));
  EXPECT_EQ("", tail_of("saver.scr   "));
  EXPECT_EQ("", tail_of("\"unterminated name /s"));
  EXPECT_EQ("", tail_of(""));
  // Bytes from 0x80 up belong to the name.
  EXPECT_EQ("/s", tail_of("sav\xe9r.scr /s"));
  EXPECT_EQ("\xe9 /s", tail_of("saver.scr \xe9 /s"));
}

TEST(SaverCommandTail, WalksTheNameWithTheGivenCharacterStep) {
  // The second byte of a double-byte character may look like a quote.
  const char* line = "\"ab\x81\"c\" /s";
  EXPECT_EQ("/s", std::string(command_tail(line, double_byte_step)));
  EXPECT_EQ("c\" /s", std::string(command_tail(line, single_byte_step)));
}

TEST(SaverWindowHandle, ReadsLeadingDecimalDigits) {
  EXPECT_EQ(0u, parse_window_handle(""));
  EXPECT_EQ(0u, parse_window_handle("0"));
  EXPECT_EQ(12u, parse_window_handle("12"));
  EXPECT_EQ(12u, parse_window_handle("12abc"));
  EXPECT_EQ(12u, parse_window_handle("12 34"));
  EXPECT_EQ(65572u, parse_window_handle("0065572"));
  EXPECT_EQ(0u, parse_window_handle(" 12"));
  EXPECT_EQ(0u, parse_window_handle("-12"));
  EXPECT_EQ(0u, parse_window_handle(":12"));
  EXPECT_EQ(0u, parse_window_handle("/12"));
  EXPECT_EQ(7u, parse_window_handle("7\x80"));
  EXPECT_EQ(7u, parse_window_handle("7\xb9"));  // '9' | 0x80 is no digit
}

TEST(SaverWindowHandle, NumbersBeyondThirtyTwoBitsNameNoWindow) {
  EXPECT_EQ(UINT32_MAX, parse_window_handle("4294967295"));
  EXPECT_EQ(429496729u, parse_window_handle("429496729x"));
  // These would wrap around to small values that may be real windows.
  EXPECT_EQ(0u, parse_window_handle("4294967296"));
  EXPECT_EQ(0u, parse_window_handle("4294967301"));
  EXPECT_EQ(0u, parse_window_handle("99999999999999999999"));
}

TEST(SaverModeLetters, ReadsEveryModeLetter) {
  struct Case {
    const char* tail;
    SaverMode mode;
    std::uint32_t window;
  };
  const Case cases[] = {
      {"", SaverMode::configure_without_parent, 0},
      {"/s", SaverMode::full_screen, 0},
      {"-S", SaverMode::full_screen, 0},
      {"s", SaverMode::full_screen, 0},
      {" / s", SaverMode::full_screen, 0},
      {"--/ss 12", SaverMode::full_screen, 0},
      {"/p 123", SaverMode::preview, 123},
      {"/P   456", SaverMode::preview, 456},
      {"/p789", SaverMode::preview, 789},
      {"/p", SaverMode::preview, 0},
      {"/p x5", SaverMode::preview, 0},
      {"/l 77", SaverMode::preview, 77},
      {"/L 78", SaverMode::preview, 78},
      {"/c", SaverMode::configure, 0},
      {"/C:99", SaverMode::configure, 99},
      {"/c 99", SaverMode::configure, 0},
      {"/c: 99", SaverMode::configure, 0},
      {"/a 55", SaverMode::change_password, 55},
      {"/A", SaverMode::change_password, 0},
      {"/x", SaverMode::unknown, 0},
      {"/?", SaverMode::unknown, 0},
      {"/1", SaverMode::unknown, 0},
      {"/\ts", SaverMode::unknown, 0},
      {"\xe9", SaverMode::unknown, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("tail '") + c.tail + "'");
    const ModeRequest request = read_mode(c.tail);
    EXPECT_EQ(c.mode, request.mode);
    EXPECT_EQ(c.window, request.window);
  }
}
