// Failed steps on standard error (see failure_report.h).
#include "front/failure_report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/sys/companion.h"
#include "driverfiles/change/driver_lock.h"
#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/text/escaped_name.h"
#include "driverfiles/model/intent_record.h"
#include "front/operations.h"

namespace {

const char *program = "zkpapertoollpr";

}  // namespace

void set_program_name(const char *argv0) {
  const char *slash = std::strrchr(argv0, '/');
  program = slash != nullptr ? slash + 1 : argv0;
}

const char *program_name() { return program; }

const char *failure_reason(long result) {
  if (result == kOpCompanionFailed) return companion_failure();
  if (errno == EBADMSG) return kDamagedIntentReason;
  if (result == kOpIntentOpen) return "holds an interrupted request: run --repair";
  static_assert(kReaderLockWaitMs == 10000, "the lock's give-up message names the wait");
  if (errno == EWOULDBLOCK) return "another run holds the driver files' lock: gave up after 10 s";
  return std::strerror(errno);
}

void print_failure_start(const char *path) {
  print_escaped_name(program, std::strlen(program), stderr);
  (void)std::fputs(": ", stderr);
  if (*path == '\0') return;
  print_escaped_name(path, std::strlen(path), stderr);
  (void)std::fputs(": ", stderr);
}

int report_step_failure(long result) {
  const char *reason = failure_reason(result);
  print_failure_start(failed_driver_file());
  (void)std::fprintf(stderr, "%s\n", reason);
  return -1;
}

int report_output_failure(int error) {
  print_failure_start("standard output");
  (void)std::fprintf(stderr, "%s\n", std::strerror(error));
  return -1;
}
