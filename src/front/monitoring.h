// The check as a monitoring plugin gives it ("--check --monitoring"), for
// Icinga, Nagios and their kin: one status line on standard output,
//
//   ZKPAPERTOOLLPR OK - tvq310: formats 2, findings 0 | formats=2;;;0 findings=0;0;;0
//
// and the plugin's exit status: 0 OK; 1 WARNING when the check finds
// anything, whatever its kind (every finding counts); 2 CRITICAL when the
// model is not installed or its files cannot be read (the path and the
// reason in the line, no performance data); 3 UNKNOWN when the lock was
// given up or the command line is malformed. Nothing goes to standard
// error.
#ifndef ZKPT_FRONT_MONITORING_H
#define ZKPT_FRONT_MONITORING_H

#include "front/paper_job.h"

enum : int { kMonitorOk = 0, kMonitorWarning = 1, kMonitorCritical = 2, kMonitorUnknown = 3 };

// Checks job's model under the reader's lock and prints the status line;
// returns the plugin's exit status.
int run_check_monitoring(const PaperJob &job, const char *root);

// The line for a malformed command line (program: the name as started);
// returns kMonitorUnknown.
int monitoring_usage(const char *program);

#endif
