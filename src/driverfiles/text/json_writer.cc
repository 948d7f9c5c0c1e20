// Writes JSON values to standard output (see json_writer.h).
#include "driverfiles/text/json_writer.h"

#include <cstdio>
#include <cstring>

size_t utf8_length(const unsigned char *b, size_t len) {
  size_t n;
  unsigned lowest;
  if (b[0] < 0x80) return 1;
  if (b[0] >= 0xC2 && b[0] <= 0xDF) n = 2, lowest = 0x80;
  else if (b[0] >= 0xE0 && b[0] <= 0xEF) n = 3, lowest = 0x800;
  else if (b[0] >= 0xF0 && b[0] <= 0xF4) n = 4, lowest = 0x10000;
  else return 0;
  if (len < n) return 0;
  unsigned code = b[0] & (0x7Fu >> n);
  for (size_t i = 1; i < n; ++i) {
    if ((b[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b[i] & 0x3Fu);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code < lowest || surrogate || code > 0x10FFFF ? 0 : n;
}

void write_json_string(const char *bytes, size_t len) {
  const unsigned char *b = reinterpret_cast<const unsigned char *>(bytes);
  std::putchar('"');
  for (size_t i = 0; i < len;) {
    const size_t n = utf8_length(b + i, len - i);
    if (b[i] < 0x20 || b[i] == 0x7F) std::printf("\\u%04x", b[i]);
    else if (b[i] == '"' || b[i] == '\\') std::printf("\\%c", b[i]);
    else if (n == 0) std::printf("\\udc%02x", b[i]);  // U+DC80 + byte - 0x80
    else (void)std::fwrite(b + i, 1, n, stdout);
    i += n == 0 ? 1 : n;
  }
  std::putchar('"');
}

void write_json_text(const char *text) {
  if (text == nullptr) (void)std::fputs("null", stdout);
  else write_json_string(text, std::strlen(text));
}
