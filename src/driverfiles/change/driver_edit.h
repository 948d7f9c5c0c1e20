// The steps every request and repair is made of: running the companion
// tool and rewriting one driver file. A request runs them for real, or,
// given a dry run, shows them: the companion tool's command lines are
// printed as they come and the rewrites of each file are gathered into one
// plan per file, shown as a unified diff at the end. Both go through the
// same operations, so what a dry run shows is what the request does.
//
// Results: kOpDone, or kOpFileFailed with errno set and the file noted
// (failed_driver_file()); the companion step may give kOpCompanionFailed.
#ifndef ZKPT_DRIVERFILES_DRIVER_EDIT_H
#define ZKPT_DRIVERFILES_DRIVER_EDIT_H

#include <cstdint>

#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/format/format_id.h"
#include "driverfiles/format/label_lines.h"
#include "driverfiles/lines/rewrite.h"
#include "front/operations.h"
#include "front/paper_job.h"

// One file's rewrites in a request's dry run, merged: each rewrite's match
// joins a set, and a delete's and an add's plans never set the other
// fields both. An apply's plans move selections; its dry run shows each
// plan whole (show_driver_file()) and gathers none.
struct PendingPlan {
  bool touched;
  int order;  // when the file was first touched
  FormatId *matches;  // grown through sys_io; end_dry_run() frees it
  size_t match_count, match_cap;
  const char *replace;
  const char *marker;
  char insert[kLineMax];
  char append[kLineMax];
};

// An apply's dry run holds its companion calls until every check has
// passed (show_held_calls()), so it prints nothing where it fails.
struct HeldCalls {
  void (*shown)(void *ctx);  // called first (may be null)
  void *ctx;
  char *text;  // grown through sys_io; its owner frees it
  size_t len, cap;
};

struct DryRun {
  PendingPlan pending[kDriverFileCount];
  int touched;
  bool quiet;  // checks alone: no companion call or diff printed
  HeldCalls *held;  // null: companion calls printed as they come
};

// The dry run of one run of the program (one at most): start it, hand it
// to the requests, then end it, which prints the diff of every file
// touched in the order touched when show is set, and frees what it
// gathered. end_dry_run returns kOpDone or kOpFileFailed (errno set).
DryRun *start_dry_run();
int32_t end_dry_run(DryRun *dry_run, const PaperJob &job, const char *root, bool show);

// kOpFileFailed with errno error and path noted: a step that finds a file
// it cannot use.
int32_t fail_with(const char *path, int error);

// Where a request's steps go: the driver tree, and the dry run that shows
// them instead (null: they are taken).
struct Steps {
  const char *root;
  DryRun *dry_run;
};

// The steps read the files' and the companion tool's paths from the job
// record, formatted once for the request (format_job_paths()).
//
// Rewrites which file with plan (in a dry run: checks the file as
// check_rewrite() does, then gathers plan into the dry run's).
int32_t rewrite_driver_file(const PaperJob &job, const Steps &steps, DriverFile which, const RewritePlan &plan);

// The first half of that rewrite, watching for a text on the way (watch
// may be null; see rewrite.h); a dry run only checks and watches
// (check_rewrite()), and the copies' commit gathers the plan. A failed
// prepare leaves nothing prepared; abandon_rewrite() removes what it left.
int32_t prepare_driver_file(const PaperJob &job, const Steps &steps, DriverFile which,
                            const RewritePlan &plan, const WatchedText *watch, PreparedFile *prepared);

// Calls the held calls' shown(), once, then prints and drops the calls held.
void show_held_calls(DryRun *dry_run);

// Runs the model's companion tool to delete job's format by name, or to
// add it under id, or prints "run: " and the command line in a dry run,
// which first checks that the tool could be started; kOpCompanionFailed
// with the tool noted (failed_driver_file(), and companion_failure() says
// how).
int32_t ask_companion_to_delete(const PaperJob &job, const Steps &steps);
int32_t ask_companion_to_add(const PaperJob &job, const Steps &steps, const FormatId &id);

// Prints the diff plan would make of the file, set (may be null) standing
// for its match (a dry run's commit of a plan that is whole already, as
// an apply's is).
int32_t show_driver_file(const PaperJob &job, DriverFile which, const RewritePlan &plan, const MatchSet *set = nullptr);

// The copies of the files one step rewrites: each prepared once (read
// and copied, nothing changed yet, nothing asked), then all put in place
// in the step's order, or abandoned. A removal puts the function file's
// entries last, an add and an apply their new entries first, so a run
// cut short leaves an entry whose format is not whole, which the next
// request or apply of its name finishes (and, with the intent record
// still there, --repair).
extern const DriverFile kAddOrder[3];    // function file, paper table, ImagingArea
extern const DriverFile kApplyOrder[4];  // function file, paper table, ImagingArea, settings file
struct FileCopies {
  const DriverFile *order;
  int count;
  RewritePlan plan[4];  // as order, like wanted and prepared
  bool wanted[4];
  PreparedFile prepared[4];
};

// Prepares the copy at i when wanted, watched for watch's text (may be
// null); prepare_copies prepares each, up to a failure. What is prepared
// waits for commit or abandon, whichever way the step ends.
int32_t prepare_copy(const PaperJob &job, const Steps &steps, const WatchedText *watch, int i, FileCopies *copies);
int32_t prepare_copies(const PaperJob &job, const Steps &steps, const WatchedText *watch, FileCopies *copies);
// Puts the wanted copies in place in order (a dry run gathers their
// plans for its diffs), then abandons what is left.
int32_t commit_copies(const Steps &steps, FileCopies *copies);
void abandon_copies(FileCopies *copies);

// A format's lines removed, in this order: ImagingArea, the settings
// line reset to the model's default paper, paper table (all under id),
// then the function file's entries (under entry_id). id may be null (only
// the entries go); paper, when not null, is the paper table's copy
// already prepared for id and is taken over. Commit and abandon are the
// copies'.
struct FormatRemoval {
  char id[kFormatIdMax], entry_id[kFormatIdMax];
  FileCopies copies;
};
int32_t prepare_removal(const PaperJob &job, const Steps &steps, const char *id,
                        const char *entry_id, PreparedFile *paper, FormatRemoval *removal);

// The intent record's part in the delete and add steps (intent_record.h):
// before is called just before the companion tool is asked to change
// anything, with an add's identifier (null for a delete, which calls it
// only when the function file holds the name, and for an apply); an add
// request also calls it, with the first identifier its add will try,
// before its delete step. A failure stops the step with nothing asked.
// pending tells that the companion tool agreed to a step whose files are
// not all in place.
struct AskHook {
  int32_t (*before)(void *ctx, const FormatId *id);
  void *ctx;
  bool pending;
};

// How an add chooses its identifier: from the time digits, a microsecond
// on while a driver line holds one or one holds an entry's identifier, or
// exactly *fixed (a repeated add; a taken one fails with EEXIST, except in
// a dry run, whose shown delete has not freed it).
struct AddChoice {
  long seconds, microseconds;
  const FormatId *fixed;
};

// Refuses, before anything is changed, a link it may not follow among
// the model's four driver files: a repair's, whose mending takes several
// steps (a request's or an apply's copies refuse one on their own, each
// before anything is asked).
int32_t check_driver_links(const PaperJob &job);

// The default paper line a settings line falls back to.
const char *default_paper_line(const PaperJob &job);

#endif
