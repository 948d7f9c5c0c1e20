// Label format identifiers: made when a format is added, found again by name.
//
// An identifier is "ZkL", the tape media name (ten characters, or nothing),
// then in upper-case hex: the label name's length (2 digits), the width
// (2 or more), the height's low 12 bits (3), the seconds' low 4 bits (1)
// and the microseconds' low 16 bits (4). Entry lines in the function file
// and the paper table hold "<identifier>/<label name>"; ImagingArea lines
// begin "<identifier>:"; a settings line selects a format by holding its
// identifier.
#ifndef ZKPT_DRIVERFILES_FORMAT_ID_H
#define ZKPT_DRIVERFILES_FORMAT_ID_H

#include <cstddef>

#include "front/paper_job.h"

enum : size_t { kFormatIdMax = 100, kMediaLen = 10 };

// What every identifier begins with, and where its media part starts.
const char kFormatIdPrefix[] = "ZkL";
enum : size_t { kMediaAt = sizeof kFormatIdPrefix - 1 };

// The function file's line that entries follow.
const char kEntryMarker[] = "[CustomTape]";

struct FormatId {
  char text[kFormatIdMax];
};

// The identifier for job at a time (the clock's seconds and microseconds;
// only their low bits count).
FormatId make_format_id(const PaperJob &job, long seconds, long microseconds);

// The next candidate when an identifier is taken: the time's 20 bits
// (seconds digit and microsecond digits) one microsecond on, wrapping.
void next_time_digits(long *seconds, long *microseconds);

// What an identifier at the start of text says about its format.
struct IdParts {
  size_t len;        // characters of the identifier
  size_t media_len;  // 10, or 0 without a media part
  size_t name_len;   // from its two length digits
  long width;        // millimetres; -1 for more than 8 digits
  long height;       // millimetres, low 12 bits
};

// Reads the identifier at the start of text (len bytes, never read past):
// "ZkL", the media part when "_zk" follows, twelve hex digits or more.
// False when text does not start with one.
bool parse_format_id(const char *text, size_t len, IdParts *parts);

// The identifier of the entry named label_name in line: its first "ZkL"
// read as one, followed by "/" and the name; false for a malformed entry
// or another name. Never reads outside the line.
bool match_entry_line(const char *line, size_t len, const char *label_name, FormatId *id);

#endif
