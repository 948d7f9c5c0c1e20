// Rewriting a driver file: the one way this tool changes a driver file,
// and the one way it shows a change it would make.
//
// A plan says what becomes of each line: a line carrying `match` (or any
// identifier of `matches`) is left out, or replaced by `replace`; after
// each other line holding `marker`, `insert` is written; `append` follows
// the last line. A line carries the identifier its first "ZkL" reads as
// (as the lookup and the inventory read it), never one inside a name or
// a longer one. A line left out that holds "[CustomTape]" (an entry an
// add wrote on an unended marker line) leaves that marker, with the
// line's newline if it had one, as a marker line of its own. insert and
// append may be many lines, so any number of formats is dropped and added
// in one pass and one rename. Text written after a last line without a
// newline gets one first, so an added line never merges with a line the
// tool does not own. Lines of any length and zero bytes are copied exactly.
//
// rewrite_file() never edits a driver file in place:
//   1. a driver file that is a symbolic link is followed, but only when
//      the link and its target belong to the owner of the directory
//      holding the link (else EACCES); the target is rewritten and the
//      link stays a link;
//   2. open the file; remove a stale temporary "<file>.$$$" and create it
//      afresh, exclusively and never through a link;
//   3. copy every line through the plan into it;
//   4. give it the file's owner and group (where the caller may; at least
//      the group, as far as allowed), permission bits 0666 (the driver's
//      programs rely on them), fsync and close it;
//   5. rename it over the file (readers see the old file or the new one,
//      never none or part of one), then fsync the directory (or leave
//      that to one sync of the change set: see hold_directory_syncs()).
// Result: 0, or -1 with errno from the call that failed. Up to the rename
// the file is exactly as it was and the temporary file is removed on
// every failure; a failed directory fsync is reported although the new
// content is in place.
//
// A rewrite can be split where the file changes: prepare_rewrite() does
// steps 1 to 4, commit_rewrite() step 5, abandon_rewrite() removes the
// prepared copy instead. It can also watch for a text on the way
// (WatchedText), so a request learns what a file holds in the same pass
// that copies it.
//
// preview_file() runs the same plan over the file without writing
// anything and prints the change as a unified diff (diff_preview.h) to
// standard output; nothing when the plan changes nothing. A dry run
// gathers all rewrites of a file into one plan whose match is a set of
// identifiers (lines are dropped or reset whichever comes first, so their
// order does not matter).
//
// Callers serialise runs with the driver lock; the temporary name is fixed.
#ifndef ZKPT_DRIVERFILES_REWRITE_H
#define ZKPT_DRIVERFILES_REWRITE_H

#include "driverfiles/lines/plan_apply.h"
#include "front/paper_job.h"

int rewrite_file(const char *path, const RewritePlan &plan);

// Output is gathered up to this many bytes before each write.
const size_t kRewriteBuffer = 1 << 18;

struct PreparedFile {
  bool ready;  // a prepared copy waits for commit or abandon
  char file[kPathMax];
  char temp[kPathMax];
};

// watch may be null. Results as rewrite_file(); on failure nothing is
// left prepared.
int prepare_rewrite(const char *path, const RewritePlan &plan, const WatchedText *watch, PreparedFile *prepared);
int commit_rewrite(PreparedFile *prepared);
void abandon_rewrite(PreparedFile *prepared);

// Step 5's directory fsync, shared by a change set: while an intent
// record is in place the order in which its renames become durable does
// not matter, only that all are before the record goes (intent_record.h).
// From hold_directory_syncs() to sync_held_directories(), commit_rewrite()
// and rewrite_file() rename without the fsync and note the directory of
// the file renamed (a link's target's); sync_held_directories() fsyncs
// each distinct directory noted once and ends the hold: 0, or -1 with
// errno and *failed the first directory whose fsync failed (the others
// are synced all the same). write_whole_file() syncs at once, held or not.
void hold_directory_syncs();
int sync_held_directories(const char **failed);

// prepare_rewrite() without writing anything (a dry run's prepare, so it
// fails where the request would): the same link rule and open, the place
// of the temporary copy checked as its creation would find it (the
// directory writable and searchable with the effective ids, else EACCES,
// or EROFS on a read-only file system; a directory standing at
// "<file>.$$$" is EISDIR, as removing a stale copy there fails), then the
// file read through the plan, watched (watch may be null).
int check_rewrite(const char *path, const RewritePlan &plan, const WatchedText *watch);

// check_rewrite()'s look at the place of the temporary copy alone (the
// link rule too), without reading the file: 0, or -1 with errno. Lets a
// request find, before it asks anything, a copy it could not make.
int check_temporary(const char *path);

// Step 1 alone: 0 when a rewrite of path may go ahead as far as links go
// (path is no link, a link it may follow, or not there), else -1 with
// errno. Lets a request refuse before it changes any of its files.
int check_link_rule(const char *path);

// preview_file() with set (may be null) standing for the plan's match.
int preview_file(const char *path, const RewritePlan &plan, const MatchSet *set);

// The same replacement for a file whose whole content is given (the
// intent record): step 2, step 4's fsync and step 5, without a file to
// copy, so path holds its old content or all of bytes, never part, and
// the new content is durable, name included, when it returns 0. The file
// is not a driver file: it keeps the creator's owner and the umask's
// bits, and a link at path is replaced, never followed.
int write_whole_file(const char *path, const char *bytes, size_t len);

// Step 5's directory fsync alone: the directory holding path.
int sync_directory(const char *path);

#endif
