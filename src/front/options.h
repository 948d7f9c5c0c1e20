// Command line reading: option-value pairs into the job record.
//
// parse_options() walks the words after the program name two at a time,
// left to right, and stops at the first fault; no words, or an odd number
// of them, is a fault before any is read. Tape models have their
// width turned into a real tape (standard or heat-shrink) and their height
// clamped as each -w or -h is read, looking at the label name given so far.
// A rejected command line means: show the usage text. A size is also
// rejected when a number an add would write for it could not be written
// exactly (see size_written_exactly()), so no driver file or companion
// command line ever receives a wrapped or cut number.
#ifndef ZKPT_FRONT_OPTIONS_H
#define ZKPT_FRONT_OPTIONS_H

#include <cstdint>

#include "front/paper_job.h"

struct SeenFlags {
  bool printer;  // -P
  bool add;      // -n
  bool remove;   // -d
  bool width;    // -w
  bool height;   // -h
};

// Why a command line was rejected, in words, for the administrator
// commands' usage errors: the option it concerns ('\0' for none) and a
// fixed text (never a value from the command line).
struct ParseFault {
  char option;
  const char *reason;
};

// True when the command line is accepted; fault (may be null) is set when
// it is rejected. On a tape model a name holding "HS" or "hs" asks for
// heat-shrink tube: its width is turned into a tube, its height held to 4
// to 500 mm (other tapes: 4 to 1000).
bool parse_options(int argc, const char *const *argv, PaperJob *job, SeenFlags *seen,
                   ParseFault *fault = nullptr);

#endif
