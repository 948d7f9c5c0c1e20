// The one way a driver file is changed: a prepared copy renamed over it,
// and the preview of the same plan.
#include "driverfiles/lines/rewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iterator>

#include "driverfiles/lines/diff_preview.h"
#include "driverfiles/sys/driver_paths.h"
#include "driverfiles/sys/sys_io.h"

namespace {

// The temporary file's output, collected and written a chunk at a time.
struct TempOut {
  int fd;
  size_t len;
};
char out_buffer[kRewriteBuffer];

int flush_out(TempOut *out) {
  const int rc = write_all(out->fd, out_buffer, out->len);
  out->len = 0;
  return rc;
}

int out_put(void *ctx, const char *bytes, size_t len) {
  TempOut *out = static_cast<TempOut *>(ctx);
  if (out->len + len > sizeof out_buffer && flush_out(out) != 0) return -1;
  if (len >= sizeof out_buffer) return write_all(out->fd, bytes, len);
  std::memcpy(out_buffer + out->len, bytes, len);
  out->len += len;
  return 0;
}

int discard(void *, const char *, size_t) { return 0; }

// Closes fd after a step that returned rc, keeping the step's errno: rc.
int close_keeping(int fd, int rc) {
  SavedErrno saved;
  sys_io.close(fd);
  return rc;
}

// Closes a file written to: the close's result after steps that went well.
int close_written(int fd, int rc) { return rc == 0 ? sys_io.close(fd) : close_keeping(fd, rc); }

// Removes a copy that is not to be renamed, keeping the failure's errno: -1.
int drop_copy(const char *temp) {
  SavedErrno saved;
  sys_io.unlink(temp);
  return -1;
}

int directory_of(const char *path, char *dir, size_t cap) {
  const char *slash = std::strrchr(path, '/');
  if (slash == nullptr) return copy_path(dir, cap, ".", 1);
  if (slash == path) return copy_path(dir, cap, "/", 1);
  return copy_path(dir, cap, path, static_cast<size_t>(slash - path));
}

// The file a rewrite of path really changes: path itself, or the target
// of a link whose link and target belong to the directory's owner.
int resolve_target(const char *path, char *target, size_t cap) {
  struct stat link {};
  if (sys_io.lstat(path, &link) != 0) return -1;
  if (!S_ISLNK(link.st_mode)) return copy_path(target, cap, path, std::strlen(path));
  char dir[kPathMax];
  struct stat dir_st {}, target_st {};
  if (directory_of(path, dir, sizeof dir) != 0 || sys_io.stat(dir, &dir_st) != 0) return -1;
  char real[PATH_MAX];
  if (sys_io.realpath(path, real) == nullptr ||
      copy_path(target, cap, real, std::strlen(real)) != 0 ||
      sys_io.stat(target, &target_st) != 0) {
    return -1;
  }
  if (link.st_uid != dir_st.st_uid || target_st.st_uid != dir_st.st_uid) return errno_failure(EACCES);
  return 0;
}

// The file a rewrite of path changes and its temporary path, in prepared.
int name_copy(const char *path, PreparedFile *prepared) {
  if (resolve_target(path, prepared->file, sizeof prepared->file) != 0) return -1;
  return format_temp_path(prepared->temp, sizeof prepared->temp, prepared->file);
}

int open_to_read(const char *file) { return sys_io.open(file, O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0); }

// Where prepare_rewrite() starts: prepared named, its file opened for reading.
int open_rewrite(const char *path, PreparedFile *prepared) {
  prepared->ready = false;
  return name_copy(path, prepared) != 0 ? -1 : open_to_read(prepared->file);
}

// Opens the file a rewrite of path changes for reading.
int open_target(const char *path) {
  char file[kPathMax];
  return resolve_target(path, file, sizeof file) != 0 ? -1 : open_to_read(file);
}

// What create_temp() would meet, found without writing (see check_rewrite).
int probe_temp(const PreparedFile &prepared) {
  char dir[kPathMax];
  if (directory_of(prepared.file, dir, sizeof dir) != 0 ||
      sys_io.faccessat(AT_FDCWD, dir, W_OK | X_OK, AT_EACCESS) != 0) {
    return -1;
  }
  struct stat st {};
  if (sys_io.lstat(prepared.temp, &st) != 0) return errno == ENOENT ? 0 : -1;
  return S_ISDIR(st.st_mode) ? errno_failure(EISDIR) : 0;
}

int create_temp(const char *temp) {
  if (sys_io.unlink(temp) != 0 && errno != ENOENT) return -1;
  return sys_io.open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

// The driver file's owner and group, as far as the caller may give them;
// a caller who may not keeps the file as the caller's own, as sed -i does.
int keep_owner(int in, int out) {
  struct stat st {};
  if (sys_io.fstat(in, &st) != 0) return -1;
  if (sys_io.fchown(out, st.st_uid, st.st_gid) == 0) return 0;
  if (errno != EPERM) return -1;
  return sys_io.fchown(out, static_cast<uid_t>(-1), st.st_gid) == 0 || errno == EPERM ? 0 : -1;
}

// Copies through the plan and makes the copy durable; closes out either way.
int write_temp(int in, int out, const RewritePlan &plan, const WatchedText *watch) {
  TempOut temp{out, 0};
  int rc = apply_plan(in, plan, watch, PlanTarget{out_put, nullptr, out_put, &temp});
  if (rc == 0) rc = flush_out(&temp);
  if (rc == 0) rc = keep_owner(in, out);
  // The umask must not narrow the bits the driver's programs rely on.
  if (rc == 0) rc = sys_io.fchmod(out, 0666);
  if (rc == 0) rc = sys_io.fsync(out);
  return close_written(out, rc);
}

// The directories whose fsync commits leave to sync_held_directories():
// one per driver file at most, so a fifth (never met) is synced at once.
struct HeldSyncs {
  bool on;
  size_t count;
  char dir[4][kPathMax];
};
HeldSyncs held;

int sync_dir(const char *dir) {
  const int fd = sys_io.open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  return fd < 0 ? -1 : close_written(fd, sys_io.fsync(fd));
}

// Step 5's rename; on failure the copy goes.
int rename_prepared(PreparedFile *prepared) {
  prepared->ready = false;
  return sys_io.rename(prepared->temp, prepared->file) == 0 ? 0 : drop_copy(prepared->temp);
}

// The directory of a file renamed while the syncs are held, noted once.
int hold_sync(const char *path) {
  char dir[kPathMax];
  if (directory_of(path, dir, sizeof dir) != 0) return -1;
  if (std::any_of(held.dir, held.dir + held.count, [&](const char *d) { return std::strcmp(d, dir) == 0; })) return 0;
  if (held.count == std::size(held.dir)) return sync_dir(dir);
  std::memcpy(held.dir[held.count++], dir, sizeof dir);
  return 0;
}

}  // namespace

int prepare_rewrite(const char *path, const RewritePlan &plan, const WatchedText *watch, PreparedFile *prepared) {
  const int in = open_rewrite(path, prepared);
  if (in < 0) return -1;
  const int out = create_temp(prepared->temp);
  if (out < 0) return close_keeping(in, -1);
  // Closing the reading side cannot lose data.
  if (close_keeping(in, write_temp(in, out, plan, watch)) != 0) return drop_copy(prepared->temp);
  prepared->ready = true;
  return 0;
}

int commit_rewrite(PreparedFile *prepared) {
  if (rename_prepared(prepared) != 0) return -1;
  return held.on ? hold_sync(prepared->file) : sync_directory(prepared->file);
}

void hold_directory_syncs() { held.on = true; }

int sync_held_directories(const char **failed) {
  *failed = nullptr;
  int why = 0;
  for (size_t i = 0; i < held.count; ++i) {  // past a failure too: the first is told
    if (sync_dir(held.dir[i]) != 0 && *failed == nullptr) why = errno, *failed = held.dir[i];
  }
  held.on = false;
  held.count = 0;  // *failed still reads its directory
  errno = why;
  return *failed != nullptr ? -1 : 0;
}

void abandon_rewrite(PreparedFile *prepared) {
  if (!prepared->ready) return;
  prepared->ready = false;
  (void)drop_copy(prepared->temp);  // the failure that made the caller give up counts
}

int sync_directory(const char *path) {
  char dir[kPathMax];
  return directory_of(path, dir, sizeof dir) != 0 ? -1 : sync_dir(dir);
}

int write_whole_file(const char *path, const char *bytes, size_t len) {
  PreparedFile prepared{};
  if (copy_path(prepared.file, sizeof prepared.file, path, std::strlen(path)) != 0 ||
      format_temp_path(prepared.temp, sizeof prepared.temp, path) != 0) {
    return -1;
  }
  const int out = create_temp(prepared.temp);
  if (out < 0) return -1;
  int rc = write_all(out, bytes, len);
  if (rc == 0) rc = sys_io.fsync(out);
  if (close_written(out, rc) != 0) return drop_copy(prepared.temp);
  return rename_prepared(&prepared) != 0 ? -1 : sync_directory(path);
}

int rewrite_file(const char *path, const RewritePlan &plan) {
  PreparedFile prepared{};
  return prepare_rewrite(path, plan, nullptr, &prepared) != 0 ? -1 : commit_rewrite(&prepared);
}

int check_rewrite(const char *path, const RewritePlan &plan, const WatchedText *watch) {
  PreparedFile prepared{};
  const int in = open_rewrite(path, &prepared);
  if (in < 0) return -1;
  int rc = probe_temp(prepared);
  if (rc == 0) rc = apply_plan(in, plan, watch, PlanTarget{discard, nullptr, discard, nullptr});
  return close_keeping(in, rc);
}

int check_temporary(const char *path) {
  PreparedFile prepared{};
  return name_copy(path, &prepared) != 0 ? -1 : probe_temp(prepared);
}

int check_link_rule(const char *path) {
  char file[kPathMax];
  return resolve_target(path, file, sizeof file) == 0 || errno == ENOENT ? 0 : -1;
}

int preview_file(const char *path, const RewritePlan &plan, const MatchSet *set) {
  DiffRecorder recorder{};
  const PlanTarget target{record_put, record_skip, record_add, &recorder, record_add_copy};
  int in = open_target(path);
  int rc = in < 0 ? -1 : close_keeping(in, apply_plan(in, plan, nullptr, target, set));
  if (rc == 0 && recorder.count != 0) {  // printed from a fresh read of the old file
    in = open_target(path);
    rc = in < 0 ? -1 : close_keeping(in, print_diff(&recorder, in, path));
  }
  SavedErrno saved;
  free_diff(&recorder);
  return rc;
}
