// The program's entry: the installed program works on the driver tree
// under /opt/vantrel; a test or demo build compiles in another root instead.
#include "front/dispatch.h"

#ifndef ZKPT_DRIVER_ROOT
#define ZKPT_DRIVER_ROOT "/opt/vantrel"
#endif

int main(int argc, char **argv) {
  return run_paper_tool(argc, argv, ZKPT_DRIVER_ROOT);
}
