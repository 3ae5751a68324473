// The pure rules behind Dialogs: button sets and their answer words, colour
// forms, and the files an open-file dialog hands back.
#include <gtest/gtest.h>

#include <string>

#include "api/dialog_helpers.h"

namespace {

using api::ButtonSet;

TEST(ApiButtonSets, NamesSelectTheirSystemStyles) {
  EXPECT_EQ(api::button_set_from_name("ok"), ButtonSet::kOk);
  EXPECT_EQ(static_cast<unsigned>(api::button_set_from_name("ok_cancel")), 1u);
  EXPECT_EQ(static_cast<unsigned>(api::button_set_from_name("abort_retry_ignore")), 2u);
  EXPECT_EQ(static_cast<unsigned>(api::button_set_from_name("yes_no_cancel")), 3u);
  EXPECT_EQ(static_cast<unsigned>(api::button_set_from_name("yes_no")), 4u);
  EXPECT_EQ(static_cast<unsigned>(api::button_set_from_name("retry_cancel")), 5u);
  for (const char* other : {"", "OK", "yes-no", "yes_no ", "maybe"}) {
    EXPECT_EQ(api::button_set_from_name(other), ButtonSet::kOk) << other;
  }
}

std::string word(ButtonSet set, int answer) {
  const char* text = api::button_word(set, answer);
  return text ? text : "(none)";
}

TEST(ApiButtonSets, AnswersMapToTheirWords) {
  using namespace api;
  for (int answer : {0, int{kAnswerOk}, int{kAnswerCancel}, int{kAnswerNo}}) {
    EXPECT_EQ(word(ButtonSet::kOk, answer), "ok");
  }
  EXPECT_EQ(word(ButtonSet::kOkCancel, kAnswerOk), "ok");
  EXPECT_EQ(word(ButtonSet::kOkCancel, kAnswerCancel), "cancel");
  EXPECT_EQ(word(ButtonSet::kOkCancel, 0), "cancel");
  EXPECT_EQ(word(ButtonSet::kAbortRetryIgnore, kAnswerAbort), "abort");
  EXPECT_EQ(word(ButtonSet::kAbortRetryIgnore, kAnswerRetry), "retry");
  EXPECT_EQ(word(ButtonSet::kAbortRetryIgnore, kAnswerIgnore), "ignore");
  EXPECT_EQ(word(ButtonSet::kAbortRetryIgnore, kAnswerCancel), "(none)");
  EXPECT_EQ(word(ButtonSet::kAbortRetryIgnore, 0), "(none)");
  EXPECT_EQ(word(ButtonSet::kYesNoCancel, kAnswerYes), "yes");
  EXPECT_EQ(word(ButtonSet::kYesNoCancel, kAnswerNo), "no");
  EXPECT_EQ(word(ButtonSet::kYesNoCancel, kAnswerCancel), "cancel");
  EXPECT_EQ(word(ButtonSet::kYesNoCancel, 0), "cancel");
  EXPECT_EQ(word(ButtonSet::kYesNo, kAnswerYes), "yes");
  EXPECT_EQ(word(ButtonSet::kYesNo, kAnswerNo), "no");
  EXPECT_EQ(word(ButtonSet::kYesNo, kAnswerCancel), "no");
  EXPECT_EQ(word(ButtonSet::kRetryCancel, kAnswerRetry), "retry");
  EXPECT_EQ(word(ButtonSet::kRetryCancel, kAnswerCancel), "cancel");
  EXPECT_EQ(word(ButtonSet::kRetryCancel, kAnswerOk), "cancel");
}

TEST(ApiColours, RgbToSystemOrderAndResultText) {
  EXPECT_EQ(api::system_colour_from_rgb(16711680), 0x0000FFu);  // pure red
  EXPECT_EQ(api::system_colour_from_rgb(0x0000FF), 0xFF0000u);  // pure blue
  EXPECT_EQ(api::system_colour_from_rgb(0x123456), 0x563412u);
  // Bits above the 24 colour bits are ignored.
  EXPECT_EQ(api::system_colour_from_rgb(-1), 0xFFFFFFu);
  EXPECT_EQ(api::colour_result(0xFF0000), "<string>0x0000ff</string>");
  EXPECT_EQ(api::colour_result(api::system_colour_from_rgb(0x0A0B0C)), "<string>0x0a0b0c</string>");
}

TEST(ApiChosenFiles, OnePathOrAFolderWithNames) {
  const char single[] = "C:\\Data\\a.txt\0\0";
  EXPECT_EQ(api::chosen_files(single, sizeof single), (std::vector<std::string>{"C:\\Data\\a.txt"}));
  const char several[] = "C:\\Data\0a.txt\0b.txt\0c d.txt\0\0";
  EXPECT_EQ(api::chosen_files(several, sizeof several),
            (std::vector<std::string>{"C:\\Data\\a.txt", "b.txt", "c d.txt"}));
  // A drive root already ends with its backslash.
  const char root[] = "C:\\\0a.txt\0b.txt\0\0";
  EXPECT_EQ(api::chosen_files(root, sizeof root), (std::vector<std::string>{"C:\\a.txt", "b.txt"}));
  EXPECT_TRUE(api::chosen_files("\0\0", 2).empty());
  // A buffer without its closing NULs is read up to its size only.
  const char cut[] = {'C', ':', '\\', 'D', '\0', 'x', 'y'};
  EXPECT_EQ(api::chosen_files(cut, sizeof cut), (std::vector<std::string>{"C:\\D\\xy"}));
}

}  // namespace
