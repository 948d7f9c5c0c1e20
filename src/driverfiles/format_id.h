// Label format identifiers: made when a format is added, found again by name.
//
// An identifier is "ZkL", the tape media name (ten characters, or nothing),
// then in upper-case hex: the label name's length (2 digits), the width
// (2 or more), the height's low 12 bits (3), the seconds' low 4 bits (1)
// and the microseconds' low 16 bits (4). Entry lines in the function file
// and the paper table hold "<identifier>/<label name>".
#ifndef ZKPT_DRIVERFILES_FORMAT_ID_H
#define ZKPT_DRIVERFILES_FORMAT_ID_H

#include <cstddef>

#include "front/paper_job.h"

enum : size_t { kFormatIdMax = 100 };

struct FormatId {
  char text[kFormatIdMax];
};

FormatId make_format_id(const PaperJob &job, long seconds, long microseconds);

// Finds the identifier of the entry named label_name in line. The first
// "ZkL" of the line is read as an identifier; the media part is there
// exactly when "_zk" follows it. Returns false for a line whose entry is
// malformed or carries another name; never reads outside the line.
bool match_entry_line(const char *line, size_t len, const char *label_name,
                      FormatId *id);

// Looks label_name up in the driver file at path; the first matching line
// wins. Returns 1 and the identifier when found, 0 when not found or when
// the file cannot be opened, -1 with errno when reading it fails part way
// (a format that may be there must not be reported as absent).
int find_format_id(const char *path, const char *label_name, FormatId *id);

#endif
