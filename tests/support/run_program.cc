#include "support/run_program.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "support/temp_tree.h"

namespace {

int open_as(int fd, const std::string &path) {
  const int got = ::open(path.c_str(), fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC, 0600);
  return got < 0 || dup2(got, fd) < 0 || (got != fd && ::close(got) != 0) ? -1 : 0;
}

// Forks; the child sets up its descriptors, directory and a process group of its own (so a kill of the group takes
// the companion it runs too, as a power cut would), then runs exe with SIGCHLD ignored, as some daemons leave it, and
// an alarm that kills a run still going after a minute (128 + SIGALRM), so a hang fails its test instead of
// stopping the suite. A child that cannot get that far exits 121 or 122.
int spawn(const std::string &exe, const std::vector<std::string> &argv, const std::string &cwd, const std::string &out,
          const std::string &err, bool unprivileged = false, const std::string &in = "/dev/null") {
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid > 0) (void)setpgid(pid, pid);  // the child's own call may come later
  if (pid != 0) return pid;
  const bool ready = setpgid(0, 0) == 0 && signal(SIGCHLD, SIG_IGN) != SIG_ERR && (in.empty() ? ::close(0) == 0 : open_as(0, in) == 0) &&
                     open_as(2, err) == 0 && (out.empty() ? ::close(1) == 0 : open_as(1, out) == 0) &&
                     close_range(3, ~0U, 0) == 0 && chdir(cwd.c_str()) == 0 && (!unprivileged || geteuid() != 0 ||
                     (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) == 0 && prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH) == 0));
  if (!ready) _exit(121);
  (void)alarm(60);
  execv(exe.c_str(), args.data());
  _exit(122);
}

}  // namespace

int start_program(const std::string &exe, const std::vector<std::string> &argv, const std::string &cwd) {
  return spawn(exe, argv, cwd, "/dev/null", "/dev/null");
}

int wait_program(int pid) {
  int status = 0;
  return waitpid(pid, &status, 0) != pid ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ProgramResult run_program(const std::string &exe, const std::vector<std::string> &argv,
                          const std::string &cwd, Stdout out, bool unprivileged, const std::string &in) {
  TempDir capture;
  const std::string to = out == Stdout::kFull ? "/dev/full" : out == Stdout::kClosed ? "" : capture.path + "/out";
  const int status = wait_program(spawn(exe, argv, cwd, to, capture.path + "/err", unprivileged, in));
  return {status, out == Stdout::kCaptured ? read_file(to) : "", read_file(capture.path + "/err")};
}
