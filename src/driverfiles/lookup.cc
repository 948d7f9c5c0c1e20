#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "driverfiles/format_id.h"
#include "driverfiles/line_io.h"
#include "driverfiles/sys_io.h"

namespace {

const char kPrefix[] = "ZkL";
const size_t kPrefixLen = 3;
const size_t kMediaLen = 10;
// Width (at least 2), height (3), seconds (1), microseconds (4).
const size_t kShortestTail = 10;

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') ||
         (c >= 'a' && c <= 'f');
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c - 'a' + 10;
}

bool has_media(const char *start, size_t left) {
  return left >= kPrefixLen + 3 && std::memcmp(start + kPrefixLen, "_zk", 3) == 0;
}

}  // namespace

bool match_entry_line(const char *line, size_t len, const char *label_name,
                      FormatId *id) {
  // Comparisons see the line up to its first zero byte.
  len = strnlen(line, len);
  const char *start = static_cast<const char *>(memmem(line, len, kPrefix, kPrefixLen));
  if (start == nullptr) return false;
  const size_t left = len - static_cast<size_t>(start - line);
  size_t at = kPrefixLen + (has_media(start, left) ? kMediaLen : 0);
  if (at + 2 > left || !is_hex(start[at]) || !is_hex(start[at + 1])) {
    return false;
  }
  const size_t name_len = static_cast<size_t>(hex_value(start[at])) * 16 +
                          static_cast<size_t>(hex_value(start[at + 1]));
  at += 2;
  const size_t tail = at;
  while (at < left && is_hex(start[at])) ++at;
  if (at - tail < kShortestTail || at >= left || start[at] != '/') return false;
  if (at >= kFormatIdMax) return false;
  const size_t name_at = at + 1;
  if (name_len != std::strlen(label_name) || name_at + name_len > left ||
      std::memcmp(start + name_at, label_name, name_len) != 0) {
    return false;
  }
  std::memcpy(id->text, start, at);
  id->text[at] = '\0';
  return true;
}

int find_format_id(const char *path, const char *label_name, FormatId *id) {
  const int fd = sys_io.open(path, O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return 0;
  static LineReader reader;  // large; one lookup at a time
  open_line_reader(&reader, fd);
  std::string line;
  long got = 0;
  int found = 0;
  while (found == 0 && (got = read_line(&reader, &line)) > 0) {
    found = match_entry_line(line.c_str(), line.size(), label_name, id) ? 1 : 0;
  }
  const int saved = errno;
  sys_io.close(fd);
  errno = saved;
  return got < 0 ? -1 : found;
}
