#include "front/fake_operations.h"

#include <cerrno>

#include "front/operations.h"

FakeOperations &fake_operations() {
  static FakeOperations fake;
  return fake;
}

int32_t delete_label_format(PaperJob job, const char *root) {
  FakeOperations &f = fake_operations();
  f.calls.push_back("delete");
  f.jobs.push_back(job);
  job.width = -12345;  // must not reach the caller's record
  f.root = root;
  errno = f.delete_errno;
  return f.delete_result;
}

int32_t add_label_format(PaperJob job, const char *root) {
  FakeOperations &f = fake_operations();
  f.calls.push_back("add");
  f.jobs.push_back(job);
  f.root = root;
  errno = f.delete_errno;
  return f.add_result;
}

int hold_driver_lock(const PaperJob &, const char *, int *handle) {
  FakeOperations &f = fake_operations();
  f.calls.push_back("lock");
  *handle = 7;
  errno = f.lock_errno;
  return f.lock_result;
}

void release_driver_lock(int handle) {
  fake_operations().calls.push_back(handle == 7 ? "unlock" : "unlock?");
}
