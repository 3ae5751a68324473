// Pure rules behind the Dialogs methods: message-box button sets and the
// words their answers give, the colour chooser's colour forms, and the
// file names an open-file dialog hands back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace api {

// The system's message-box answers (IDOK ... IDNO).
enum MessageBoxAnswer : int {
  kAnswerOk = 1,
  kAnswerCancel = 2,
  kAnswerAbort = 3,
  kAnswerRetry = 4,
  kAnswerIgnore = 5,
  kAnswerYes = 6,
  kAnswerNo = 7,
};

// The button sets; each value is the set's system style (MB_OK ...
// MB_RETRYCANCEL).
enum class ButtonSet : unsigned {
  kOk = 0,
  kOkCancel = 1,
  kAbortRetryIgnore = 2,
  kYesNoCancel = 3,
  kYesNo = 4,
  kRetryCancel = 5,
};

// "ok", "ok_cancel", ... compared exactly; any other text shows only OK.
ButtonSet button_set_from_name(std::string_view name);

// The word a message box answers with; null where the set has no word for
// the answer (an answer other than abort, retry or ignore in that set).
const char* button_word(ButtonSet set, int answer);

// 0xRRGGBB to the system's colour order (red in the low byte), and back to
// the result "<string>0xrrggbb</string>" (lower-case hexadecimal).
uint32_t system_colour_from_rgb(int32_t rgb);
std::string colour_result(uint32_t system_colour);

// The files in an open-file dialog's answer buffer: one full path, or (after
// a multiple choice) a folder and several names separated by NULs and ended
// by two. Position 0 is a full path; further positions are bare names.
// Nothing is read past `size` bytes.
std::vector<std::string> chosen_files(const char* buffer, std::size_t size);

}  // namespace api
