// The formats an apply is given: the JSON document --list --json prints,
// {"formats":[{"name":..,"width":..,"height":..},..]}, or any strict JSON
// of that shape (members in any order, other members ignored), read whole
// from a file or, for "-", standard input, up to kApplyDocumentMax bytes
// (64 MiB): the read stops past them and a longer input is refused.
//
// Each format is taken as the add request's command line would take it:
// the name as -n (1 to 32 bytes, no zero byte, newline or "[CustomTape]";
// decoded to bytes exactly as the listing encodes them), then width and
// height as -w and -h take them (whole numbers; a tape model turns the
// width into its tape and keeps the height within its limits); no name
// may come twice: the first that does is refused, before any fault of a
// later format (the names are checked in one sort once they are read).
//
// A "model" member, when there, names the model the formats were written
// for: it must be the model the program serves (a set is not carried to
// another model by mistake); without it the set is taken as written for
// this one. A UTF-8 byte-order mark before the document is passed over
// (offsets still count from the file's first byte).
//
// read_format_set() returns 0, or -1 with the reason in *error and
// nothing in the set: the file cannot be read or held (errno), is too
// long, is not JSON, has no one "formats" member, names another model, or
// a format is refused.
#ifndef ZKPT_FRONT_FORMAT_SET_H
#define ZKPT_FRONT_FORMAT_SET_H

#include <cstddef>

#include "driverfiles/change/apply_formats.h"
#include "front/paper_job.h"

struct SetError {
  bool unreadable;     // errno says why
  bool not_json;       // reason, at byte `at`
  size_t at;
  long format;         // the format at fault, from 1 (0: none)
  char name[kLabelNameMax + 1];  // its name when known to be one, else empty
  char reason[192];
  // The other model the document names: other_len bytes, the first
  // sizeof other_model of them kept.
  bool wrong_model;
  char other_model[kPathMax];
  size_t other_len;
};

int read_format_set(const char *path, const PaperJob &job, FormatSet *set, SetError *error);

#endif
