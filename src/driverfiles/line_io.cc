#include "driverfiles/line_io.h"

#include <cerrno>
#include <cstring>

#include "driverfiles/sys_io.h"

void open_line_reader(LineReader *reader, int fd) {
  reader->fd = fd;
  reader->pos = 0;
  reader->end = 0;
}

namespace {

// Refills the chunk. Returns bytes now available, 0 at end, -1 on error.
long refill(LineReader *reader) {
  for (;;) {
    const ssize_t got = sys_io.read(reader->fd, reader->chunk, kIoChunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    reader->pos = 0;
    reader->end = static_cast<size_t>(got);
    return static_cast<long>(got);
  }
}

}  // namespace

long read_line(LineReader *reader, std::string *line) {
  line->clear();
  for (;;) {
    if (reader->pos == reader->end) {
      const long got = refill(reader);
      if (got < 0) return -1;
      if (got == 0) return static_cast<long>(line->size());
    }
    const char *start = reader->chunk + reader->pos;
    const size_t avail = reader->end - reader->pos;
    const void *newline = std::memchr(start, '\n', avail);
    const size_t take =
        newline ? static_cast<size_t>(static_cast<const char *>(newline) -
                                      start) + 1
                : avail;
    line->append(start, take);
    reader->pos += take;
    if (newline) return static_cast<long>(line->size());
  }
}

int write_all(const char *bytes, size_t len, int fd) {
  while (len > 0) {
    const ssize_t put = sys_io.write(fd, bytes, len);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return -1;
    if (put == 0) {
      errno = EIO;
      return -1;
    }
    bytes += put;
    len -= static_cast<size_t>(put);
  }
  return 0;
}

int write_text(LineWriter *writer, const char *bytes, size_t len) {
  if (len == 0) return 0;
  writer->mid_line = bytes[len - 1] != '\n';
  writer->pending.append(bytes, len);
  if (writer->pending.size() < kIoChunk) return 0;
  return flush_writer(writer);
}

int end_open_line(LineWriter *writer) {
  return writer->mid_line ? write_text(writer, "\n", 1) : 0;
}

int flush_writer(LineWriter *writer) {
  const int rc = write_all(writer->pending.data(), writer->pending.size(),
                           writer->fd);
  writer->pending.clear();
  return rc;
}
