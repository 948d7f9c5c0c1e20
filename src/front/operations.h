// The two driver-file operations a request comes down to, and the results
// every part of the driver-file subsystem answers with. What else the front
// end uses of the subsystem has a header there: the dry run
// (driverfiles/change/driver_edit.h), the lock (driverfiles/change/driver_lock.h), a
// request with its intent recorded (driverfiles/change/recorded_request.h).
//
// Each operation takes a copy of the job (it formats the copy's paths
// when the job does not hold them yet, format_job_paths()) and the root of the driver tree ("/opt/vantrel" for the
// installed program), and answers with a small signed result. A request
// given a dry run shows its steps instead of taking them: the companion
// tool's command lines are printed as they come, and the rewrites of each
// file are gathered in the dry run, to be shown as diffs at its end.
//
// Results, here and in every part of the subsystem built on the
// operations (their steps, the lock, the reports, the repair): 0 or
// another outcome that is not negative (kOpNotFound, a count of
// findings, a format's state), or a failure below 0: kOpFileFailed with
// errno set and the driver file noted (failed_driver_file()),
// kOpCompanionFailed, or (a request only) kOpIntentOpen. The layer below (system calls, paths, line scan,
// plans, rewrite, reading files) answers as sys_io.h says.
#ifndef ZKPT_FRONT_OPERATIONS_H
#define ZKPT_FRONT_OPERATIONS_H

#include <cstdint>

#include "front/paper_job.h"

enum : int32_t {
  kOpDone = 0,            // removed or added
  kOpNotFound = 1,        // delete only: the function file or the paper table has no
                          // entry of the name (a function file's entry is removed still)
  kOpFileFailed = -1,     // a driver file could not be read or rewritten; errno why
  kOpCompanionFailed = -2, // the companion tool did not succeed
  kOpIntentOpen = -3       // an interrupted request's record stops a request
};

// What a dry run has gathered, null for a request carried out; the intent
// record's part in the operations, and how an add chooses its identifier,
// null: none, and the clock. The subsystem defines them
// (driverfiles/change/driver_edit.h).
struct DryRun;
struct AskHook;
struct AddChoice;

// Removes the format named job.label_name: every file it changes read and
// copied first, then the companion tool, then the copies put in place.
int32_t delete_label_format(PaperJob job, const char *root, DryRun *dry_run = nullptr,
                            AskHook *hook = nullptr);

// Registers job's format with the companion tool under a fresh identifier
// and writes it into the function file, paper table and imaging-area file.
int32_t add_label_format(PaperJob job, const char *root, DryRun *dry_run = nullptr,
                         const AddChoice *choice = nullptr, AskHook *hook = nullptr);

#endif
