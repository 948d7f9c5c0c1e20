// How a failed step is told on standard error, the way tools that scripts
// drive tell it: "PROGRAM: PATH: reason", PROGRAM the name the tool was
// started under (without its folders), PATH the driver file, directory,
// intent record or companion tool that failed ("PROGRAM: reason" when no
// file was noted).
#ifndef ZKPT_FRONT_FAILURE_REPORT_H
#define ZKPT_FRONT_FAILURE_REPORT_H

// The name messages begin with, from the program name as started; the
// entry routine sets it once ("zkpapertoollpr" until then).
void set_program_name(const char *argv0);
const char *program_name();

// "PROGRAM: PATH: " on standard error, both escaped as names are
// (driverfiles/text/escaped_name.h) so that no byte of them can end the line
// or fake another; "PROGRAM: " alone for an empty path. Every message on
// standard error that names a file starts so.
void print_failure_start(const char *path);

// The line for a result below 0 (front/operations.h): for
// kOpCompanionFailed the companion tool and how it failed ("exited with
// status N", "killed by signal N" or the system's error); otherwise the
// driver file noted and errno's text, the reader's give-up on the lock
// (EWOULDBLOCK), or a damaged intent record's reason (EBADMSG). Returns
// -1.
int report_step_failure(long result);

// "PROGRAM: standard output: reason" for output that did not reach its
// reader (a full disk behind a redirect, a closed descriptor), reason
// error's text. Returns -1.
int report_output_failure(int error);

// The reason alone, as report_step_failure() gives it after the path.
const char *failure_reason(long result);

#endif
