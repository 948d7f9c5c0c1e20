// The system calls that driver-file editing makes, behind one table.
//
// Every file access, clock read, allocation, start of or wait for the
// companion, lock pause and audit line of the engine goes through sys_io,
// so tests can fail exactly one call, plant a link, set the time or pause
// no real time; the installed program never changes the table.
//
// Results, here and in every helper built on it: 0, or -1 with errno from
// the call that failed; a question answers 1, 0 or -1 with errno (the
// operations answer as front/operations.h says).
#ifndef ZKPT_DRIVERFILES_SYS_IO_H
#define ZKPT_DRIVERFILES_SYS_IO_H

#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>

#include <ctime>

#include <cerrno>
#include <cstddef>

struct SysIo {
  int (*open)(const char *path, int flags, mode_t mode);
  ssize_t (*read)(int fd, void *buf, size_t count);
  ssize_t (*pread)(int fd, void *buf, size_t count, off_t offset);
  ssize_t (*write)(int fd, const void *buf, size_t count);
  int (*fsync)(int fd);
  int (*fchmod)(int fd, mode_t mode);
  int (*fchown)(int fd, uid_t owner, gid_t group);
  int (*fstat)(int fd, struct stat *st);
  int (*stat)(const char *path, struct stat *st);
  int (*lstat)(const char *path, struct stat *st);
  char *(*realpath)(const char *path, char *resolved);
  int (*close)(int fd);
  int (*rename)(const char *from, const char *to);
  int (*unlink)(const char *path);
  int (*flock)(int fd, int operation);
  int (*gettimeofday)(struct timeval *now, void *zone);
  void *(*realloc)(void *block, size_t size);  // sets errno on failure
  // One audit line to syslog(3) at priority; 0 (syslog tells nothing).
  int (*log_line)(int priority, const char *line);
  pid_t (*waitpid)(pid_t child, int *status, int options);
  int (*faccessat)(int dir, const char *path, int mode, int flags);
  // Starts the program argv[0] names with this environment into *child
  // (posix_spawn); 0, or -1 with errno.
  int (*spawn)(pid_t *child, char *const *argv);
  int (*nanosleep)(const struct timespec *pause, struct timespec *rest);
};

extern SysIo sys_io;

// The real calls, for tests that wrap some of them and restore the rest.
extern const SysIo kRealSysIo;

// Keeps errno across the clean-up calls after a failure, to scope end.
struct SavedErrno {
  int value = errno;
  ~SavedErrno() { errno = value; }
};

// A failure this code finds itself: errno set to error, -1.
inline int errno_failure(int error) {
  errno = error;
  return -1;
}

// Repeats a call that a signal interrupted (a result below 0 with EINTR).
template <class Call>
auto retry_interrupted(Call call) -> decltype(call()) {
  for (;;) {
    const auto rc = call();
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

// Room for one more item in a growing array of count items, doubling its
// capacity (first 16) through sys_io.realloc: 0, or -1 with errno and the
// array as it was.
template <class T>
int make_room(T **items, size_t *cap, size_t count) {
  if (count < *cap) return 0;
  const size_t more = *cap ? *cap * 2 : 16;
  if (more > static_cast<size_t>(-1) / sizeof(T)) return errno_failure(ENOMEM);
  void *grown = sys_io.realloc(*items, more * sizeof(T));
  if (grown == nullptr) return -1;
  *items = static_cast<T *>(grown);
  *cap = more;
  return 0;
}

// Appends the n bytes at text to a growing block (len bytes used, cap
// held), a zero byte kept after them: 0, or -1 with errno and nothing
// appended.
int append_text(char **bytes, size_t *len, size_t *cap, const char *text, size_t n);

// Reads fd on into the growing buffer *bytes (*len used of *cap) until
// its end or until it holds more than limit bytes, never more than one
// past it, so a longer input is told by *len and no input can grow the
// buffer without bound: 0, or -1 with errno.
int read_up_to(int fd, char **bytes, size_t *len, size_t *cap, size_t limit);

#endif
