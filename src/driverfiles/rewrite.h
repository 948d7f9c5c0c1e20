// Rewriting a driver file: the one way this tool changes a driver file.
//
// A driver file is never edited in place. rewrite_file() copies it line by
// line into its temporary file "<path>.$$$", changing lines on the way as
// the plan says, and then puts the copy where the file was:
//
//   1. open the driver file for reading;
//   2. remove a stale temporary file, then create the temporary file
//      afresh, exclusively and without following a link at its name, with
//      permission bits 0666 (the driver's own programs expect them);
//   3. copy every line through the plan, then write the appended text;
//      text written after a last line without a newline gets one first,
//      so an added line never merges with a line the tool does not own;
//   4. flush, fsync and close the temporary file;
//   5. rename it over the driver file (atomic: readers see the old file or
//      the new one, never none), then fsync the directory so the new name
//      survives a power loss.
//
// Result: 0 when the driver file now holds the new content, or -1 with
// errno from the call that failed. On every failure up to the rename the
// driver file is exactly as it was and the temporary file is removed.
// A failure to fsync the directory is reported too, although by then the
// new content is in place.
//
// Callers serialise runs with the driver lock; the temporary name is fixed.
#ifndef ZKPT_DRIVERFILES_REWRITE_H
#define ZKPT_DRIVERFILES_REWRITE_H

enum class LineAction {
  kKeepAll,      // copy every line
  kInsertAfter,  // copy every line; after each matching one write text
  kDrop,         // leave out every matching line
  kReplace,      // write text instead of every matching line
};

struct RewritePlan {
  LineAction action;
  const char *match;   // a line matches when it holds this; unused by kKeepAll
  const char *text;    // inserted or replacing text
  const char *append;  // written after the last line; may be null
};

int rewrite_file(const char *path, const RewritePlan &plan);

// True when the line, up to its first zero byte, holds needle.
bool line_holds(const char *line, const char *needle);

#endif
