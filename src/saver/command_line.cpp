#include "saver/command_line.h"

namespace saver {

namespace {

const char* skip_spaces(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

}  // namespace

const char* command_tail(const char* command_line, NextCharacter next) {
  const char* p = command_line;
  if (*p == '"') {
    p = next(p);
    while (*p != '\0' && *p != '"') p = next(p);
    if (*p == '"') p = next(p);
  } else {
    while (static_cast<unsigned char>(*p) > ' ') p = next(p);
  }
  // Blanks and control characters between the program name and the tail.
  while (*p != '\0' && static_cast<unsigned char>(*p) < '!') ++p;
  return p;
}

std::uint32_t parse_window_handle(const char* text) {
  std::uint32_t value = 0;
  for (const char* p = text;; ++p) {
    // Compared as a signed byte: anything from 0x80 up ends the number too.
    const signed char c = static_cast<signed char>(*p);
    if (c <= '/' || c > '9') break;
    const std::uint32_t digit = static_cast<std::uint32_t>(c - '0');
    if (value > (UINT32_MAX - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value;
}

ModeRequest read_mode(const char* tail) {
  ModeRequest request;
  for (const char* p = tail;; ++p) {
    switch (*p) {
      case '\0':
        request.mode = SaverMode::configure_without_parent;
        return request;
      case ' ':
      case '-':
      case '/':
        continue;
      case 'S':
      case 's':
        request.mode = SaverMode::full_screen;
        return request;
      case 'P':
      case 'p':
      case 'L':
      case 'l':
        request.mode = SaverMode::preview;
        request.window = parse_window_handle(skip_spaces(p + 1));
        return request;
      case 'C':
      case 'c':
        request.mode = SaverMode::configure;
        if (p[1] == ':') request.window = parse_window_handle(p + 2);
        return request;
      case 'A':
      case 'a':
        request.mode = SaverMode::change_password;
        request.window = parse_window_handle(skip_spaces(p + 1));
        return request;
      default:
        request.mode = SaverMode::unknown;
        return request;
    }
  }
}

}  // namespace saver
