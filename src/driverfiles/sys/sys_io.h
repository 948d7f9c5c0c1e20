// The system calls that driver-file editing makes, behind one table.
//
// Everything in this subsystem that touches a file, reads the clock,
// grows memory, starts or waits for the companion tool, pauses for the
// lock or writes the audit trail goes through sys_io, so tests can make
// exactly one call fail (the third write, the fsync, the rename, a
// realloc, the start, the wait), plant a link at the right moment, set the
// time, or pause no real time, and check what that leaves behind. The
// installed program never changes the table.
//
// Results, here and in every file helper built on the table (paths, line
// scan, plans, rewrite, reading a model's files, identifiers): 0, or -1
// with errno from the call that failed; a question answers 1 (yes),
// 0 (no) or -1 with errno. The operations above answer as
// front/operations.h says.
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
  // One line of the audit trail to syslog(3), priority as syslog takes it;
  // 0 (syslog reports nothing back).
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

// The helpers every caller of the table uses for the same three chores.

// Keeps errno of a failure across the clean-up calls that follow it, until
// the end of the enclosing scope.
struct SavedErrno {
  int value = errno;
  ~SavedErrno() { errno = value; }
};

// Repeats a call that a signal interrupted (a result below 0 with EINTR).
template <class Call>
auto retry_interrupted(Call call) -> decltype(call()) {
  for (;;) {
    const auto rc = call();
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

// Makes room for one more item in a growing array of count items, doubling
// its capacity (first 16) through sys_io.realloc. 0, or -1 with errno and
// the array as it was.
int grow_array(void **items, size_t *cap, size_t count, size_t item_size);
template <class T>
int make_room(T **items, size_t *cap, size_t count) {
  void *block = *items;
  if (grow_array(&block, cap, count, sizeof(T)) != 0) return -1;
  *items = static_cast<T *>(block);
  return 0;
}

#endif
