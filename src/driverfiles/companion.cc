// Starts the companion tool and waits for its exit status (see companion.h).
#include "driverfiles/companion.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "driverfiles/sys_io.h"

int run_companion(const char *const *argv) {
  // The tool shares standard output: what was printed goes first. A failed
  // flush leaves nothing to do about it here; the tool still runs.
  (void)std::fflush(stdout);
  // An inherited "ignore" would have the child reaped before we see its
  // status. Setting a valid disposition for a valid signal cannot fail.
  (void)std::signal(SIGCHLD, SIG_DFL);
  pid_t child = -1;
  const int rc = posix_spawn(&child, argv[0], nullptr, nullptr,
                             const_cast<char *const *>(argv), environ);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  int status = 0;
  if (retry_interrupted([&] { return sys_io.waitpid(child, &status, 0); }) < 0) return -1;
  return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? 0 : -1;
}
