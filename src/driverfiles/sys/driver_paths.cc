// Formats the paths of a model's driver files and companion tool, and
// keeps the one whose call failed last (see driver_paths.h).
#include "driverfiles/sys/driver_paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>

#include "driverfiles/sys/sys_io.h"

namespace {

int checked(int written, size_t cap) {
  return written < 0 || static_cast<size_t>(written) >= cap ? errno_failure(ENAMETOOLONG) : 0;
}

char failed_path[1024];  // a driver path's buffer size

}  // namespace

int format_driver_path(char *out, size_t cap, const char *root, const char *model, DriverFile which) {
  // By DriverFile: the name's text before the model and after it.
  static const char *const kNames[kDriverFileCount][2] = {
      {"zk", "func"}, {"paperinf", ""}, {"zk", "rc"}, {"ImagingArea", nullptr}};
  const char *const *name = kNames[which];
  return checked(std::snprintf(out, cap, "%s/%s/bin/inf/%s%s%s", root, model, name[0],
                               name[1] ? model : "", name[1] ? name[1] : ""), cap);
}

int format_companion_path(char *out, size_t cap, const char *root, const char *model) {
  return checked(std::snprintf(out, cap, "%s/%s/bin/lpd/zkpapertoolcups_%s", root, model, model), cap);
}

int format_inf_directory(char *out, size_t cap, const char *root, const char *model) {
  return checked(std::snprintf(out, cap, "%s/%s/bin/inf", root, model), cap);
}

int format_job_paths(PaperJob *job, const char *root) {
  if (job->companion_path[0] != '\0') return 0;  // formatted last, so all are there
  const auto format = [&](DriverFile which) {
    return format_driver_path(job->driver_path[which], kPathMax, root, job->model, which) == 0;
  };
  if (!std::all_of(std::begin(kDriverFiles), std::end(kDriverFiles), format)) return -1;
  return format_companion_path(job->companion_path, kPathMax, root, job->model);
}

int format_temp_path(char *out, size_t cap, const char *path) {
  return checked(std::snprintf(out, cap, "%s.$$$", path), cap);
}

int copy_path(char *out, size_t cap, const char *from, size_t len) {
  return checked(std::snprintf(out, cap, "%.*s", static_cast<int>(len), from), cap);
}

void note_failed_driver_file(const char *path) {
  SavedErrno saved;
  (void)std::snprintf(failed_path, sizeof failed_path, "%s", path);
}

const char *failed_driver_file() { return failed_path; }
