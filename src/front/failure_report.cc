// Failed steps on standard error (see failure_report.h).
#include "front/failure_report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driverfiles/companion.h"
#include "driverfiles/driver_paths.h"
#include "driverfiles/intent_record.h"
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
  static_assert(kReaderLockWaitMs == 10000, "the lock's give-up message names the wait");
  if (errno == EWOULDBLOCK) return "another run holds the driver files' lock: gave up after 10 s";
  return std::strerror(errno);
}

int report_step_failure(long result) {
  const char *path = failed_driver_file();
  const char *reason = failure_reason(result);
  if (*path != '\0') (void)std::fprintf(stderr, "%s: %s: %s\n", program, path, reason);
  else (void)std::fprintf(stderr, "%s: %s\n", program, reason);
  return -1;
}
