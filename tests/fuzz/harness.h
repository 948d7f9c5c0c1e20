// What the three fuzz targets share. Each defines LLVMFuzzerTestOneInput
// and checks properties with check(): a broken one aborts, so libFuzzer
// keeps the input. Built without libFuzzer, replay.cc runs a target over
// files and folders of inputs; the test suite runs each over its seeds.
#ifndef ZKPT_TESTS_FUZZ_HARNESS_H
#define ZKPT_TESTS_FUZZ_HARNESS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

inline void check(bool ok) {
  if (!ok) std::abort();
}

// Takes pieces off the front of an input.
struct FuzzInput {
  const uint8_t *data;
  size_t size;
  std::string take(size_t n) {
    n = std::min(n, size);
    const std::string piece(reinterpret_cast<const char *>(data), n);
    data += n;
    size -= n;
    return piece;
  }
  uint8_t byte() { return size == 0 ? 0 : static_cast<uint8_t>(take(1)[0]); }
};

#endif
