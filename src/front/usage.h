// The usage text: the only answer to a faulty command line.
#ifndef ZKPT_FRONT_USAGE_H
#define ZKPT_FRONT_USAGE_H

#include "front/paper_job.h"

// Example printer name shown for a model id; empty for the roll models.
const char *example_printer(const char *model);

// Writes the usage text for job.model to standard output.
void print_usage(PaperJob job);

#endif
