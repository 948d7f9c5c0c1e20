/* The least work one request cannot avoid, as the benchmark's floor:
 *   floor [-s] [-l LINES] COMPANION TIMES FILE...
 * first writes the intent record a request owes beside the first FILE
 * (zkpapertoollpr.intent: a small file through its .$$$, its fsync, the
 * rename and the fsync of the directory), starts COMPANION (no shell)
 * TIMES times and waits for each, then replaces every FILE by a copy of
 * itself: a new FILE.$$$ written with 1 MiB reads and writes, its fsync,
 * the rename over FILE and the fsync of the directory; then removes the
 * record (an unlink, unsynced) and writes the audit line each change owes
 * to syslog (LINES of them, one unless told: an apply of many formats owes
 * one per format). With -s the renames share their directory's fsync:
 * every FILE renamed unsynced, then one fsync of the first FILE's
 * directory (the FILEs share it), before the record is removed. Exit
 * status 0 on success, 1 with the reason printed. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <libgen.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

extern char **environ;
static char buf[1 << 20];

static int fail(const char *what, const char *path) {
  fprintf(stderr, "floor: %s %s: %s\n", what, path, strerror(errno));
  return 1;
}

static int run(char *companion) {
  char *argv[] = {companion, "-P", "q", "-show", "1", NULL};
  pid_t pid;
  int status, rc = posix_spawn(&pid, companion, NULL, NULL, argv, environ);
  if (rc != 0) {
    errno = rc;
    return fail("spawn", companion);
  }
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return fail("wait", companion);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fprintf(stderr, "floor: %s failed\n", companion);
    return 1;
  }
  return 0;
}

static int sync_dir(char *path) {
  int d = open(dirname(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d < 0) return fail("open", path);
  if (fsync(d) != 0) return fail("fsync", path);
  if (close(d) != 0) return fail("close", path);
  return 0;
}

/* The intent record of a request whose first file is path: written as
 * the tool writes it, or (remove) unlinked. */
static int record(const char *path, int remove) {
  static const char text[] = "zkpapertoollpr intent 1\nmodel tvq310\nkind 3\n"
      "request add ZkL_zkS12mm__050A03271A2B\nprinter 1:q\nname 5:Bench\nmedia 10:_zkS12mm__\n"
      "size 10 50 70\nsum 0123456789ABCDEF\n";
  char name[4096], temp[4096], dir[4096];
  snprintf(dir, sizeof dir, "%s", path);
  if (snprintf(name, sizeof name, "%s/zkpapertoollpr.intent", dirname(dir)) >= (int)sizeof name ||
      snprintf(temp, sizeof temp, "%s.$$$", name) >= (int)sizeof temp) {
    errno = ENAMETOOLONG;
    return fail("name", path);
  }
  if (remove) return unlink(name) == 0 ? 0 : fail("unlink", name);
  int out = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) return fail("create", temp);
  if (write(out, text, sizeof text - 1) != (ssize_t)(sizeof text - 1)) return fail("write", temp);
  if (fsync(out) != 0) return fail("fsync", temp);
  if (close(out) != 0) return fail("close", temp);
  if (rename(temp, name) != 0) return fail("rename", temp);
  return sync_dir(name);
}

static int copy(const char *path, int shared) {
  char temp[4096], dir[4096];
  if (snprintf(temp, sizeof temp, "%s.$$$", path) >= (int)sizeof temp ||
      snprintf(dir, sizeof dir, "%s", path) >= (int)sizeof dir) {
    errno = ENAMETOOLONG;
    return fail("name", path);
  }
  int in = open(path, O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail("open", path);
  int out = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) return fail("create", temp);
  for (;;) {
    ssize_t got = read(in, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail("read", path);
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = write(out, buf + done, (size_t)(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return fail("write", temp);
      done += put;
    }
  }
  if (fsync(out) != 0) return fail("fsync", temp);
  if (close(out) != 0) return fail("close", temp);
  if (close(in) != 0) return fail("close", path);
  if (rename(temp, path) != 0) return fail("rename", temp);
  return shared ? 0 : sync_dir(dir);
}

int main(int argc, char **argv) {
  int lines = 1, shared = 0;
  for (;;) {
    if (argc > 1 && strcmp(argv[1], "-s") == 0) {
      shared = 1;
      argc -= 1;
      argv += 1;
    } else if (argc > 2 && strcmp(argv[1], "-l") == 0) {
      lines = atoi(argv[2]);
      argc -= 2;
      argv += 2;
    } else {
      break;
    }
  }
  if (argc < 3) {
    fprintf(stderr, "usage: floor [-s] [-l LINES] COMPANION TIMES FILE...\n");
    return 1;
  }
  if (argc > 3 && record(argv[3], 0) != 0) return 1;
  for (int n = atoi(argv[2]); n > 0; n--)
    if (run(argv[1]) != 0) return 1;
  for (int i = 3; i < argc; i++)
    if (copy(argv[i], shared) != 0) return 1;
  if (shared && argc > 3) {
    char dir[4096];
    snprintf(dir, sizeof dir, "%s", argv[3]);
    if (sync_dir(dir) != 0) return 1;
  }
  if (argc > 3 && record(argv[3], 1) != 0) return 1;
  openlog("zkpapertoollpr", LOG_PID, LOG_LPR);
  for (; lines > 0; lines--)
    syslog(LOG_NOTICE, "%s", "added model=tvq310 printer=q name='Bench' id=ZkL_zkS12mm__050A03271A2B size=10x50 uid=0");
  closelog();
  return 0;
}
