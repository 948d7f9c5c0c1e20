/* Runs one command and appends one line to a file:
 *   measure [-s STATUS] OUT LABEL COMMAND [ARG...]
 * writes "LABEL NANOSECONDS PEAK_KB" to OUT: wall-clock time from just
 * before the start to the reaping of COMMAND, and its peak resident size
 * (with that of any children it waited for). The command's standard
 * output and error pass through. Exits 1, saying why, when the command
 * cannot start or does not exit with status 0 (or STATUS: a refusal
 * timed). */
#define _GNU_SOURCE
#include <errno.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

int main(int argc, char **argv) {
  int expected = 0;
  if (argc > 2 && strcmp(argv[1], "-s") == 0) {
    expected = atoi(argv[2]);
    argv[2] = argv[0];
    argv += 2;
    argc -= 2;
  }
  if (argc < 4) {
    fprintf(stderr, "usage: measure [-s STATUS] OUT LABEL COMMAND [ARG...]\n");
    return 1;
  }
  struct timespec t0, t1;
  struct rusage use;
  pid_t pid;
  int status;
  if (clock_gettime(CLOCK_MONOTONIC, &t0) != 0) return 1;
  int rc = posix_spawnp(&pid, argv[3], NULL, NULL, argv + 3, environ);
  if (rc != 0) {
    fprintf(stderr, "measure: cannot start %s: %s\n", argv[3], strerror(rc));
    return 1;
  }
  while (wait4(pid, &status, 0, &use) < 0) {
    if (errno != EINTR) {
      perror("measure: wait4");
      return 1;
    }
  }
  if (clock_gettime(CLOCK_MONOTONIC, &t1) != 0) return 1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != expected) {
    fprintf(stderr, "measure: %s (%s) failed, status %d\n", argv[2], argv[3],
            status);
    return 1;
  }
  FILE *out = fopen(argv[1], "a");
  if (out == NULL) {
    perror(argv[1]);
    return 1;
  }
  long long ns = (long long)(t1.tv_sec - t0.tv_sec) * 1000000000LL +
                 (t1.tv_nsec - t0.tv_nsec);
  fprintf(out, "%s %lld %ld\n", argv[2], ns, use.ru_maxrss);
  if (fclose(out) != 0) {
    perror(argv[1]);
    return 1;
  }
  return 0;
}
