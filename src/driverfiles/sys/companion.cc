// Starts the companion tool and waits for its exit status (see companion.h).
#include "driverfiles/sys/companion.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "driverfiles/sys/sys_io.h"

namespace {

char failure[64];

int failed_by(bool signal, int number) {
  (void)std::snprintf(failure, sizeof failure, signal ? "killed by signal %d" : "exited with status %d", number);
  return -1;
}

int failed_with_errno() {
  SavedErrno saved;
  (void)std::snprintf(failure, sizeof failure, "%s", std::strerror(errno));
  return -1;
}

// Whether this process may run st's file, as execve decides it.
bool may_execute(const struct stat &st) {
  const uid_t me = geteuid();
  if (me == 0) return (st.st_mode & 0111) != 0;
  if (st.st_uid == me) return (st.st_mode & S_IXUSR) != 0;
  if (group_member(st.st_gid) != 0) return (st.st_mode & S_IXGRP) != 0;
  return (st.st_mode & S_IXOTH) != 0;
}

}  // namespace

int run_companion(const char *const *argv) {
  // The tool shares standard output: what was printed goes first. A failed
  // flush leaves nothing to do about it here; the tool still runs.
  (void)std::fflush(stdout);
  // An inherited "ignore" would have the child reaped before we see its
  // status. Setting a valid disposition for a valid signal cannot fail.
  (void)std::signal(SIGCHLD, SIG_DFL);
  pid_t child = -1;
  if (sys_io.spawn(&child, const_cast<char *const *>(argv)) != 0) return failed_with_errno();
  int status = 0;
  if (retry_interrupted([&] { return sys_io.waitpid(child, &status, 0); }) < 0) return failed_with_errno();
  if (WIFSIGNALED(status)) return failed_by(true, WTERMSIG(status));
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : failed_by(false, WEXITSTATUS(status));
}

int check_companion(const char *path) {
  struct stat st {};
  if (sys_io.stat(path, &st) != 0) return failed_with_errno();
  if (S_ISREG(st.st_mode) && may_execute(st)) return 0;
  errno = EACCES;
  return failed_with_errno();
}

const char *companion_failure() { return failure; }
