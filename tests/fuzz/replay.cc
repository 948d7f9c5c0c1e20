// Runs a fuzz target over every file in the folders named on its command line.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

int main(int argc, char **argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  int inputs = 0;
  std::error_code error;
  for (int i = 1; i < argc && !error; ++i) {
    for (std::filesystem::directory_iterator it(argv[i], error), end; !error && it != end; it.increment(error)) {
      std::ifstream in(it->path(), std::ios::binary);
      const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.data()), input.size());
      ++inputs;
    }
  }
  if (error) std::printf("%s\n", error.message().c_str());
  std::printf("%d inputs, no property broken\n", inputs);
  return inputs > 0 && !error ? 0 : 1;
}
