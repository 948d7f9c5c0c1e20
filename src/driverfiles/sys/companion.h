// Starting the driver's companion tool, which keeps the CUPS side's list of
// label formats in step with ours.
//
// Started with an argument vector, never through a shell, so names reach
// it as single literal arguments whatever bytes they hold; standard output
// is flushed first, as the tool shares it. Only its exit status counts.
#ifndef ZKPT_DRIVERFILES_COMPANION_H
#define ZKPT_DRIVERFILES_COMPANION_H

// Starts the tool at argv[0] with argv (null-terminated) and waits for it.
// Returns 0 when it exited with status 0; -1 when it could not be started
// or waited for (errno set), exited non-zero or was killed by a signal.
int run_companion(const char *const *argv);

// Whether the tool at path could be started: 0 for an executable file; -1
// with ENOENT (or ENOTDIR) when not there, EACCES when not an executable
// file or its folder cannot be searched, or the stat's error.
int check_companion(const char *path);

// How the last failure of run_companion() or check_companion() came
// about: "exited with status N", "killed by signal N" or the system's
// error text; "" before any failure.
const char *companion_failure();

#endif
