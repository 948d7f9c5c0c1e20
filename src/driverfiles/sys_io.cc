#include "driverfiles/sys_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <syslog.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

int real_open(const char *path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

int real_clock(struct timeval *now, void *) { return ::gettimeofday(now, nullptr); }

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
          ::waitpid};
}

}  // namespace

const SysIo kRealSysIo = real_calls();
SysIo sys_io = real_calls();
