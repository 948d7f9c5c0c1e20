// Failure injection and observation for driver-file editing: one counting wrapper replaces every entry of sys_io, so
// the nth call of one kind can fail with a chosen errno, and a test can see what was synced and renamed, act just
// before an open, and set the time of day. Pauses and syncs are counted and cost nothing.
#ifndef ZKPT_TESTS_SUPPORT_FAULT_INJECTION_H
#define ZKPT_TESTS_SUPPORT_FAULT_INJECTION_H

#include <functional>
#include <string>
#include <vector>

// Every entry of sys_io: the kind that names it, and the member.
#define ZKPT_CALLS(X)                                                                                        \
  X(kOpen, open) X(kRead, read) X(kPread, pread) X(kWrite, write) X(kFsync, fsync) X(kFchmod, fchmod)      \
  X(kFchown, fchown) X(kFstat, fstat) X(kStat, stat) X(kLstat, lstat) X(kRealpath, realpath)               \
  X(kClose, close) X(kRename, rename) X(kUnlink, unlink) X(kFlock, flock) X(kGettimeofday, gettimeofday)  \
  X(kRealloc, realloc) X(kLogLine, log_line) X(kWaitpid, waitpid) X(kFaccessat, faccessat)                \
  X(kSpawn, spawn) X(kNanosleep, nanosleep)
#define ZKPT_KIND(kind, member) kind,
enum class Call { ZKPT_CALLS(ZKPT_KIND) };
#undef ZKPT_KIND
std::string call_name(Call call);

// Installs the wrappers and clears every log, hook, clock and limit; the nth call of kind call (from 1; 0: none)
// fails with err.
void arm_fault(Call call, int nth, int err);
void stall_writes();  // every write reports that it wrote nothing
void set_open_hook(std::function<void(const char *path)> hook);  // before each open
void set_clock(long seconds, long microseconds);                 // gettimeofday answers this
// Which call of its kind log[i] was (from 1): the nth that arm_fault takes.
int calls_made(Call call);
int nth_of_kind(const std::vector<Call> &log, size_t i);
const std::vector<Call> &call_log();  // every call, in order
// "fsync <path the descriptor names>", "rename <target>", "log <line>" (the audit trail), "wait" (for the companion).
const std::vector<std::string> &sync_and_rename_log();
void disarm_faults();  // the real calls again

#endif
