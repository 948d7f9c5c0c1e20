// Reads strict JSON from memory (see json_reader.h).
#include "driverfiles/text/json_reader.h"

#include <cstring>

#include "driverfiles/text/json_writer.h"

namespace {

bool fail(JsonReader *r, const char *why) {
  if (r->error == nullptr) {
    r->error = why;
    r->error_at = r->pos;
  }
  return false;
}

void skip_space(JsonReader *r) {
  while (r->pos < r->len && r->text[r->pos] != '\0' && std::strchr(" \t\r\n", r->text[r->pos])) ++r->pos;
}

// Stores one decoded byte; counts it either way.
void put_byte(char *out, size_t cap, size_t *len, unsigned char c) {
  if (*len < cap) out[*len] = static_cast<char>(c);
  ++*len;
}

void put_code(char *out, size_t cap, size_t *len, unsigned code) {
  if (code < 0x80) return put_byte(out, cap, len, static_cast<unsigned char>(code));
  const int n = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
  put_byte(out, cap, len, static_cast<unsigned char>((0xF00u >> n) | (code >> (6 * (n - 1)))));
  for (int i = n - 2; i >= 0; --i) {
    put_byte(out, cap, len, static_cast<unsigned char>(0x80 | ((code >> (6 * i)) & 0x3F)));
  }
}

// Four hex digits after "\u"; -1 when they are not.
long hex4(const JsonReader &r, size_t at) {
  if (r.len - at < 4) return -1;
  long value = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const char c = r.text[i];
    const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

// "\uXXXX" at r->pos (past the backslash and u), with its low surrogate
// when it is a high one.
bool read_unicode(JsonReader *r, char *out, size_t cap, size_t *len) {
  const size_t escape = r->pos - 2;
  const long code = hex4(*r, r->pos);
  if (code < 0) return fail(r, "a \\u escape without four hex digits");
  r->pos += 4;
  if (code >= 0xDC80 && code <= 0xDCFF) {  // a byte that was not UTF-8
    put_byte(out, cap, len, static_cast<unsigned char>(code - 0xDC00));
    return true;
  }
  if (code < 0xD800 || code > 0xDFFF) {
    put_code(out, cap, len, static_cast<unsigned>(code));
    return true;
  }
  // A high surrogate takes the low one after it; a low one alone is lone.
  const bool high = code <= 0xDBFF;
  const long low = high && r->len - r->pos >= 2 && r->text[r->pos] == '\\' && r->text[r->pos + 1] == 'u'
                       ? hex4(*r, r->pos + 2) : -1;
  if (low < 0xDC00 || low > 0xDFFF) {
    r->pos = escape;
    return fail(r, "a lone surrogate");
  }
  r->pos += 6;
  put_code(out, cap, len, static_cast<unsigned>(0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00)));
  return true;
}

bool read_escape(JsonReader *r, char *out, size_t cap, size_t *len) {
  if (r->pos >= r->len) return fail(r, "an unfinished string");
  const char c = r->text[r->pos++];
  if (c == 'u') return read_unicode(r, out, cap, len);
  const char *from = "\"\\/bfnrt", *to = "\"\\/\b\f\n\r\t";
  const char *at = c != '\0' ? std::strchr(from, c) : nullptr;
  if (at == nullptr) return fail(r, "an unknown escape");
  put_byte(out, cap, len, static_cast<unsigned char>(to[at - from]));
  return true;
}

bool skip_digits(JsonReader *r) {
  const size_t start = r->pos;
  while (r->pos < r->len && r->text[r->pos] >= '0' && r->text[r->pos] <= '9') ++r->pos;
  return r->pos > start || fail(r, "a number without digits");
}

bool skip_word(JsonReader *r, const char *word) {
  const size_t n = std::strlen(word);
  if (r->len - r->pos < n || std::memcmp(r->text + r->pos, word, n) != 0) return fail(r, "not a JSON value");
  r->pos += n;
  return true;
}

bool skip_nested(JsonReader *r, int depth) {
  char c = 0;
  if (depth > kJsonDepthMax) return fail(r, "nested too deeply");
  if (!json_peek(r, &c)) return false;
  size_t len = 0;
  bool whole = false;
  if (c == '"') return json_read_string(r, nullptr, 0, &len);
  if (c == '-' || (c >= '0' && c <= '9')) return json_read_number(r, nullptr, 0, &whole);
  if (c != '{' && c != '[') return skip_word(r, c == 't' ? "true" : c == 'f' ? "false" : "null");
  ++r->pos;
  const char close = c == '{' ? '}' : ']';
  for (bool first = true; json_next(r, close, first); first = false) {
    if (close == '}' && (!json_read_string(r, nullptr, 0, &len) || !json_take(r, ':'))) return false;
    if (!skip_nested(r, depth + 1)) return false;
  }
  return r->error == nullptr;
}

}  // namespace

void start_json(JsonReader *r, const char *text, size_t len) { *r = JsonReader{text, len, 0, nullptr, 0}; }

bool json_peek(JsonReader *r, char *c) {
  if (r->error != nullptr) return false;
  skip_space(r);
  if (r->pos >= r->len) return fail(r, "the text ends where a value should be");
  *c = r->text[r->pos];
  return true;
}

bool json_take(JsonReader *r, char c) {
  char got = 0;
  if (!json_peek(r, &got)) return false;
  if (got != c) {
    return fail(r, c == '{'   ? "expected '{'"
                   : c == '[' ? "expected '['"
                   : c == ':' ? "expected ':'" : "expected a string");
  }
  ++r->pos;
  return true;
}

bool json_next(JsonReader *r, char close, bool first) {
  char c = 0;
  if (!json_peek(r, &c)) return false;
  if (c == close) {
    ++r->pos;
    return false;
  }
  if (!first && c != ',') return fail(r, close == '}' ? "expected ',' or '}'" : "expected ',' or ']'");
  if (!first) ++r->pos;
  return true;
}

bool json_read_string(JsonReader *r, char *out, size_t cap, size_t *len) {
  *len = 0;
  if (!json_take(r, '"')) return false;
  const unsigned char *b = reinterpret_cast<const unsigned char *>(r->text);
  while (r->pos < r->len && b[r->pos] != '"') {
    if (b[r->pos] == '\\') {
      ++r->pos;
      if (!read_escape(r, out, cap, len)) return false;
      continue;
    }
    if (b[r->pos] < 0x20) return fail(r, "a control character in a string");
    const size_t n = utf8_length(b + r->pos, r->len - r->pos);
    if (n == 0) return fail(r, "bytes that are not UTF-8");
    for (size_t i = 0; i < n; ++i) put_byte(out, cap, len, b[r->pos++]);
  }
  if (r->pos >= r->len) return fail(r, "an unfinished string");
  ++r->pos;
  return true;
}

bool json_read_number(JsonReader *r, char *out, size_t cap, bool *whole) {
  char c = 0;
  if (!json_peek(r, &c)) return false;
  const size_t start = r->pos;
  if (c == '-') ++r->pos;
  if (r->pos < r->len && r->text[r->pos] == '0') ++r->pos;
  else if (!skip_digits(r)) return false;
  *whole = true;
  if (r->pos < r->len && r->text[r->pos] == '.') {
    ++r->pos;
    *whole = false;
    if (!skip_digits(r)) return false;
  }
  if (r->pos < r->len && (r->text[r->pos] == 'e' || r->text[r->pos] == 'E')) {
    ++r->pos;
    *whole = false;
    if (r->pos < r->len && (r->text[r->pos] == '+' || r->text[r->pos] == '-')) ++r->pos;
    if (!skip_digits(r)) return false;
  }
  const size_t n = r->pos - start;
  if (cap == 0) return true;  // only checked
  if (n >= cap) return fail(r, "a number too long");
  std::memcpy(out, r->text + start, n);
  out[n] = '\0';
  return true;
}

bool json_skip_value(JsonReader *r) { return skip_nested(r, 0); }

bool json_at_end(JsonReader *r) {
  if (r->error != nullptr) return false;
  skip_space(r);
  return r->pos == r->len || fail(r, "more text after the document");
}
