// Applying a set of formats: the model's formats made exactly what a list
// says, in one step under one lock.
//
// Deciding (decide_apply), from one reading of the model's four files
// (the inventory), per format of the set, in the set's order:
//   - the first entry of that name is complete, with the same media, size
//     and lines an add would write: kept as it is (identifier, lines, the
//     settings file's selection), nothing asked;
//   - else "replaced" (an entry of the name is there) or "added": what the
//     add request of that name does (companion asked to delete the name,
//     then to add it under a fresh identifier; the old entry's lines go,
//     a selection of it falls back to the default paper; three new lines);
// then, unless others are kept, every other entry, in the function file's
// order, "removed" as the delete request removes it (companion asked to
// delete it, its lines go, its selection falls back). Lines under an
// identifier no entry carries go too (unless the caller leaves them
// alone, as --ensure does), as --repair removes them: an apply cut short
// between its renames leaves the lines of the formats it removed so, and
// the next apply finishes the work. Entries whose name
// no request could give (empty, longer than 32 bytes, a zero byte or the
// marker in it) are left alone.
//
// Carrying out (run_apply), one step:
//   1. every file that changes is copied once through one plan holding
//      all the changes (the function file: old entries out, new entries
//      after the marker; paper table and ImagingArea: old lines out, new
//      ones appended; settings file: selections of old formats reset),
//      while the new identifiers are checked against every line; nothing
//      is asked before every copy is ready;
//   2. the companion tool is asked, change by change in the decided
//      order: a removed format's delete; an added or replaced format's
//      delete, then its add;
//   3. the copies are renamed into place: function file, paper table,
//      ImagingArea, settings file (a run cut short leaves new entries
//      incomplete, which the next apply replaces; a selection of a
//      replaced format moves to its new identifier), then the audit lines,
//      one per change with its printed verb ("added", "replaced" naming
//      the old identifier too, "removed"; a replaced format whose add
//      failed is "removed"), and one per orphan ("removed orphan" for the
//      paper table's and ImagingArea's lines, "reset setting").
// When the companion fails on the k-th change, the copies are made again
// with the changes before it (and, when only its add failed, its old
// format's removal, as the add request leaves it) and put in place: both
// sides agree, nothing is half done, and the same apply run again
// finishes the rest.
//
// A dry run asks nothing and writes nothing: step 2 prints the companion
// calls, step 3 each changed file's diff; a quiet one (DryRun::quiet)
// prints neither and makes the checks alone. A dry run holding its calls
// (DryRun::held) prints them once step 2 has made every check, so one
// pass fails where the apply would, before it prints anything.
#ifndef ZKPT_DRIVERFILES_APPLY_FORMATS_H
#define ZKPT_DRIVERFILES_APPLY_FORMATS_H

#include <cstddef>
#include <cstdint>

#include "driverfiles/change/driver_edit.h"
#include "driverfiles/format/format_id.h"
#include "driverfiles/format/format_spec.h"
#include "driverfiles/lines/line_scan.h"
#include "driverfiles/model/model_files.h"
#include "front/paper_job.h"

struct FormatSet {
  FormatSpec *formats;  // grown through sys_io; free_format_set()
  size_t count, cap;
};
void free_format_set(FormatSet *set);

enum class ChangeKind { kAdded, kReplaced, kRemoved };
enum class ChangeState { kPending, kOldGone, kDone };

struct FormatChange {
  ChangeKind kind;
  size_t spec;  // added or replaced: the set's format
  char name[kHeadMax + 1];  // the format's name as listed
  size_t name_len;
  FormatId old_id;  // replaced or removed
  FormatId new_id;  // added or replaced
  int64_t old_width, old_height;  // replaced or removed: as the listing showed it
  ChangeState state;
};

// One identifier's orphaned lines: of the paper table (and ImagingArea),
// of ImagingArea alone, or of the settings file; with the size the
// listing would show for it.
struct ApplyOrphan {
  FormatId id;
  DriverFile file;
  int64_t width, height;
};

struct ApplyPlan {
  FormatChange *changes;  // in the order carried out
  size_t count, cap;
  size_t failed;  // the change the companion failed on; count when none
  bool found;  // run_apply found every file it needs there (its first check)
  ModelInventory inv;  // what the decision was made from
  // Lines under an identifier no entry carries, which an interrupted run
  // leaves: dropped (paper table and ImagingArea) or reset (settings file)
  // with the changes, no companion asked, as --repair does; each is a
  // change of the set all the same, printed and logged.
  ApplyOrphan *orphans;
  size_t orphan_count, orphan_cap;
  // Settings lines an interrupted apply left under an identifier no entry
  // holds any more, which follow a format of the set (its record tells):
  // moved to the format's new identifier (or the one it keeps) instead of
  // reset. Not owned.
  const FollowedSetting *followed;
  size_t followed_count;
};
void free_apply_plan(ApplyPlan *plan);

// Decides the changes (into *plan, which starts zeroed); orphans false
// leaves the lines no entry carries alone. kOpDone, or kOpFileFailed
// (errno set, the file noted).
int32_t decide_apply(const PaperJob &job, const char *root, const FormatSet &set,
                     bool keep_others, ApplyPlan *plan, bool orphans = true);

// Carries the decided changes out, or shows them (dry_run not null).
// hook (may be null) is called once every copy is ready, before the first
// companion call (not at all when no change asks the companion anything);
// on return its pending tells that the companion agreed to a change whose
// files are not all in place.
// kOpDone (at once when nothing is to change); kOpFileFailed with nothing
// asked or changed when it failed before the companion was asked, else
// with hook's pending telling whether what the companion agreed to is not
// all in place; kOpCompanionFailed with plan->failed the change it failed
// on and what it agreed to before that in place. Each change's state
// tells what was done.
int32_t run_apply(const PaperJob &job, const char *root, const FormatSet &set,
                  ApplyPlan *plan, DryRun *dry_run, AskHook *hook);

// run_apply as a dry run of its own, in one pass: once every check has
// passed, shown(ctx) (may be null) is called, then the companion calls
// and the diffs are printed (unless quiet); nothing when a check fails.
int32_t preview_apply(const PaperJob &job, const char *root, const FormatSet &set,
                      ApplyPlan *plan, bool quiet, void (*shown)(void *ctx) = nullptr,
                      void *ctx = nullptr);

// The entry of a name as an apply decides it: the inventory's first entry
// of that name that no zero byte cuts short, or null. A binary search of
// the inventory's names.
const FormatEntry *entry_named(const ModelInventory &inv, const char *name);

// The job record of the set's format (job gives model and printer), and
// the format of an add's job record.
PaperJob job_of(const PaperJob &job, const FormatSpec &spec);
FormatSpec spec_of(const PaperJob &job);

// The size the listing shows for change's format once done (added or
// replaced) or as it was (removed, or a replaced one whose add failed).
void listed_change_size(const PaperJob &job, const FormatSet &set, const FormatChange &change,
                        int64_t *width, int64_t *height);

#endif
