// printf-style formatting into a string of whatever length it takes, for
// the driver lines and companion tool arguments this tool writes. Formats
// are literals of this tool's own.
#ifndef ZKPT_DRIVERFILES_TEXT_FORMAT_H
#define ZKPT_DRIVERFILES_TEXT_FORMAT_H

#include <cstdio>
#include <string>

template <typename... Args>
std::string format_text(const char *format, Args... args) {
  const int len = std::snprintf(nullptr, 0, format, args...);
  if (len <= 0) return std::string();
  std::string text(static_cast<size_t>(len) + 1, '\0');
  const int written = std::snprintf(&text[0], text.size(), format, args...);
  text.resize(written == len ? static_cast<size_t>(len) : 0);
  return text;
}

#endif
