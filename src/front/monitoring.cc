// The check's status line for monitoring (see monitoring.h).
#include "front/monitoring.h"

#include <cerrno>
#include <cstdio>

#include "driverfiles/driver_paths.h"
#include "driverfiles/model_report.h"
#include "front/dispatch.h"
#include "front/failure_report.h"
#include "front/operations.h"

namespace {

const char kService[] = "ZKPAPERTOOLLPR";

// The check's numbers, and whether the model is installed at all.
struct Tally {
  const PaperJob *job;
  const char *root;
  size_t formats;
  bool not_installed;
};

// Only a missing model is told apart; every other finding just counts.
void note_finding(void *ctx, const Finding &f) {
  if (f.kind == FindingKind::kNotInstalled) static_cast<Tally *>(ctx)->not_installed = true;
}

long tally(void *ctx) {
  Tally &t = *static_cast<Tally *>(ctx);
  return find_model_findings(*t.job, t.root, note_finding, &t, &t.formats);
}

int failed(const PaperJob &job) {
  const bool busy = errno == EWOULDBLOCK;
  const char *path = failed_driver_file(), *reason = failure_reason(kOpFileFailed);
  std::printf("%s %s - %s: %s%s%s\n", kService, busy ? "UNKNOWN" : "CRITICAL", job.model, path,
              *path != '\0' ? ": " : "", reason);
  return busy ? kMonitorUnknown : kMonitorCritical;
}

}  // namespace

int run_check_monitoring(const PaperJob &job, const char *root) {
  Tally t{&job, root, 0, false};
  long found = -1;
  if (under_driver_lock(job, root, false, tally, &t, &found) != 0 || found < 0) return failed(job);
  if (t.not_installed) {
    char dir[kPathMax] = "";
    (void)format_inf_directory(dir, sizeof dir, root, job.model);
    std::printf("%s CRITICAL - %s: %s: not installed\n", kService, job.model, dir);
    return kMonitorCritical;
  }
  std::printf("%s %s - %s: formats %zu, findings %ld | formats=%zu;;;0 findings=%ld;0;;0\n", kService,
              found > 0 ? "WARNING" : "OK", job.model, t.formats, found, t.formats, found);
  return found > 0 ? kMonitorWarning : kMonitorOk;
}

int monitoring_usage(const char *program) {
  std::printf("%s UNKNOWN - usage: %s --check --monitoring\n", kService, program);
  return kMonitorUnknown;
}
