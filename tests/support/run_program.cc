#include "support/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "support/temp_tree.h"

namespace {

std::vector<char *> c_args(const std::vector<std::string> &argv) {
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  return args;
}

// In the child: output to the two paths, into cwd, then the program.
[[noreturn]] void exec_in(const std::string &exe, std::vector<char *> &args,
                          const std::string &cwd, const std::string &out_path,
                          const std::string &err_path) {
  const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
      chdir(cwd.c_str()) != 0) {
    _exit(121);
  }
  execv(exe.c_str(), args.data());
  _exit(122);
}

}  // namespace

int start_program(const std::string &exe, const std::vector<std::string> &argv,
                  const std::string &cwd) {
  std::vector<char *> args = c_args(argv);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) exec_in(exe, args, cwd, "/dev/null", "/dev/null");
  return pid;
}

int wait_program(int pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ProgramResult run_program(const std::string &exe,
                          const std::vector<std::string> &argv,
                          const std::string &cwd) {
  TempDir capture;
  const std::string out_path = capture.path + "/out";
  const std::string err_path = capture.path + "/err";
  std::vector<char *> args = c_args(argv);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) exec_in(exe, args, cwd, out_path, err_path);
  ProgramResult result;
  result.status = wait_program(pid);
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  return result;
}

std::string capture_stdout(void (*body)(void *), void *context) {
  TempDir capture;
  const std::string path = capture.path + "/stdout";
  std::fflush(stdout);
  const int saved = dup(1);
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(file, 1);
  ::close(file);
  body(context);
  std::fflush(stdout);
  dup2(saved, 1);
  ::close(saved);
  return read_file(path);
}
