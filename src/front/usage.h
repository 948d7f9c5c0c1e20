// The usage texts: the tool's own, the only answer to a faulty request
// line; --help's, which adds the administrator commands; and a malformed
// administrator command line's reason and synopsis.
#ifndef ZKPT_FRONT_USAGE_H
#define ZKPT_FRONT_USAGE_H

#include "front/options.h"
#include "front/paper_job.h"

// Writes the usage text for job.model to standard output.
void print_usage(PaperJob job);

// --help's text: the usage text for job.model, then the administrator
// commands.
void print_help(const PaperJob &job);

// A malformed administrator command line on standard error:
// "PROGRAM: reason" (with the option it concerns), then the usage line(s)
// of the command word after program_name(). Returns 2, its exit status.
int usage_error(const char *word, const ParseFault &fault);
int usage_error(const char *word, const char *reason);

#endif
