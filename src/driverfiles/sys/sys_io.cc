// The real system calls behind the table, and the helpers around it.
#include "driverfiles/sys/sys_io.h"

#include <algorithm>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <syslog.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int real_open(const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); }

int real_clock(struct timeval *now, void *) { return ::gettimeofday(now, nullptr); }

int real_spawn(pid_t *child, char *const *argv) {
  const int rc = ::posix_spawn(child, argv[0], nullptr, nullptr, argv, environ);
  return rc == 0 ? 0 : errno_failure(rc);
}

int real_log_line(int priority, const char *line) {
  ::openlog("zkpapertoollpr", LOG_PID, LOG_LPR);
  ::syslog(priority, "%s", line);
  ::closelog();
  return 0;
}

// Constant, so both tables are filled before any other code runs.
constexpr SysIo real_calls() noexcept {
  return {real_open, ::read,  ::pread,    ::write, ::fsync,  ::fchmod,
          ::fchown,  ::fstat, ::stat,     ::lstat, ::realpath, ::close,
          ::rename,  ::unlink, ::flock,   real_clock, std::realloc, real_log_line,
          ::waitpid, ::faccessat, real_spawn, ::nanosleep};
}

}  // namespace

const SysIo kRealSysIo = real_calls();
SysIo sys_io = real_calls();

int append_text(char **bytes, size_t *len, size_t *cap, const char *text, size_t n) {
  while (*cap < *len + n + 1) {
    if (make_room(bytes, cap, *cap) != 0) return -1;
  }
  std::memcpy(*bytes + *len, text, n);
  *len += n;
  (*bytes)[*len] = '\0';
  return 0;
}

int read_up_to(int fd, char **bytes, size_t *len, size_t *cap, size_t limit) {
  while (*len <= limit) {
    if (make_room(bytes, cap, *len) != 0) return -1;
    const size_t room = std::min(*cap - *len, limit + 1 - *len);
    const ssize_t got = retry_interrupted([&] { return sys_io.read(fd, *bytes + *len, room); });
    if (got < 0) return -1;
    if (got == 0) return 0;
    *len += static_cast<size_t>(got);
  }
  return 0;
}
