// What an add request checks before it asks or changes anything; the add
// itself is one of the operations (front/operations.h), whose results
// these share.
#ifndef ZKPT_DRIVERFILES_ADD_FORMAT_H
#define ZKPT_DRIVERFILES_ADD_FORMAT_H

#include <cstdint>

#include "front/paper_job.h"

// What an add needs before it asks or changes anything (job's paths
// formatted): the function file, paper table and imaging-area file can be
// opened, the function file holds the "[CustomTape]" line entries follow
// (else ENODATA, as the entry would be written nowhere). kOpDone or
// kOpFileFailed (errno set, the file noted). An add request checks it
// once, before its delete step; the add's own copy of the function file
// still needs the marker line, which that delete may have taken.
int32_t check_add_targets(const PaperJob &job);

// The temporary copies of those three files can be made where they go
// (check_temporary()): kOpDone, or kOpFileFailed (errno set, the file
// noted). An add request checks it before anything is asked; its failure
// counts as the step that would meet it first (see recorded_request.h).
int32_t check_add_copies(const PaperJob &job);

#endif
