// The driver-file operations the front end dispatches to, and the lock
// that keeps one request's edits apart from another run's.
//
// Each operation takes a copy of the job (it formats the copy's paths
// when the job does not hold them yet, format_job_paths()) and the root of the driver tree ("/opt/vantrel" for the
// installed program), and answers with a small signed result. A request
// given a dry run shows its steps instead of taking them: the companion
// tool's command lines are printed as they come, and the rewrites of each
// file are gathered in the dry run, to be shown as diffs at its end. The
// driver-file subsystem implements all of them and keeps the dry run's
// state.
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

#include "driverfiles/driver_paths.h"
#include "front/paper_job.h"

enum : int32_t {
  kOpDone = 0,            // removed or added
  kOpNotFound = 1,        // delete only: the function file or the paper table has no
                          // entry of the name (a function file's entry is removed still)
  kOpFileFailed = -1,     // a driver file could not be read or rewritten; errno why
  kOpCompanionFailed = -2, // the companion tool did not succeed
  kOpIntentOpen = -3       // an interrupted request's record stops a request
};

// What a dry run has gathered; null for a request carried out.
struct DryRun;
// The intent record's part in the operations, and how an add chooses its
// identifier (driverfiles/driver_edit.h); null: none, and the clock.
struct AskHook;
struct AddChoice;

// Removes the format named job.label_name: every file it changes read and
// copied first, then the companion tool, then the copies put in place.
// decided (may be null: the name is looked up) is the identifier whose
// lines go in every file, as the caller decided it (entry_named()), or ""
// for none. keep_setting: the settings file is left to the add that
// replaces the format (its selection follows the format).
int32_t delete_label_format(PaperJob job, const char *root, DryRun *dry_run = nullptr,
                            AskHook *hook = nullptr, const FormatId *decided = nullptr,
                            bool keep_setting = false);

// Registers job's format with the companion tool under a fresh identifier
// and writes it into the function file, paper table and imaging-area file.
int32_t add_label_format(PaperJob job, const char *root, DryRun *dry_run = nullptr,
                         const AddChoice *choice = nullptr, AskHook *hook = nullptr);

// What an add needs before it asks or changes anything: the function
// file, paper table and imaging-area file can be opened, the function
// file holds the "[CustomTape]" line entries follow (else ENODATA, as the
// entry would be written nowhere). kOpDone or kOpFileFailed (errno set,
// the file noted).
// job's paths are formatted. An add request checks it once, before its
// delete step; the add's own copy of the function file still needs the
// marker line, which that delete may have taken.
int32_t check_add_targets(const PaperJob &job);

// The temporary copies of those three files can be made where they go
// (check_temporary()): kOpDone, or kOpFileFailed (errno set, the file
// noted). An add request checks it before anything is asked; its failure
// counts as the step that would meet it first (see recorded_request.h).
int32_t check_add_copies(const PaperJob &job);

// The dry run of one run of the program (one at most): start it, hand it
// to the requests, then end it, which prints the diff of every file
// touched in the order touched when show is set, and frees what it
// gathered. end_dry_run returns kOpDone or kOpFileFailed (errno set).
DryRun *start_dry_run();
int32_t end_dry_run(DryRun *dry_run, const PaperJob &job, const char *root, bool show);

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
