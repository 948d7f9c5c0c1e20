// How a failed step is told on standard error, the way tools that scripts
// drive tell it: "PROGRAM: PATH: reason", PROGRAM the name the tool was
// started under (without its folders), PATH the driver file, directory or
// companion tool that failed.
#ifndef ZKPT_FRONT_FAILURE_REPORT_H
#define ZKPT_FRONT_FAILURE_REPORT_H

// The name messages begin with, from the program name as started; the
// entry routine sets it once ("zkpapertoollpr" until then).
void set_program_name(const char *argv0);
const char *program_name();

// The line for a result below 0 (front/operations.h): for
// kOpCompanionFailed the companion tool and how it failed ("exited with
// status N", "killed by signal N" or the system's error); otherwise the
// driver file noted and errno's text, or the reader's give-up on the
// lock. Returns -1.
int report_step_failure(long result);

// The reason alone, as report_step_failure() gives it after the path.
const char *failure_reason(long result);

#endif
