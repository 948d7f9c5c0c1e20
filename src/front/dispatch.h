// Dispatch: an accepted request's command line to the operations, their
// results to messages on standard output and the exit status (0 or -1;
// -1 reaches the shell as 255). Two failures are told on standard error
// instead (front/failure_report.h): a companion tool that failed, with how
// it failed, and, for a dry run or --ensure, a lock that was not had.
#ifndef ZKPT_FRONT_DISPATCH_H
#define ZKPT_FRONT_DISPATCH_H

#include "driverfiles/change/driver_lock.h"
#include "front/options.h"
#include "front/paper_job.h"

// Runs the accepted request, or shows what it would do (preview); a
// command line that makes no request shows the usage text.
int dispatch_request(const PaperJob &job, const SeenFlags &seen, const char *root,
                     bool preview);

// An add only when the format is not already there as asked (job holds
// an accepted add's command line): prints "unchanged" (nothing run or
// changed), or runs or previews the add and prints "added" or
// "replaced".
int ensure_request(const PaperJob &job, const char *root, bool preview);

// Why seen makes no request (a request is -P with -d, or with -n, -w and
// -h), in words ("missing -P"); null when it makes one.
const char *request_fault(const SeenFlags &seen);

// Parses argv (argv[0] stands for the program name and is not read) and
// runs the request; a faulty command line shows the usage text.
int run_request_words(int argc, const char *const *argv, PaperJob *job, const char *root);

// Runs body() under the model's driver-file lock, as a writer or a
// reader, into *result: 0, or -1 (errno set, the directory noted) when the
// lock cannot be had and body did not run. *installed (may be null) tells
// whether the model has a driver directory at all.
template <typename Body>
int under_driver_lock(const PaperJob &job, const char *root, bool writer, Body body, long *result,
                      bool *installed = nullptr) {
  int lock = -1;
  if (hold_driver_lock(job, root, writer, &lock) != 0) return -1;
  if (installed != nullptr) *installed = lock >= 0;
  *result = body();
  release_driver_lock(lock);
  return 0;
}

#endif
