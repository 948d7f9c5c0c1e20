// The intent record: what a request that changes the driver files is
// about to do, kept where a power cut cannot lose it from before the
// request first asks the companion tool until every driver file it
// changes is in place. Between the companion tool's answer and the last
// rename the two sides disagree; the record makes that window visible
// (--check names it) and mendable (--repair repeats the request).
//
// One record per model, "<inf>/zkpapertoollpr.intent", written and
// removed only under the writer's lock. Its life in a request:
//   1. write_intent() puts the record in place through write_whole_file()
//      (temporary, fsync, rename, directory fsync) before the first
//      companion call: a delete once its copies are ready, an add request
//      once its readiness check passed, before its delete step (which asks
//      the companion even for a name not there) reads anything; an add
//      whose identifier had to move on writes it again before its own
//      companion call, so the record always names the identifier asked;
//   2. the request's steps, each commit renaming its files, the fsync of
//      their directories held (rewrite.h) for one sync of each distinct
//      directory renamed into, after the last rename (--repair's
//      finishing too: the record stands throughout);
//   3. remove_intent(): after the last commit and that sync, an unlink
//      alone; after a failed shared sync, or a failure that came once the
//      companion tool agreed to a step whose files are not all in place,
//      nothing: the record stays for --repair, and every request refuses
//      to start until it is gone; after any other failure, an unlink and
//      a directory fsync.
// A delete of a name the function file does not hold, an apply that asks
// the companion nothing (a satisfied --ensure) and a dry run write no
// record.
//
// An apply records its whole set the same way, written once every copy
// is ready and before its first companion call. When the companion fails
// part-way, the apply puts what it agreed to in place: both sides agree,
// the caller is told to run the apply again, and the record goes (synced).
// Only when those files cannot be put in place does it stay, and --repair
// runs the recorded apply again: it is all or nothing and idempotent, so a
// finished apply repeated asks nothing and changes nothing.
//
// What each sync protects. The record's own: no power cut after the
// companion tool's first question loses the record. The shared sync of the
// renamed files' directories, before the record goes: while the record
// stands, a power cut may undo any of the change set's renames, in any
// order, for --repair repeats the request from the record; so they are all
// durable before its unlink. A failed shared sync fails the request (the
// directory noted) and keeps the record, as a failed rename does: the
// repair then finds the files in place and closes it. Without a record (a
// request that writes none, the repair's own mending) each rename is synced
// on its own, in the order that lets the next run finish a run cut short.
//
// Why a finished request's removal needs no directory fsync: every rename
// before it was synced, so a record that a power cut brings back speaks
// of a request whose files are all in place, and finishing it looks
// before it acts: an add whose identifier stands in all three files
// under its name, and a delete whose name the function file no longer
// holds, are closed without asking the companion tool or changing a line
// (a later request cannot have touched the name: it would have replaced
// the record with its own). The removal after a failure is synced, as a
// returning record would have --repair carry out a request whose caller
// saw it fail.
//
// The record is text, each name as "<length>:<bytes>" so every byte
// comes back as it was, and ends with a checksum of what precedes it:
//   zkpapertoollpr intent 1
//   model <model>
//   kind <kind>
//   request add <identifier>      (or: request delete)
//   printer <length>:<bytes>
//   name <length>:<bytes>
//   media <length>:<bytes>
//   size <width> <height> <pins>
//   sum <FNV-1a 64 of every byte above, 16 upper-case hex digits>
// An apply's record has, after "kind", the keep-others flag, the count and
// one line per format of its set, in order, as the job record takes it:
//   request apply <keep others: 0 or 1> <count>
//   printer <length>:<bytes>
//   format <length>:<name> <length>:<media> <width> <height> <pins>
//   selection <identifier> <format>   (none or more; format counts from 0)
//   sum ...
// A "selection" line tells that the apply replaced that format of its set
// and moved its selection, found under the identifier, to the new one.
// An --ensure records as the apply of its one format, others kept.
// A record that does not read back exactly so, for the running model, is
// damaged: never guessed at, never acted on, never removed by the tool.
// So is anything else at its path: a link (never followed), a folder, a
// FIFO (never waited on), a device, or a file longer than any record the
// tool writes (4 KiB holds one of an add or a delete; an apply's may add
// 276 bytes per format it counts). The reader looks at no more than that,
// whatever stands there; the writer's temporary copy is made with
// O_CREAT | O_EXCL | O_NOFOLLOW and renamed over the path, which replaces
// a link instead of following it.
//
// Results as sys_io.h says; a failure notes the record's path.
#ifndef ZKPT_DRIVERFILES_INTENT_RECORD_H
#define ZKPT_DRIVERFILES_INTENT_RECORD_H

#include <cstdio>

#include "driverfiles/format/format_id.h"
#include "driverfiles/lines/plan_apply.h"
#include "front/paper_job.h"

struct FormatSpec;

struct Intent {
  bool add;
  FormatId id;  // an add's identifier
  PaperJob job;  // the request as the tool took it (scratch_path unused)
  bool apply, keep_others;  // an apply: its set (job's name empty)
  FormatSpec *formats;  // read_intent() allocates them: free_intent()
  size_t format_count;
  FollowedSetting *moves;  // an apply's selections moved (read_intent() allocates them)
  size_t move_count;
};
void free_intent(Intent *intent);

enum : int { kNoIntent = 0, kOpenIntent = 1, kDamagedIntent = 2 };

// Why a damaged record stops --repair and every request.
extern const char kDamagedIntentReason[];

// "<root>/<model>/bin/inf/zkpapertoollpr.intent".
int format_intent_path(char *out, size_t cap, const char *root, const char *model);

// The record of model: kNoIntent, kOpenIntent (*intent filled) or
// kDamagedIntent; -1 with errno when it is there but cannot be read
// (not allowed, or no memory for an apply's set).
int read_intent(const char *root, const char *model, Intent *intent);

int write_intent(const char *root, const Intent &intent);
// sync: fsync the directory after the unlink (see above).
int remove_intent(const char *root, const char *model, bool sync);

// "an add of 'NAME' on printer PRINTER" (or "a delete of", or "an apply
// of N format(s) on printer PRINTER"), escaped as print_escaped_name()
// does, to standard output.
void print_intent(const Intent &intent);
// The same for an add or a delete of name (name_len bytes), followed by
// " was interrupted after the companion may have been asked" and then:
// what a refused request says (": run --repair" and a newline), or what
// --check follows it with.
void print_interrupted(bool add, const char *name, size_t name_len, const char *printer, FILE *to = stdout,
                       const char *then = ": run --repair\n");
// The same for an apply of count formats.
void print_interrupted_apply(size_t count, const char *printer, FILE *to = stdout,
                             const char *then = ": run --repair\n");

#endif
