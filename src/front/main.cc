// The entry routine: the program name to a model, then the command line to
// an administrator command or a request. The installed program works on
// the driver tree under /opt/vantrel; a test or demo build compiles in
// another root instead.
#include <cerrno>
#include <cstdio>

#include "front/admin_commands.h"
#include "front/dispatch.h"
#include "front/failure_report.h"

#ifndef ZKPT_DRIVER_ROOT
#define ZKPT_DRIVER_ROOT "/opt/vantrel"
#endif

int main(int argc, char **argv) {
  // An empty argument vector is treated as an unrecognised, empty name.
  const char *program = (argc > 0 && argv[0] != nullptr) ? argv[0] : "";
  set_program_name(program);
  PaperJob job{};  // one per run, zero-filled
  int status = 0;
  if (!select_model(program, &job)) std::printf("%s is invalid.\n\n", program);
  else if (argc > 1 && is_command_word(argv[1])) status = run_admin_command(argc, argv, &job, ZKPT_DRIVER_ROOT);
  else status = run_request_words(argc, argv, &job, ZKPT_DRIVER_ROOT);
  // Silence is never success: what was printed must have reached its
  // reader (a full disk behind a redirect, a closed descriptor).
  // A write that failed earlier, its buffer dropped, leaves no reason: EIO.
  errno = EIO;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return report_output_failure(errno);
  return status;
}
