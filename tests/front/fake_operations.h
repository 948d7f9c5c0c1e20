// Test doubles of the driver-file operations: they record how they were
// called and answer with scripted results.
#ifndef ZKPT_TESTS_FRONT_FAKE_OPERATIONS_H
#define ZKPT_TESTS_FRONT_FAKE_OPERATIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "front/paper_job.h"

struct FakeOperations {
  int32_t delete_result = 0;
  int32_t add_result = 0;
  int delete_errno = 0;  // errno left behind by a failing operation
  int lock_result = 0;
  int lock_errno = 0;
  std::vector<std::string> calls;  // "lock", "delete", "add", "unlock"
  std::vector<PaperJob> jobs;      // the records the operations received
  std::string root;
};

// Reset before each test.
FakeOperations &fake_operations();

#endif
