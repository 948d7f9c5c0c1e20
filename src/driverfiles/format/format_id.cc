// Makes label format identifiers and reads them back from entry lines
// (see format_id.h).
#include "driverfiles/format/format_id.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Name length (2), width (at least 2), height (3), seconds (1), microseconds (4).
const size_t kShortestHex = 12;
const size_t kTimeDigits = 8;  // height, seconds and microseconds

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

long hex_number(const char *text, size_t digits) {
  long value = 0;
  for (size_t i = 0; i < digits; ++i) value = value * 16 + hex_value(text[i]);
  return value;
}

}  // namespace

FormatId make_format_id(const PaperJob &job, long seconds, long microseconds) {
  FormatId id{};
  // At most 3 + 32 + 2 + 8 + 3 + 1 + 4 characters: always fits.
  (void)std::snprintf(id.text, sizeof id.text, "%s%s%02X%02X%03X%01X%04X", kFormatIdPrefix, job.media_name,
                      static_cast<unsigned>(std::strlen(job.label_name)),
                      static_cast<unsigned>(static_cast<uint32_t>(job.width)),
                      static_cast<unsigned>(job.height & 0xFFF), static_cast<unsigned>(seconds & 0xF),
                      static_cast<unsigned>(microseconds & 0xFFFF));
  return id;
}

void next_time_digits(long *seconds, long *microseconds) {
  const long digits = (((*seconds & 0xF) << 16) | (*microseconds & 0xFFFF)) + 1;
  *seconds = (digits >> 16) & 0xF;
  *microseconds = digits & 0xFFFF;
}

bool parse_format_id(const char *text, size_t len, IdParts *parts) {
  if (len < kMediaAt || std::memcmp(text, kFormatIdPrefix, kMediaAt) != 0) return false;
  size_t at = kMediaAt;
  parts->media_len = len - at >= 3 && std::memcmp(text + at, "_zk", 3) == 0 ? size_t{kMediaLen} : size_t{0};
  at += parts->media_len;
  const size_t hex_start = at;
  while (at < len && at < kFormatIdMax - 1 && hex_value(text[at]) >= 0) ++at;
  if (at > len || at - hex_start < kShortestHex) return false;
  const size_t width_digits = at - hex_start - 2 - kTimeDigits;
  parts->len = at;
  parts->name_len = static_cast<size_t>(hex_number(text + hex_start, 2));
  parts->width = width_digits > 8 ? -1 : hex_number(text + hex_start + 2, width_digits);
  parts->height = hex_number(text + at - kTimeDigits, 3);
  return true;
}

bool match_entry_line(const char *line, size_t len, const char *label_name, FormatId *id) {
  // Comparisons see the line up to its first zero byte.
  len = strnlen(line, len);
  const char *start = static_cast<const char *>(memmem(line, len, kFormatIdPrefix, kMediaAt));
  if (start == nullptr) return false;
  const size_t left = len - static_cast<size_t>(start - line);
  IdParts parts{};
  if (!parse_format_id(start, left, &parts)) return false;
  const size_t name_at = parts.len + 1;
  if (parts.len >= left || start[parts.len] != '/') return false;
  if (parts.name_len != std::strlen(label_name) || name_at + parts.name_len > left ||
      std::memcmp(start + name_at, label_name, parts.name_len) != 0) {
    return false;
  }
  std::memcpy(id->text, start, parts.len);
  id->text[parts.len] = '\0';
  return true;
}
