#include "driverfiles/driver_edit.h"

#include <vector>

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
  std::vector<const char *> argv{tool};
  for (const char *const *arg = args; *arg != nullptr; ++arg) argv.push_back(*arg);
  argv.push_back(nullptr);
  return run_companion(argv.data()) == 0 ? kOpDone : kOpCompanionFailed;
}
