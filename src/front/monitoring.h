// The check as a monitoring plugin gives it ("--check --monitoring"), for
// Icinga, Nagios and their kin: a status line, its performance data after
// "|", and for findings one line of long output each,
//
//   ZKPAPERTOOLLPR OK - tvq310: formats 2, findings 0 | formats=2;;;0 findings=0;0;;0 intents=0;;;0
//   ZKPAPERTOOLLPR WARNING - tvq310: 2 findings, the first: LINE | formats=...
//   LINE
//   LINE
//
// each LINE a finding's --check line; past 20 of them, one line
// "and N more (--check shows them all)". A "|" in the text is written
// "\x7C", so no name can start performance data, and a ";" "\x3B", which
// the engine would turn into ":". The plugin's exit
// status: 0 OK; 1 WARNING when the check finds anything, whatever its kind
// (every finding counts); 2 CRITICAL when the model is not installed or
// its files cannot be read (the path and the reason in the line, no
// performance data); 3 UNKNOWN when the lock was given up, the command
// line is malformed or the output cannot be written. The output is
// written whole at the end, in one write; nothing goes to standard error.
#ifndef ZKPT_FRONT_MONITORING_H
#define ZKPT_FRONT_MONITORING_H

#include "front/paper_job.h"

enum : int { kMonitorOk = 0, kMonitorWarning = 1, kMonitorCritical = 2, kMonitorUnknown = 3 };

// Checks job's model under the reader's lock and prints the status line;
// returns the plugin's exit status.
int run_check_monitoring(const PaperJob &job, const char *root);

// The line for a malformed command line; returns kMonitorUnknown.
int monitoring_usage();

#endif
