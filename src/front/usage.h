// The usage texts: the tool's own, the only answer to a faulty request
// line; --help's administrator commands; and the synopsis of a malformed
// administrator command line.
#ifndef ZKPT_FRONT_USAGE_H
#define ZKPT_FRONT_USAGE_H

#include "front/paper_job.h"

// Writes the usage text for job.model to standard output.
void print_usage(PaperJob job);

// --help's part after the usage text: the administrator commands.
void print_admin_commands();

// Writes a malformed administrator command line's usage, the line(s) of
// the command word after program_name(), to standard error.
void print_admin_usage(const char *word);

#endif
