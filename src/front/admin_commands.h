// The administrator's commands, recognised only when one of these exact
// words is the first argument: "--list", "--check", "--repair -P PRINTER",
// "--ensure" and "--dry-run" followed by a request's command line,
// "--apply" (apply_command.h), "--help" and "--version". Every other
// command line is read as a request, exactly as without them. Each that
// reads or changes driver files runs under the model's lock. Data goes to
// standard output (a dry run's companion command lines and diffs are its
// data); errors, and the usage after a malformed command line with the
// reason in one line, go to standard error.
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
