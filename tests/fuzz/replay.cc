// Runs a fuzz target over every input file named, or found in a folder
// named, on the command line.
#include <dirent.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

int main(int argc, char **argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::string> files{argv[i]};
    if (DIR *dir = opendir(argv[i])) {
      files.clear();
      while (const struct dirent *e = readdir(dir)) {
        if (e->d_name[0] != '.') files.push_back(std::string(argv[i]) + "/" + e->d_name);
      }
      closedir(dir);
    }
    for (const std::string &file : files) {
      std::ostringstream bytes;
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        std::printf("cannot read %s\n", file.c_str());
        return 1;
      }
      bytes << in.rdbuf();
      const std::string input = bytes.str();
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.data()), input.size());
      ++inputs;
    }
  }
  std::printf("%d inputs ran\n", inputs);
  return inputs > 0 ? 0 : 1;
}
