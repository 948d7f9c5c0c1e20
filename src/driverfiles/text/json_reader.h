// Reading strict JSON (RFC 8259) held in memory, value by value; no tree
// is built, the caller walks the document and skips what it does not want.
//
// Strings come back as bytes, decoded as json_writer.h encodes them: valid
// UTF-8 as it is, escapes to UTF-8, a lone \udc80..\udcff to the byte
// 0x80..0xff it stands for (a listed name reads back byte for byte). Raw
// bytes that are not UTF-8, raw control characters and other lone
// surrogates are refused.
//
// Every call returns true, or false with the error set (what, and the
// offset of the byte where it was found; json_next() is false without an
// error at its closing byte); after a failure every call fails.
// json_skip_value() refuses nesting deeper than kJsonDepthMax.
#ifndef ZKPT_DRIVERFILES_JSON_READER_H
#define ZKPT_DRIVERFILES_JSON_READER_H

#include <cstddef>

enum : int { kJsonDepthMax = 64 };

struct JsonReader {
  const char *text;
  size_t len, pos;
  const char *error;  // null until something is refused
  size_t error_at;
};

void start_json(JsonReader *r, const char *text, size_t len);

// The next value's first byte ('{', '[', '"', '-', a digit, 't', 'f',
// 'n'), past whitespace; false at the end of the text.
bool json_peek(JsonReader *r, char *c);

// Takes the byte c after whitespace.
bool json_take(JsonReader *r, char c);

// Inside an object or array whose opening byte was taken: true when
// another member follows (its comma taken), false at the closing byte
// (taken) or at an error (error set). first: no member read yet.
bool json_next(JsonReader *r, char close, bool first);

// A string, decoded into out (cap bytes, not terminated); *len is its
// whole decoded length, which may exceed cap (the rest is not stored).
bool json_read_string(JsonReader *r, char *out, size_t cap, size_t *len);

// A number's text, terminated, into out (cap bytes); *whole when it has
// no fraction and no exponent. Longer than cap - 1: refused; cap 0: only
// checked, nothing stored.
bool json_read_number(JsonReader *r, char *out, size_t cap, bool *whole);

// Checks and passes over one value of any kind.
bool json_skip_value(JsonReader *r);

// Nothing but whitespace is left.
bool json_at_end(JsonReader *r);

#endif
