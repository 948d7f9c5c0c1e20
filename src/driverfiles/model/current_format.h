// Whether a model already holds a format exactly as an add of job would
// write it, so an idempotent add (--ensure) can leave everything alone.
//
// Read once through the model's inventory. The first entry named
// job.label_name (entry_named()) decides: current when its identifier carries the add's
// media name, name length, width and height bits and it has a paper table
// line of the add's dots and an ImagingArea line of its points; else it
// differs, whatever later entries of the name hold.
#ifndef ZKPT_DRIVERFILES_CURRENT_FORMAT_H
#define ZKPT_DRIVERFILES_CURRENT_FORMAT_H

#include "driverfiles/model/model_files.h"
#include "front/paper_job.h"

enum FormatState { kFormatAbsent = 0, kFormatDiffers = 1, kFormatCurrent = 2 };

// Returns a FormatState, or -1 with errno (failed_driver_file() names the
// file) when a driver file cannot be read. old (may be null) is given the
// deciding entry's identifier, or "" when there is none: what an add that
// follows the decision replaces.
int current_format_state(const PaperJob &job, const char *root, FormatId *old = nullptr);

// The entry of a name as every command that replaces a format decides it
// (--ensure, --apply): the inventory's first entry of that name that no
// zero byte cuts short, or null. A binary search of the inventory's names.
const FormatEntry *entry_named(const ModelInventory &inv, const char *name);

// The same comparison for one entry of an inventory already read.
bool format_is_current(const PaperJob &job, const ModelInventory &inv, const FormatEntry &e);

#endif
