// Failure injection for driver-file editing: replaces entries of sys_io so
// that exactly the nth call of one kind fails with a chosen errno, and
// counts the calls made.
#ifndef ZKPT_TESTS_SUPPORT_FAULT_INJECTION_H
#define ZKPT_TESTS_SUPPORT_FAULT_INJECTION_H

#include <string>

enum class Call { kOpen, kRead, kWrite, kFsync, kFchmod, kClose, kRename, kUnlink, kFlock };
const int kCallKinds = 9;
std::string call_name(Call call);

// Installs the counting wrappers; the nth call (from 1) of kind call fails
// with err. nth 0 makes nothing fail.
void arm_fault(Call call, int nth, int err);

// Every write from now on reports at most max_bytes written; 0 makes each
// write report no progress at all.
void limit_writes(long max_bytes);

// Calls of this kind made since the last arm_fault.
int calls_made(Call call);

// Puts the real calls back.
void disarm_faults();

#endif
