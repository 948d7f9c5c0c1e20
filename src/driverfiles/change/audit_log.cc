// Formats and writes the audit trail's lines (see audit_log.h).
#include "driverfiles/change/audit_log.h"

#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driverfiles/format/format_id.h"
#include "driverfiles/sys/sys_io.h"

namespace {

// A line built in two passes: the first (text null) only counts its bytes.
struct Line {
  char *text;
  size_t len;
};

void put(Line *l, const char *bytes, size_t n) {
  if (l->text != nullptr) std::memcpy(l->text + l->len, bytes, n);
  l->len += n;
}

void put_text(Line *l, const char *text) { put(l, text, std::strlen(text)); }

// A value from outside, quoted, with what could end it or the line escaped.
void put_quoted(Line *l, const char *field, const char *value, size_t n) {
  put_text(l, field);
  put(l, "'", 1);
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(value[i]);
    if (c < 0x20 || c == 0x7F || c == '\\' || c == '\'') {
      char hex[5];
      (void)std::snprintf(hex, sizeof hex, "\\x%02X", c);
      put(l, hex, 4);
    } else {
      put(l, value + i, 1);
    }
  }
  put(l, "'", 1);
}

// The kernel's login uid: digits, and 4294967295 when no login set it.
void read_login_uid(char *out, size_t cap) {
  (void)std::snprintf(out, cap, "unknown");
  const int fd = sys_io.open("/proc/self/loginuid", O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return;
  char digits[16] = {};
  const ssize_t got = retry_interrupted([&] { return sys_io.read(fd, digits, sizeof digits - 1); });
  (void)sys_io.close(fd);
  const size_t len = got > 0 ? std::strcspn(digits, "\n") : 0;
  digits[len] = '\0';
  if (len == 0 || std::strspn(digits, "0123456789") != len) return;
  (void)std::snprintf(out, cap, "%s", std::strcmp(digits, "4294967295") == 0 ? "unset" : digits);
}

// Who acted is told by the kernel's login uid and, under sudo, its variables.
void compose(Line *l, const AuditEntry &e, const char *login_uid) {
  char numbers[96];
  put_text(l, e.action);
  put_text(l, " model=");
  put_text(l, e.model);
  put_quoted(l, " printer=", e.printer, std::strlen(e.printer));
  put_quoted(l, " name=", e.name, e.name_len);
  put_quoted(l, " id=", e.id, std::strlen(e.id));
  if (e.old_id != nullptr) put_quoted(l, " old_id=", e.old_id, std::strlen(e.old_id));
  (void)std::snprintf(numbers, sizeof numbers, " size=%lldx%lld", static_cast<long long>(e.width),
                      static_cast<long long>(e.height));
  put_text(l, numbers);
  if (e.asked_width != 0) {
    (void)std::snprintf(numbers, sizeof numbers, " asked=%lldx%lld", static_cast<long long>(e.asked_width),
                        static_cast<long long>(e.asked_height));
    put_text(l, numbers);
  }
  (void)std::snprintf(numbers, sizeof numbers, " uid=%u login_uid=", static_cast<unsigned>(getuid()));
  put_text(l, numbers);
  put_text(l, login_uid);
  const char *sudo_user = std::getenv("SUDO_USER"), *sudo_uid = std::getenv("SUDO_UID");
  if (sudo_user != nullptr) put_quoted(l, " sudo_user=", sudo_user, std::strlen(sudo_user));
  if (sudo_uid != nullptr) put_quoted(l, " sudo_uid=", sudo_uid, std::strlen(sudo_uid));
}

}  // namespace

void log_format_change(const AuditEntry &entry) {
  char login_uid[16];  // digits, "unset" or "unknown"
  read_login_uid(login_uid, sizeof login_uid);
  Line line{nullptr, 0};
  compose(&line, entry, login_uid);
  line.text = static_cast<char *>(sys_io.realloc(nullptr, line.len + 1));
  if (line.text == nullptr) {
    char lost[128];
    (void)std::snprintf(lost, sizeof lost, "%s model=%s (no memory for the details)", entry.action, entry.model);
    (void)sys_io.log_line(LOG_NOTICE, lost);
    return;
  }
  line.len = 0;
  compose(&line, entry, login_uid);
  line.text[line.len] = '\0';
  (void)sys_io.log_line(LOG_NOTICE, line.text);
  std::free(line.text);
}

void log_id_change(const char *action, const PaperJob &job, const char *name, size_t name_len, const char *id) {
  IdParts parts{};
  (void)parse_format_id(id, std::strlen(id), &parts);
  log_format_change({action, job.model, job.printer, name, name_len, id, parts.width, parts.height});
}
