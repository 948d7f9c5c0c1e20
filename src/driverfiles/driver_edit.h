// The steps the delete and add operations share: a driver file's path in
// the job's scratch buffer, then one rewrite of that file.
#ifndef ZKPT_DRIVERFILES_DRIVER_EDIT_H
#define ZKPT_DRIVERFILES_DRIVER_EDIT_H

#include <cstdint>

#include "driverfiles/driver_paths.h"
#include "driverfiles/rewrite.h"
#include "front/paper_job.h"

// Formats which file into job->scratch_path and rewrites it with plan.
// Returns kOpDone or kOpFileFailed (errno set).
int32_t rewrite_driver_file(PaperJob *job, const char *root, DriverFile which,
                            const RewritePlan &plan);

// Runs the model's companion tool with args (null-terminated, without the
// tool path). Returns kOpDone, kOpCompanionFailed, or kOpFileFailed when
// the tool's path does not fit.
int32_t run_model_companion(const PaperJob &job, const char *root,
                            const char *const *args);

#endif
