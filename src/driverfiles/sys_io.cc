#include "driverfiles/sys_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

int real_open(const char *path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

// Constant, so both tables are filled before any other code runs.
constexpr SysIo real_calls() noexcept {
  return {real_open, ::read,   ::write,  ::fsync, ::fchmod,
          ::close,   ::rename, ::unlink, ::flock};
}

}  // namespace

const SysIo kRealSysIo = real_calls();
SysIo sys_io = real_calls();
