// Formats and writes the audit trail's lines (see audit_log.h).
#include "driverfiles/audit_log.h"

#include <syslog.h>
#include <unistd.h>

#include <cstdio>

#include "driverfiles/sys_io.h"

namespace {

// Copies name into out (cap bytes), escaping what would blur the line.
void escape_name(const char *name, size_t len, char *out, size_t cap) {
  size_t at = 0;
  for (size_t i = 0; i < len && at + 5 < cap; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F || c == '\\' || c == '\'') {
      at += static_cast<size_t>(std::snprintf(out + at, cap - at, "\\x%02X", c));
    } else {
      out[at++] = static_cast<char>(c);
    }
  }
  out[at] = '\0';
}

}  // namespace

void log_format_change(const AuditEntry &entry) {
  char name[4 * 256 + 1];
  escape_name(entry.name, entry.name_len, name, sizeof name);
  char line[2048];
  (void)std::snprintf(line, sizeof line,
                      "%s model=%s printer=%s name='%s' id=%s size=%lldx%lld uid=%u",
                      entry.action, entry.model, entry.printer, name, entry.id,
                      static_cast<long long>(entry.width), static_cast<long long>(entry.height),
                      static_cast<unsigned>(getuid()));
  (void)sys_io.log_line(LOG_NOTICE, line);
}
