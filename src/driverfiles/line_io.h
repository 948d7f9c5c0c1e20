// Reading driver files line by line and writing them back, checked.
//
// A line is the bytes up to and including a newline, or the bytes before
// end of file when the last line has none. Lines may be of any length and
// may hold zero bytes; they are kept whole so they can be copied exactly.
// Every read and write goes through sys_io and every failure is reported:
// a read error is never mistaken for the end of the file.
#ifndef ZKPT_DRIVERFILES_LINE_IO_H
#define ZKPT_DRIVERFILES_LINE_IO_H

#include <cstddef>
#include <string>

enum : size_t { kIoChunk = 65536 };

struct LineReader {
  int fd;
  size_t pos;
  size_t end;
  char chunk[kIoChunk];
};

void open_line_reader(LineReader *reader, int fd);

// Stores the next line in *line. Returns its length in bytes, 0 at end of
// file (line empty), or -1 with errno on a read error.
long read_line(LineReader *reader, std::string *line);

// Writes all len bytes, retrying short writes and interrupted calls.
// Returns 0, or -1 with errno; a write that makes no progress is EIO.
int write_all(const char *bytes, size_t len, int fd);

// Collects output and hands it to write_all a chunk at a time.
struct LineWriter {
  int fd;
  std::string pending;
  bool mid_line;  // the output so far ends inside a line
};

int write_text(LineWriter *writer, const char *bytes, size_t len);

// Ends the current line with a newline if the output stands inside one.
int end_open_line(LineWriter *writer);
int flush_writer(LineWriter *writer);

#endif
