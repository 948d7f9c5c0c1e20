// Where a model's driver files and companion tool live.
//
// Every path is the driver root (normally "/opt/vantrel") with the model id
// put into a fixed layout, formatted into a kPathMax buffer. A path that
// would not fit is refused (ENAMETOOLONG) rather than cut short.
#ifndef ZKPT_DRIVERFILES_DRIVER_PATHS_H
#define ZKPT_DRIVERFILES_DRIVER_PATHS_H

#include <cstddef>

#include "front/paper_job.h"

// Each returns 0, or -1 with errno ENAMETOOLONG when out (of size cap) is
// short. The companion tool is <root>/<model>/bin/lpd/zkpapertoolcups_<model>,
// the directory holding the driver files <root>/<model>/bin/inf.
int format_driver_path(char *out, size_t cap, const char *root,
                       const char *model, DriverFile which);
int format_companion_path(char *out, size_t cap, const char *root, const char *model);
int format_inf_directory(char *out, size_t cap, const char *root, const char *model);

// A request's paths, formatted once into its job record: the four driver
// files and the companion tool, by the first step that needs them; later
// calls find them there and format nothing (0 then). -1 with errno
// ENAMETOOLONG when one does not fit, before anything is read or changed.
int format_job_paths(PaperJob *job, const char *root);

// Copies the first len bytes of from into out as a path; -1 with errno
// ENAMETOOLONG when they do not fit.
int copy_path(char *out, size_t cap, const char *from, size_t len);

// The temporary copy a driver file is rewritten through: "<path>.$$$".
int format_temp_path(char *out, size_t cap, const char *path);

// The driver file or directory whose call failed last, so an error line
// can name it without every caller passing paths back. Noting keeps
// errno; failed_driver_file() is "" until a failure is noted.
void note_failed_driver_file(const char *path);
const char *failed_driver_file();

#endif
