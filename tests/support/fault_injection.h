// Failure injection and observation for driver-file editing: every entry
// of sys_io is replaced by one counting wrapper, so that exactly the nth
// call of one kind fails with a chosen errno, and so that a test can see
// which files were synced and renamed, act just before an open, and set
// the time of day.
#ifndef ZKPT_TESTS_SUPPORT_FAULT_INJECTION_H
#define ZKPT_TESTS_SUPPORT_FAULT_INJECTION_H

#include <functional>
#include <string>
#include <vector>

enum class Call {
  kOpen, kRead, kPread, kWrite, kFsync, kFchmod, kFchown, kFstat, kStat,
  kLstat, kRealpath, kClose, kRename, kUnlink, kFlock, kGettimeofday
};
const int kCallKinds = 16;
std::string call_name(Call call);

// Installs the wrappers and clears counts, logs, hook, clock and write
// limit; the nth call (from 1) of kind call fails with err. nth 0 makes
// nothing fail.
void arm_fault(Call call, int nth, int err);

// Every write from now on reports at most max_bytes written; 0 makes each
// write report no progress at all.
void limit_writes(long max_bytes);

// Runs before every open, with the path about to be opened.
void set_open_hook(std::function<void(const char *path)> hook);

// gettimeofday answers this time from now on.
void set_clock(long seconds, long microseconds);

// Calls of this kind made since the last arm_fault.
int calls_made(Call call);

// Every call made since the last arm_fault, in order.
const std::vector<Call> &call_log();

// "fsync <path the descriptor names>" and "rename <target>", in order.
const std::vector<std::string> &sync_and_rename_log();

// Puts the real calls back.
void disarm_faults();

#endif
