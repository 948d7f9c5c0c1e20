// The model's driver-file lock: flock on its inf/ directory, which every
// run opens anyway, so no lock file is ever created among the driver's
// files. The descriptor is close-on-exec, so the companion tool does not
// inherit it. Taking the lock also clears what a killed run left behind.
#include "driverfiles/change/driver_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <ctime>

#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/model/intent_record.h"
#include "driverfiles/sys/sys_io.h"
#include "front/operations.h"

namespace {

bool stale_removed[kDriverFileCount];  // by the last writer's lock taken

// Under the lock no other run is writing, so a temporary file found now
// was left by a run that died; remove it. A file that cannot be removed is
// left to the rewrite, which replaces it or reports why it cannot.
void remove_stale_temporaries(const PaperJob &job, const char *root) {
  char path[kPathMax];
  char temp[kPathMax];
  for (const DriverFile which : kDriverFiles) {
    stale_removed[which] = format_driver_path(path, sizeof path, root, job.model, which) == 0 &&
                           format_temp_path(temp, sizeof temp, path) == 0 && sys_io.unlink(temp) == 0;
  }
  // The intent record's own, never the record: that one is --repair's.
  if (format_intent_path(path, sizeof path, root, job.model) == 0 && format_temp_path(temp, sizeof temp, path) == 0) {
    sys_io.unlink(temp);
  }
}

// A writer waits as long as another run holds the lock; a reader gives up
// after kReaderLockWaitMs (EWOULDBLOCK), so a monitor never hangs on it.
int wait_for_lock(int fd, bool writer) {
  const int op = writer ? LOCK_EX : LOCK_SH | LOCK_NB;
  const struct timespec pause = {0, 50L * 1000 * 1000};
  for (long waited = 0;; waited += 50) {
    if (retry_interrupted([=] { return sys_io.flock(fd, op); }) == 0) return 0;
    if (errno != EWOULDBLOCK || waited >= kReaderLockWaitMs) return -1;
    (void)sys_io.nanosleep(&pause, nullptr);
  }
}

}  // namespace

int hold_driver_lock(const PaperJob &job, const char *root, bool writer, int *handle) {
  *handle = -1;
  char dir[kPathMax];
  if (format_inf_directory(dir, sizeof dir, root, job.model) != 0) return kOpFileFailed;
  const int fd = sys_io.open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  // Without the directory there is no driver file to guard; the request
  // then meets the same absence where it opens the files.
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) return 0;
  if (fd < 0 || wait_for_lock(fd, writer) != 0) {
    note_failed_driver_file(dir);
    SavedErrno saved;
    if (fd >= 0) sys_io.close(fd);
    return kOpFileFailed;
  }
  *handle = fd;
  if (writer) remove_stale_temporaries(job, root);
  return 0;
}

void release_driver_lock(int handle) {
  if (handle >= 0) sys_io.close(handle);
  for (bool &removed : stale_removed) removed = false;
}

bool removed_stale_temporary(DriverFile which) { return stale_removed[which]; }
