#include "api/dialog_helpers.h"

#include <cstring>

#include "bridge/invoke_protocol.h"

namespace api {

ButtonSet button_set_from_name(std::string_view name) {
  if (name == "ok") return ButtonSet::kOk;
  if (name == "ok_cancel") return ButtonSet::kOkCancel;
  if (name == "abort_retry_ignore") return ButtonSet::kAbortRetryIgnore;
  if (name == "yes_no_cancel") return ButtonSet::kYesNoCancel;
  if (name == "yes_no") return ButtonSet::kYesNo;
  if (name == "retry_cancel") return ButtonSet::kRetryCancel;
  return ButtonSet::kOk;
}

const char* button_word(ButtonSet set, int answer) {
  switch (set) {
    case ButtonSet::kOk:
      return "ok";
    case ButtonSet::kOkCancel:
      return answer == kAnswerOk ? "ok" : "cancel";
    case ButtonSet::kAbortRetryIgnore:
      if (answer == kAnswerAbort) return "abort";
      if (answer == kAnswerRetry) return "retry";
      if (answer == kAnswerIgnore) return "ignore";
      return nullptr;
    case ButtonSet::kYesNoCancel:
      if (answer == kAnswerYes) return "yes";
      if (answer == kAnswerNo) return "no";
      return "cancel";
    case ButtonSet::kYesNo:
      return answer == kAnswerYes ? "yes" : "no";
    case ButtonSet::kRetryCancel:
      return answer == kAnswerRetry ? "retry" : "cancel";
  }
  return nullptr;
}

uint32_t system_colour_from_rgb(int32_t rgb) {
  const uint32_t value = static_cast<uint32_t>(rgb);
  const uint32_t red = (value >> 16) & 0xFF;
  const uint32_t green = (value >> 8) & 0xFF;
  const uint32_t blue = value & 0xFF;
  return red | (green << 8) | (blue << 16);
}

std::string colour_result(uint32_t system_colour) {
  const unsigned red = system_colour & 0xFF;
  const unsigned green = (system_colour >> 8) & 0xFF;
  const unsigned blue = (system_colour >> 16) & 0xFF;
  return bridge::result_text(bridge::format_text("0x%02x%02x%02x", red, green, blue), false);
}

std::vector<std::string> chosen_files(const char* buffer, std::size_t size) {
  std::vector<std::string> pieces;
  std::size_t at = 0;
  while (at < size && buffer[at] != '\0') {
    const void* nul = std::memchr(buffer + at, 0, size - at);
    const std::size_t end = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : size;
    pieces.emplace_back(buffer + at, end - at);
    at = end + 1;
  }
  if (pieces.size() <= 1) return pieces;
  // A folder and names: the first name joins the folder, the others stay bare.
  std::string first = pieces[0];
  if (first.back() != '\\' && first.back() != '/') first += '\\';
  first += pieces[1];
  std::vector<std::string> files;
  files.push_back(first);
  files.insert(files.end(), pieces.begin() + 2, pieces.end());
  return files;
}

}  // namespace api
