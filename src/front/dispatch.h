// The entry routine: program name to model, command line to request,
// request to operations, operation results to messages and exit status.
#ifndef ZKPT_FRONT_DISPATCH_H
#define ZKPT_FRONT_DISPATCH_H

#include "front/options.h"
#include "front/paper_job.h"

// Runs the accepted request; returns the exit status (0 or -1).
int dispatch_request(const PaperJob &job, const SeenFlags &seen,
                     const char *root);

// The whole program. root is the driver tree the operations work on.
// Returns the exit status; -1 reaches the shell as 255.
int run_paper_tool(int argc, const char *const *argv, const char *root);

#endif
