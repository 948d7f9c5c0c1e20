// Names escaped for a line of text output (see escaped_name.h).
#include "driverfiles/text/escaped_name.h"

void print_escaped_name(const char *name, size_t len, FILE *to) {
  for (size_t i = 0; i < len; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    const char *named = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : nullptr;
    if (named != nullptr) (void)std::fputs(named, to);
    else if (c < 0x20 || c == 0x7F) (void)std::fprintf(to, "\\x%02X", c);
    else (void)std::fputc(c, to);
  }
}
