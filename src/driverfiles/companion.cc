#include "driverfiles/companion.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

extern char **environ;

int run_companion(const char *const *argv) {
  std::fflush(stdout);
  // An inherited "ignore" would have the child reaped before we see its
  // status.
  std::signal(SIGCHLD, SIG_DFL);
  pid_t child = -1;
  const int rc = posix_spawn(&child, argv[0], nullptr, nullptr,
                             const_cast<char *const *>(argv), environ);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? 0 : -1;
}
