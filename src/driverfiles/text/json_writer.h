// JSON strings (or null) written to standard output; the rest of a
// document (structure, keys, numbers, booleans) is the caller's.
//
// A string's valid UTF-8 passes as it is, with JSON's escapes for '"',
// '\\' and control characters (\u00XX); every byte that is not part of
// valid UTF-8 is written as \udcXX (U+DC80 + byte - 0x80), so a reader
// decoding with Python's "surrogateescape" gets the exact bytes back.
// Output errors stay with the stream, checked once before the exit.
#ifndef ZKPT_DRIVERFILES_JSON_WRITER_H
#define ZKPT_DRIVERFILES_JSON_WRITER_H

#include <cstddef>

void write_json_string(const char *bytes, size_t len);

// Length of the valid UTF-8 sequence at bytes (1 to 4), or 0 where the
// bytes are not one (the writer's \udcXX bytes, the reader's refusal).
size_t utf8_length(const unsigned char *bytes, size_t len);
void write_json_text(const char *text);  // a terminated string; null: null

#endif
