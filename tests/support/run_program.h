// Runs the built program as a separate process, the way a shell would start it, and collects what it did.
#ifndef ZKPT_TESTS_SUPPORT_RUN_PROGRAM_H
#define ZKPT_TESTS_SUPPORT_RUN_PROGRAM_H

#include <string>
#include <vector>

// Where the program's standard output goes: a file read back afterwards,
// a device that is always full, or nowhere (descriptor 1 closed).
enum class Stdout { kCaptured, kFull, kClosed };

struct ProgramResult {
  int status;            // exit status, or 128 + signal number
  std::string out, err;  // standard output (empty unless captured) and error
};

// Runs exe with argv (argv[0] is the name it is started under) in the directory cwd, standard input read from the
// file in (none: closed), inheriting no descriptor above 2; unprivileged: without root's power over permissions. A
// run still going after a minute is killed (status 128 + SIGALRM).
ProgramResult run_program(const std::string &exe, const std::vector<std::string> &argv,
                          const std::string &cwd, Stdout out = Stdout::kCaptured, bool unprivileged = false,
                          const std::string &in = "/dev/null");

// Starts exe like run_program without waiting; output goes to /dev/null.
int start_program(const std::string &exe, const std::vector<std::string> &argv, const std::string &cwd);

// Waits for a started program; exit status, or 128 + signal number.
int wait_program(int pid);

#endif
