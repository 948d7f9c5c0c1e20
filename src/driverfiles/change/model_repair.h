// Mending what the check finds and the model's files alone tell how to
// mend (model_report.h's check names it repairable), planned from one
// reading, or shown as a dry run through the same steps. Everything is
// printed to standard output, escaped as the check prints it.
#ifndef ZKPT_DRIVERFILES_MODEL_REPAIR_H
#define ZKPT_DRIVERFILES_MODEL_REPAIR_H

#include "front/paper_job.h"

// Finishes an interrupted request from its record first; then, decided
// from one reading of the files, which it acts on only when it read them
// whole: removes incomplete formats as a delete does (the companion tool
// asked first, with job.printer; a selection of one reset), orphaned
// lines, and resets stale settings: what the check names repairable, one
// line per change (a temporary copy the writer's lock removed included).
// Returns the number of that reading's findings it does not mend; -1 with
// errno when a file failed, the tree was not whole (the file at fault
// noted: ENOENT, or ENODATA without the marker) or the record is damaged
// (EBADMSG, the record noted); -2 when the companion tool failed (a line
// said which format).
long repair_formats(const PaperJob &job, const char *root);

// The same repair as a dry run: the companion tool's command lines and
// the repair's lines as they would come, then one diff per file changed.
// Returns as repair_formats() does.
long preview_repair(const PaperJob &job, const char *root);

#endif
