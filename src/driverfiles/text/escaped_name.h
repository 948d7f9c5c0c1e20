// Names, media names, identifiers, printers and paths written into a line
// of text: listings, findings, messages on standard error.
#ifndef ZKPT_DRIVERFILES_ESCAPED_NAME_H
#define ZKPT_DRIVERFILES_ESCAPED_NAME_H

#include <cstddef>
#include <cstdio>

// Names escaped so a line splits at its tabs without doubt: backslash as
// \\, tab \t, carriage return \r, every other byte below 0x20 and 0x7F as
// \xHH; all other bytes as they are. To standard output unless told.
void print_escaped_name(const char *name, size_t len, FILE *to = stdout);

#endif
