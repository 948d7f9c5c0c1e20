// A request as the front runs it, with its intent recorded around the
// steps that can leave the companion tool's side and the driver files
// apart, and the finishing of a request a record shows was interrupted.
// The record's life and why each removal syncs what it syncs are in
// intent_record.h. All of it runs under the writer's lock (a dry run
// under the reader's, and writes no record).
#ifndef ZKPT_DRIVERFILES_RECORDED_REQUEST_H
#define ZKPT_DRIVERFILES_RECORDED_REQUEST_H

#include <cstdint>

#include "driverfiles/change/apply_formats.h"
#include "driverfiles/change/driver_edit.h"
#include "driverfiles/model/intent_record.h"
#include "front/operations.h"

// kOpDone when no record is there, so a request may start. Otherwise no
// request starts, however little it would change: an open record prints
// "<request> was interrupted after the companion may have been asked:
// run --repair" and a damaged one "<path>: <kDamagedIntentReason>", and
// the result is kOpIntentOpen; kOpFileFailed (errno) when the record
// cannot be read.
int32_t refuse_if_interrupted(const PaperJob &job, const char *root);

// An add request (check_add_targets, the delete of the name, the add) or
// a delete request, its record written before the first companion call
// that a change follows and removed as intent_record.h says. Results as
// the operations'; *in_add tells that an add request's failure came from
// its add step (for which nothing is printed).
int32_t run_recorded_request(const PaperJob &job, const char *root, bool add, DryRun *dry_run, bool *in_add);

// An apply (apply_formats.h) with its whole set recorded once every copy
// is ready, before its first companion call. The record stays only when
// the companion agreed to a change whose files could not be put in place;
// a companion failing part-way leaves both sides agreeing (the apply
// writes what was agreed to) and the record is removed, synced.
int32_t run_recorded_apply(const PaperJob &job, const char *root, const FormatSet &set,
                           bool keep_others, ApplyPlan *plan);

// --repair's part: repeats the recorded request unless its files show it
// finished (an add's identifier in all three files under its name, a
// delete's name gone from the function file), then prints "finished:
// <request>" and, unless in a dry run, logs it and removes the record. The
// repeat is the request's own steps, with the add's recorded identifier
// kept, so it is all or nothing and a repair cut short is finished by the
// next. An apply (an --ensure's too) is run again from its recorded set:
// a finished one asks nothing and changes nothing. Results as the
// operations'.
int32_t finish_intent(const Intent &intent, const Steps &steps);

#endif
