// Stand-in for the driver's companion tool. Appends its arguments to
// "<argv[0]>.log" (each as "<length>:<bytes>", a newline after the call)
// and exits with the status written in "<argv[0]>.status" (0 when there is
// none; "kill" makes it die of SIGKILL), after sleeping the microseconds
// written in "<argv[0]>.sleep", if any.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char **argv) {
  const std::string self = argv[0];
  std::ofstream log(self + ".log", std::ios::binary | std::ios::app);
  for (int i = 1; i < argc; ++i) {
    log << std::strlen(argv[i]) << ':' << argv[i];
  }
  log << '\n';
  log.close();
  std::ifstream sleep_file(self + ".sleep");
  long micros = 0;
  if (sleep_file >> micros) usleep(static_cast<useconds_t>(micros));
  std::ifstream status_file(self + ".status");
  std::string status;
  status_file >> status;
  if (status == "kill") std::raise(SIGKILL);
  return status.empty() ? 0 : std::atoi(status.c_str());
}
