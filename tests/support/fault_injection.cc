#include "support/fault_injection.h"

#include <cerrno>

#include "driverfiles/sys_io.h"

namespace {

struct FaultState {
  Call call = Call::kOpen;
  int nth = 0;
  int err = 0;
  long write_limit = -1;
  int counts[kCallKinds] = {};
};

FaultState state;

bool should_fail(Call call) {
  const int seen = ++state.counts[static_cast<int>(call)];
  if (call == state.call && seen == state.nth) {
    errno = state.err;
    return true;
  }
  return false;
}

int f_open(const char *p, int f, mode_t m) {
  return should_fail(Call::kOpen) ? -1 : kRealSysIo.open(p, f, m);
}
ssize_t f_read(int fd, void *b, size_t n) {
  return should_fail(Call::kRead) ? -1 : kRealSysIo.read(fd, b, n);
}
ssize_t f_write(int fd, const void *b, size_t n) {
  if (should_fail(Call::kWrite)) return -1;
  if (state.write_limit == 0) return 0;
  if (state.write_limit > 0 && n > static_cast<size_t>(state.write_limit)) {
    n = static_cast<size_t>(state.write_limit);
  }
  return kRealSysIo.write(fd, b, n);
}
int f_fsync(int fd) { return should_fail(Call::kFsync) ? -1 : kRealSysIo.fsync(fd); }
int f_fchmod(int fd, mode_t m) {
  return should_fail(Call::kFchmod) ? -1 : kRealSysIo.fchmod(fd, m);
}
int f_close(int fd) {
  // The descriptor is released even when close reports a failure.
  const int rc = kRealSysIo.close(fd);
  return should_fail(Call::kClose) ? -1 : rc;
}
int f_rename(const char *a, const char *b) {
  return should_fail(Call::kRename) ? -1 : kRealSysIo.rename(a, b);
}
int f_unlink(const char *p) {
  return should_fail(Call::kUnlink) ? -1 : kRealSysIo.unlink(p);
}
int f_flock(int fd, int op) {
  return should_fail(Call::kFlock) ? -1 : kRealSysIo.flock(fd, op);
}

}  // namespace

std::string call_name(Call call) {
  static const char *const names[kCallKinds] = {
      "open", "read", "write", "fsync", "fchmod", "close", "rename", "unlink", "flock"};
  return names[static_cast<int>(call)];
}

void arm_fault(Call call, int nth, int err) {
  state = FaultState{};
  state.call = call;
  state.nth = nth;
  state.err = err;
  sys_io = {f_open, f_read, f_write, f_fsync, f_fchmod,
            f_close, f_rename, f_unlink, f_flock};
}

void limit_writes(long max_bytes) { state.write_limit = max_bytes; }

int calls_made(Call call) { return state.counts[static_cast<int>(call)]; }

void disarm_faults() {
  sys_io = kRealSysIo;
  state = FaultState{};
}
