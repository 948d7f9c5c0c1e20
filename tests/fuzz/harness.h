// What the three fuzz targets share. Each defines LLVMFuzzerTestOneInput
// and checks its properties with check(): a broken one aborts, so
// libFuzzer keeps the input. Without libFuzzer, replay.cc runs a target
// over folders of inputs; the test suite runs each over its seeds.
#ifndef ZKPT_TESTS_FUZZ_HARNESS_H
#define ZKPT_TESTS_FUZZ_HARNESS_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

inline void check(bool ok) {
  if (!ok) std::abort();
}

// Takes n bytes (or what is left) off the front of an input.
inline std::string take(const uint8_t **data, size_t *size, size_t n) {
  n = n < *size ? n : *size;
  const std::string piece(reinterpret_cast<const char *>(*data), n);
  *data += n;
  *size -= n;
  return piece;
}

#endif
