// The administrator's commands, recognised only when one of these exact
// words is the first argument: "--list", "--check", "--repair -P PRINTER",
// "--ensure" and "--dry-run" followed by a request's command line, and
// "--apply" (apply_command.h). Every other
// command line is read as a request, exactly as without them. Each runs
// under the model's lock; data goes to standard output, errors and
// usage (with the reason in one line) to standard error.
#ifndef ZKPT_FRONT_ADMIN_COMMANDS_H
#define ZKPT_FRONT_ADMIN_COMMANDS_H

#include "front/paper_job.h"

bool is_command_word(const char *word);

// Runs the command argv[1] names; returns the exit status: 0, 1 (--check
// and --repair: inconsistencies found or left), -1 (a driver file or the
// companion tool failed; the error line printed for a file); 2 for a
// malformed command line; --check --monitoring as front/monitoring.h says.
int run_admin_command(int argc, const char *const *argv, PaperJob *job, const char *root);

#endif
