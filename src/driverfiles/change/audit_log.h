// The audit trail: one syslog(3) line (facility LOG_LPR, priority
// LOG_NOTICE, ident "zkpapertoollpr") for every change that reached the
// driver files, where administrators look for changes. Previews, lists
// and checks log nothing; callers log only after the change is in place.
//
// The line: "<action> model=<model> printer='<printer>' name='<name>'
// id='<identifier>' size=<width>x<height> uid=<real user id>
// login_uid=<login uid>", then, each when set (as sudo sets them),
// " sudo_user='<SUDO_USER>'" and " sudo_uid='<SUDO_UID>'". After the
// identifier, a replacement has " old_id='<identifier replaced>'"; after
// the size, a format written has " asked=<width>x<height>", the size its
// request or set asked for (a tape's written width is its printed width).
// The verbs are the ones the administrator commands print: "added",
// "replaced", "removed". A change of no one name has name='' (a
// repair's or an apply's "removed orphan" and "reset setting"; "finished
// apply" also id='' and size=0x0). Every value from outside
// (printer, name, identifier, the sudo variables) is quoted, its bytes
// below 0x20, 0x7F, backslash and quote written as \xHH, so no value can
// end the line, leave its quotes or fake a field; nothing is cut. The
// login uid is the kernel's (/proc/self/loginuid): a number, "unset" when
// no login set it, or "unknown" when it cannot be read.
#ifndef ZKPT_DRIVERFILES_AUDIT_LOG_H
#define ZKPT_DRIVERFILES_AUDIT_LOG_H

#include <cstddef>
#include <cstdint>

#include "front/paper_job.h"

struct AuditEntry {
  const char *action;  // "added", "removed", "removed incomplete", ...
  const char *model;
  const char *printer;
  const char *name;  // name_len bytes, not terminated
  size_t name_len;
  const char *id;
  int64_t width, height;  // millimetres, as written
  const char *old_id = nullptr;  // a replacement's; null for none
  int64_t asked_width = 0, asked_height = 0;  // a format written; 0 for none
};

// Writes the entry's line through sys_io (nothing is reported back; a
// line that finds no memory is logged without its details, saying so).
void log_format_change(const AuditEntry &entry);

// The entry of a change to the format of identifier id (job's model and
// printer), its size as id's digits tell it.
void log_id_change(const char *action, const PaperJob &job, const char *name, size_t name_len, const char *id);

#endif
