#include "driverfiles/driver_edit.h"

#include "driverfiles/companion.h"
#include "front/operations.h"

int32_t rewrite_driver_file(PaperJob *job, const char *root, DriverFile which,
                            const RewritePlan &plan) {
  if (format_driver_path(job->scratch_path, sizeof job->scratch_path, root,
                         job->model, which) != 0 ||
      rewrite_file(job->scratch_path, plan) != 0) {
    return kOpFileFailed;
  }
  return kOpDone;
}

int32_t run_model_companion(const PaperJob &job, const char *root,
                            const char *const *args) {
  char tool[kPathMax];
  if (format_driver_path(tool, sizeof tool, root, job.model,
                         DriverFile::kCompanionTool) != 0) {
    return kOpFileFailed;
  }
  const char *argv[16];
  argv[0] = tool;
  int n = 0;
  while (args[n] != nullptr && n < 14) {
    argv[n + 1] = args[n];
    ++n;
  }
  argv[n + 1] = nullptr;
  return run_companion(argv) == 0 ? kOpDone : kOpCompanionFailed;
}
