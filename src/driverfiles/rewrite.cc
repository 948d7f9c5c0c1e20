#include "driverfiles/rewrite.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "driverfiles/driver_paths.h"
#include "driverfiles/line_io.h"
#include "driverfiles/sys_io.h"
#include "front/paper_job.h"

bool line_holds(const char *line, const char *needle) {
  return std::strstr(line, needle) != nullptr;
}

namespace {

// Keeps errno of the failure across the clean-up calls that follow it.
struct SavedErrno {
  int value = errno;
  ~SavedErrno() { errno = value; }
};

int create_temp(const char *temp) {
  if (sys_io.unlink(temp) != 0 && errno != ENOENT) return -1;
  const int fd = sys_io.open(
      temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  // The umask must not narrow the bits the driver's programs rely on.
  if (sys_io.fchmod(fd, 0666) != 0) {
    SavedErrno saved;
    sys_io.close(fd);
    sys_io.unlink(temp);
    return -1;
  }
  return fd;
}

// Writes what the plan makes of one line. Text written after a last line
// that has no newline starts on a line of its own, so it cannot merge
// with that line and be removed along with it later.
int put_line(LineWriter *out, const std::string &line,
             const RewritePlan &plan) {
  const bool hit = plan.action != LineAction::kKeepAll &&
                   line_holds(line.c_str(), plan.match);
  if (hit && plan.action == LineAction::kDrop) return 0;
  if (hit && plan.action == LineAction::kReplace) {
    return write_text(out, plan.text, std::strlen(plan.text));
  }
  if (write_text(out, line.data(), line.size()) != 0) return -1;
  if (!hit) return 0;
  if (end_open_line(out) != 0) return -1;
  return write_text(out, plan.text, std::strlen(plan.text));
}

int copy_lines(int in, LineWriter *out, const RewritePlan &plan) {
  static LineReader reader;  // large; one rewrite at a time
  open_line_reader(&reader, in);
  std::string line;
  for (;;) {
    const long got = read_line(&reader, &line);
    if (got < 0) return -1;
    if (got == 0) break;
    if (put_line(out, line, plan) != 0) return -1;
  }
  if (plan.append != nullptr) {
    if (end_open_line(out) != 0) return -1;
    if (write_text(out, plan.append, std::strlen(plan.append)) != 0) return -1;
  }
  return flush_writer(out);
}

// Copies and makes the copy durable; closes the temporary file either way.
int write_temp(int in, int out, const RewritePlan &plan) {
  LineWriter writer{out, std::string(), false};
  int rc = copy_lines(in, &writer, plan);
  if (rc == 0) rc = sys_io.fsync(out);
  if (rc != 0) {
    SavedErrno saved;
    sys_io.close(out);
    return -1;
  }
  return sys_io.close(out);
}

int sync_directory(const char *path) {
  std::string dir(path);
  const size_t slash = dir.rfind('/');
  dir = slash == std::string::npos ? "." : slash == 0 ? "/" : dir.substr(0, slash);
  const int fd = sys_io.open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (sys_io.fsync(fd) != 0) {
    SavedErrno saved;
    sys_io.close(fd);
    return -1;
  }
  return sys_io.close(fd);
}

}  // namespace

int rewrite_file(const char *path, const RewritePlan &plan) {
  char temp[kPathMax];
  if (format_temp_path(temp, sizeof temp, path) != 0) return -1;
  const int in = sys_io.open(path, O_RDONLY | O_CLOEXEC, 0);
  if (in < 0) return -1;
  const int out = create_temp(temp);
  if (out < 0) {
    SavedErrno saved;
    sys_io.close(in);
    return -1;
  }
  int rc = write_temp(in, out, plan);
  {
    SavedErrno saved;  // closing the reading side cannot lose data
    sys_io.close(in);
  }
  if (rc == 0) rc = sys_io.rename(temp, path);
  if (rc != 0) {
    SavedErrno saved;
    sys_io.unlink(temp);
    return -1;
  }
  return sync_directory(path);
}
