// The entry routine: program name to model, command line to request,
// request to operations, operation results to messages and exit status.
#ifndef ZKPT_FRONT_DISPATCH_H
#define ZKPT_FRONT_DISPATCH_H

#include "front/options.h"
#include "front/paper_job.h"

// Runs the accepted request, or shows what it would do (preview); returns
// the exit status (0 or -1).
int dispatch_request(const PaperJob &job, const SeenFlags &seen, const char *root,
                     bool preview);

// An add only when the format is not already there as asked (job holds
// an accepted add's command line): prints "unchanged" (nothing run or
// changed), or runs or previews the add and prints "added" or
// "replaced". Returns the exit status as the add's (0 or -1).
int ensure_request(const PaperJob &job, const char *root, bool preview);

// True when seen makes a request: -P with -d, or with -n, -w and -h.
bool is_request(const SeenFlags &seen);

// Parses argv (argv[0] stands for the program name and is not read) and
// runs or previews the request; a faulty command line shows the usage text.
int run_request_words(int argc, const char *const *argv, PaperJob *job, bool preview,
                      const char *root);

// The error line: the system's text for errno, and a newline.
void print_error_line();

// The whole program. root is the driver tree the operations work on.
// Returns the exit status; -1 reaches the shell as 255. A failure to
// write standard output makes it -1.
int run_paper_tool(int argc, const char *const *argv, const char *root);

#endif
