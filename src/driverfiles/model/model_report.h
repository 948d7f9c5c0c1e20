// What an administrator asks of a model's formats as a whole: list them,
// check that the four driver files agree (mending what the files alone
// tell how to mend is model_repair.h's). Everything is printed to
// standard output.
//
// Names, media names and identifiers are printed escaped, as
// print_escaped_name() does, so a line splits at its tabs without doubt.
#ifndef ZKPT_DRIVERFILES_MODEL_REPORT_H
#define ZKPT_DRIVERFILES_MODEL_REPORT_H

#include <cstddef>
#include <cstdint>

#include "driverfiles/model/check_findings.h"
#include "driverfiles/model/model_files.h"
#include "front/paper_job.h"

// One line per entry, in file order:
// NAME \t WIDTHxHEIGHT \t MEDIA \t IDENTIFIER \t STATE, WIDTH and HEIGHT
// being what -w and -h take to make that format again; or, with json, one
// document {"model":..,"formats":[{"name","width","height","media","id",
// "state","missing"},..]} and a newline. Returns 0, or -1 with errno when
// a driver file cannot be read.
int32_t list_formats(const PaperJob &job, const char *root, bool json = false);

// The size the listing shows for entry e whose paper table and ImagingArea
// lines are paper and imaging (either may be null): what -w and -h take
// to make it again.
void listed_size(bool tape, const FormatEntry &e, const LineValues *paper, const LineValues *imaging,
                 int64_t *width, int64_t *height);

// One line per inconsistency; or, with json, one document
// {"model":..,"findings":[{"kind","file","id","name","repairable"},..]}
// and a newline. Returns the number found, or -1 with errno (and nothing
// printed).
long check_formats(const PaperJob &job, const char *root, bool json = false);

// The check's findings handed to sink (check_findings.h) without
// printing: the number found (a model not installed is one), and in
// *formats the entries read; or -1 with errno.
long find_model_findings(const PaperJob &job, const char *root, FindingSink sink, void *ctx, size_t *formats);

#endif
