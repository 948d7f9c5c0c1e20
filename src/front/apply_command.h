// --apply: a model's formats made exactly the set a JSON document lists,
// in one step (driverfiles/change/apply_formats.h says what changes and how).
//
//   PROG --apply FILE -P PRINTER [--keep-others] [--json]
//   PROG --dry-run --apply FILE -P PRINTER [--keep-others] [--json]
//
// FILE ("-": standard input) is read whole first (front/format_set.h);
// the rest runs under the model's lock. Standard output: one line per
// change in the order carried out, "added|replaced|removed TAB NAME TAB
// WxH" (NAME escaped and WxH as --list writes them), then one per
// identifier whose orphaned lines were dropped ("removed orphan") or
// whose setting was reset ("reset setting"), with an empty NAME and the
// size its identifier holds; nothing when nothing changed. With --json
// one document {"model":..,"changes":[{"action","name","width",
// "height"},..]} of the same changes. The dry run makes every check the
// apply makes first, failing as it fails, then prints the same lines
// (or, with --json, only the document), the companion calls and one diff
// per file.
//
// Exit status: 0 done or nothing to do; 2 a malformed command line (why,
// and its usage, on standard error) or an input that cannot be read or is
// refused ("PROG: FILE: reason", FILE "standard input" for "-"), nothing
// asked or changed; -1 a driver file or the companion failed ("PROG:
// PATH: reason"; a companion failure names the format, and the changes
// done before it are printed), or an interrupted request's record stops
// the apply (its line on standard output, as every request prints it).
#ifndef ZKPT_FRONT_APPLY_COMMAND_H
#define ZKPT_FRONT_APPLY_COMMAND_H

#include "front/paper_job.h"

// argv[0] is "--apply".
int run_apply_command(int argc, const char *const *argv, PaperJob *job, const char *root, bool preview);

#endif
