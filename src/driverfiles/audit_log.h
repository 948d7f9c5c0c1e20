// The audit trail: one syslog(3) line (facility LOG_LPR, priority
// LOG_NOTICE, ident "zkpapertoollpr") for every change that reached the
// driver files, where administrators look for changes. Previews, lists
// and checks log nothing; callers log only after the change is in place.
//
// The line: "<action> model=<model> printer=<printer> name='<name>'
// id=<identifier> size=<width>x<height> uid=<real user id>", the name's
// bytes below 0x20, 0x7F, backslash and quote written as \xHH.
#ifndef ZKPT_DRIVERFILES_AUDIT_LOG_H
#define ZKPT_DRIVERFILES_AUDIT_LOG_H

#include <cstddef>
#include <cstdint>

struct AuditEntry {
  const char *action;  // "added", "deleted", "removed incomplete", ...
  const char *model;
  const char *printer;
  const char *name;  // name_len bytes, not terminated
  size_t name_len;
  const char *id;
  int64_t width, height;  // millimetres
};

// Writes the entry's line through sys_io (nothing is reported back).
void log_format_change(const AuditEntry &entry);

#endif
