// Runs a program as a separate process and collects what it did.
#ifndef ZKPT_TESTS_SUPPORT_RUN_PROGRAM_H
#define ZKPT_TESTS_SUPPORT_RUN_PROGRAM_H

#include <string>
#include <vector>

struct ProgramResult {
  int status;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// Executes exe with argv (argv[0] is the name it is started under) in the
// directory cwd.
ProgramResult run_program(const std::string &exe,
                          const std::vector<std::string> &argv,
                          const std::string &cwd);

// Starts exe like run_program without waiting; output goes to /dev/null.
int start_program(const std::string &exe, const std::vector<std::string> &argv,
                  const std::string &cwd);

// Waits for a started program; exit status, or 128 + signal number.
int wait_program(int pid);

// Runs body with standard output sent to a file; returns what it wrote.
std::string capture_stdout(void (*body)(void *), void *context);

#endif
