// The model's driver-file lock: flock on its inf/ directory, which every
// run opens anyway, so no lock file is ever created among the driver's
// files. The descriptor is close-on-exec, so the companion tool does not
// inherit it.
#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "driverfiles/driver_paths.h"
#include "driverfiles/sys_io.h"
#include "front/operations.h"

int hold_driver_lock(const PaperJob &job, const char *root, int *handle) {
  *handle = -1;
  char dir[kPathMax];
  if (format_driver_path(dir, sizeof dir, root, job.model,
                         DriverFile::kInfDirectory) != 0) {
    return kOpFileFailed;
  }
  const int fd = sys_io.open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  // Without the directory there is no driver file to guard; the request
  // then meets the same fault where it opens the files and reports it.
  if (fd < 0) return 0;
  int rc;
  while ((rc = sys_io.flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (rc != 0) {
    const int saved = errno;
    sys_io.close(fd);
    errno = saved;
    return kOpFileFailed;
  }
  *handle = fd;
  return 0;
}

void release_driver_lock(int handle) {
  if (handle >= 0) sys_io.close(handle);
}
