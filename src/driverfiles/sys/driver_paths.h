// Where a model's driver files and companion tool live.
//
// The driver root (normally "/opt/vantrel") and the model id in a fixed
// layout; a path that would not fit is refused (ENAMETOOLONG), never cut.
#ifndef ZKPT_DRIVERFILES_DRIVER_PATHS_H
#define ZKPT_DRIVERFILES_DRIVER_PATHS_H

#include <cstddef>

#include "front/paper_job.h"

// Each returns 0, or -1 with errno ENAMETOOLONG when out (of size cap) is
// short. The companion tool is <root>/<model>/bin/lpd/zkpapertoolcups_<model>,
// the directory holding the driver files <root>/<model>/bin/inf.
int format_driver_path(char *out, size_t cap, const char *root, const char *model, DriverFile which);
int format_companion_path(char *out, size_t cap, const char *root, const char *model);
int format_inf_directory(char *out, size_t cap, const char *root, const char *model);

// A request's four driver files and companion tool, formatted into its
// job record by the first step that needs them (later calls: 0, nothing
// done); -1 with ENAMETOOLONG before anything is read or changed.
int format_job_paths(PaperJob *job, const char *root);

// Copies the first len bytes of from into out as a path; -1 with errno
// ENAMETOOLONG when they do not fit.
int copy_path(char *out, size_t cap, const char *from, size_t len);

// The temporary copy a driver file is rewritten through: "<path>.$$$".
int format_temp_path(char *out, size_t cap, const char *path);

// The driver file or directory whose call failed last, for the error
// line; noting keeps errno. "" until a failure is noted.
void note_failed_driver_file(const char *path);
const char *failed_driver_file();

#endif
