// The model's driver-file lock, which keeps one request's edits apart
// from another run's: flock on the model's inf/ directory. Results as
// front/operations.h says.
#ifndef ZKPT_DRIVERFILES_DRIVER_LOCK_H
#define ZKPT_DRIVERFILES_DRIVER_LOCK_H

#include "front/paper_job.h"

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

// Whether the last writer's lock taken removed which's temporary copy.
bool removed_stale_temporary(DriverFile which);

#endif
