// The two driver-file operations the front end dispatches to, and the lock
// that keeps one request's edits apart from another run's.
//
// Each operation takes a copy of the job and the root of the driver tree
// ("/opt/vantrel" for the installed program) and answers with a small
// signed result. The driver-file subsystem implements them.
#ifndef ZKPT_FRONT_OPERATIONS_H
#define ZKPT_FRONT_OPERATIONS_H

#include <cstdint>

#include "driverfiles/driver_edit.h"
#include "front/paper_job.h"

enum : int32_t {
  kOpDone = 0,            // removed or added
  kOpNotFound = 1,        // delete only: no format of that name
  kOpFileFailed = -1,     // a driver file could not be rewritten; errno why
  kOpCompanionFailed = -2 // the companion tool did not succeed
};

// Removes the format named job.label_name: companion tool first, then the
// function file, paper table, settings file and imaging-area file.
int32_t delete_label_format(PaperJob job, const char *root);

// Registers job's format with the companion tool under a fresh identifier
// and writes it into the function file, paper table and imaging-area file.
int32_t add_label_format(PaperJob job, const char *root);

// The same two operations as steps of a request that may be a dry run,
// on the caller's copy of the job.
int32_t delete_format(PaperJob *job, Steps *steps);
int32_t add_format(PaperJob *job, Steps *steps);

// What an add needs before it asks or changes anything: the function
// file, paper table and imaging-area file can be opened, and the function
// file holds the "[CustomTape]" line entries follow (else ENODATA, as the
// entry would be written nowhere). kOpDone or kOpFileFailed (errno set).
// An add request checks it before its delete step; add_format again.
int32_t check_add_targets(const PaperJob &job, const Steps &steps);

// Takes the model's driver-file lock, waiting for any other run: a writer
// holds it alone and removes temporary files that a run which died left
// behind; readers (listing, checking, dry runs) share it, and wait for a
// writer at most kReaderLockWaitMs (then kOpFileFailed, errno
// EWOULDBLOCK). A failure notes the directory (failed_driver_file()).
// Returns 0 and a handle for release_driver_lock (-1 when the model has no driver
// directory, so there is nothing to guard), or kOpFileFailed with errno:
// a directory that is there but cannot be opened or locked is an error.
enum : long { kReaderLockWaitMs = 10000 };
int hold_driver_lock(const PaperJob &job, const char *root, bool writer, int *handle);
void release_driver_lock(int handle);

#endif
