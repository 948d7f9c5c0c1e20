// Starting the driver's companion tool, which keeps the CUPS side's list of
// label formats in step with ours.
//
// The tool is started directly with an argument vector, never through a
// shell, so printer and label names reach it as single literal arguments
// whatever bytes they hold. Standard output is flushed first, as the tool
// shares it. Only its exit status is used.
#ifndef ZKPT_DRIVERFILES_COMPANION_H
#define ZKPT_DRIVERFILES_COMPANION_H

// Starts the tool at argv[0] with argv (null-terminated) and waits for it.
// Returns 0 when it exited with status 0; -1 when it could not be started
// or waited for (errno set), exited non-zero or was killed by a signal.
int run_companion(const char *const *argv);

#endif
