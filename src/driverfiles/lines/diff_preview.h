// A preview of a rewrite: the plan's calls recorded as line edits of the
// old file, then printed as a unified diff against the result ("diff -u"
// layout, three lines of context, "\ No newline at end of file" where due).
// Use: the record_ calls as a PlanTarget with a zeroed DiffRecorder, then
// print_diff() with the old file open afresh (read through the line scan,
// never a line held whole), then free_diff().
#ifndef ZKPT_DRIVERFILES_DIFF_PREVIEW_H
#define ZKPT_DRIVERFILES_DIFF_PREVIEW_H

#include <cstddef>

enum class EditKind { kDrop, kEndLine, kInsert };

struct LineEdit {
  EditKind kind;
  long line;  // old line dropped or given its newline; kInsert: after it
  const char *text;
  size_t len;
};

struct DiffRecorder {
  LineEdit *edits;  // malloc'd
  size_t count, cap;
  long lines_done;    // old lines handed on so far
  bool kept_open;     // the last bytes kept end inside a line
  bool skipped_open;  // the last bytes left out end inside a line
  char **copies;  // what record_add_copy() kept, malloc'd
  size_t copy_count, copy_cap;
};

int record_put(void *ctx, const char *bytes, size_t len);
int record_skip(void *ctx, const char *bytes, size_t len);
int record_add(void *ctx, const char *bytes, size_t len);
// record_add() of a text that lives only for the call: a copy is kept.
int record_add_copy(void *ctx, const char *bytes, size_t len);

// Prints the recorded change of the file open at fd under path; nothing
// when there is none. Returns 0, or -1 with errno.
int print_diff(const DiffRecorder *recorder, int fd, const char *path);

void free_diff(DiffRecorder *recorder);

#endif
