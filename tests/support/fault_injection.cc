#include "support/fault_injection.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <tuple>
#include <type_traits>

#include "driverfiles/sys/sys_io.h"

namespace {

struct FaultState {
  Call call = Call::kOpen;
  int nth = 0, err = 0;
  bool stalled = false;
  long seconds = -1, microseconds = 0;  // seconds -1: the real clock
  std::vector<Call> log;
  std::vector<std::string> events;
  std::function<void(const char *)> open_hook;
} state;

std::string fd_path(int fd) {
  char link[64], target[PATH_MAX];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t len = readlink(link, target, sizeof target - 1);
  return len < 0 ? "<unknown>" : std::string(target, static_cast<size_t>(len));
}

template <Call C, auto Member>
struct Seam;

// One wrapper for every entry: count, observe, fail when due, else call the real entry.
template <Call C, typename R, typename... A, R (*SysIo::*Member)(A...)>
struct Seam<C, Member> {
  static R call_through(A... a) {
    auto args = std::make_tuple(a...);
    state.log.push_back(C);
    if constexpr (C == Call::kOpen) { if (state.open_hook) state.open_hook(std::get<0>(args)); }
    if constexpr (C == Call::kFsync) state.events.push_back("fsync " + fd_path(std::get<0>(args)));
    if constexpr (C == Call::kRename) state.events.push_back(std::string("rename ") + std::get<1>(args));
    if constexpr (C == Call::kLogLine) state.events.push_back(std::string("log ") + std::get<1>(args));
    if constexpr (C == Call::kWaitpid) state.events.push_back("wait");
    if (C == state.call && calls_made(C) == state.nth) {
      // Linux frees the descriptor even when close reports a failure.
      if constexpr (C == Call::kClose) kRealSysIo.close(std::get<0>(args));
      // A failed wait (not an interrupted one, which is waited again) still reaps the stand-in, so none outlives
      // its run to answer the next one's call.
      if constexpr (C == Call::kWaitpid) { if (state.err != EINTR) std::apply(kRealSysIo.waitpid, args); }
      errno = state.err;
      if constexpr (std::is_pointer_v<R>) return nullptr;
      else return -1;
    }
    if constexpr (C == Call::kGettimeofday) {
      if (state.seconds >= 0) return *std::get<0>(args) = {state.seconds, state.microseconds}, 0;
    }
    if constexpr (C == Call::kWrite) { if (state.stalled) return 0; }
    // The log above shows what a sync orders; a disk's flush only costs time.
    if constexpr (C == Call::kNanosleep || C == Call::kFsync) return 0;
    return std::apply(kRealSysIo.*Member, args);
  }
};

}  // namespace

std::string call_name(Call call) {
#define ZKPT_NAME(kind, member) #member,
  static const char *const names[] = {ZKPT_CALLS(ZKPT_NAME)};
#undef ZKPT_NAME
  return names[static_cast<int>(call)];
}

void arm_fault(Call call, int nth, int err) {
  state = FaultState{};
  state.call = call, state.nth = nth, state.err = err;
#define ZKPT_SEAM(kind, member) &Seam<Call::kind, &SysIo::member>::call_through,
  sys_io = {ZKPT_CALLS(ZKPT_SEAM)};
  static_assert(sizeof(SysIo) / sizeof(void *) == static_cast<size_t>(Call::kNanosleep) + 1, "an entry lacks a kind");
#undef ZKPT_SEAM
}

void stall_writes() { state.stalled = true; }
void set_open_hook(std::function<void(const char *)> hook) { state.open_hook = std::move(hook); }
void set_clock(long seconds, long microseconds) { state.seconds = seconds, state.microseconds = microseconds; }
int calls_made(Call call) { return static_cast<int>(std::count(state.log.begin(), state.log.end(), call)); }
int nth_of_kind(const std::vector<Call> &log, size_t i) {
  return static_cast<int>(std::count(log.begin(), log.begin() + static_cast<long>(i) + 1, log[i]));
}
const std::vector<Call> &call_log() { return state.log; }
const std::vector<std::string> &sync_and_rename_log() { return state.events; }

void disarm_faults() { sys_io = kRealSysIo, state = FaultState{}; }
