#include "front/paper_job.h"

#include <cstdio>
#include <cstring>

const ModelRow kModelTable[9] = {
    {"lm210", "lm210", 0},      {"lm230", "lm230", 1},
    {"lm260ka", "lm260ka", 2},  {"tv4400", "tv4400zd", 3},
    {"tvq310", "tvq310", 3},    {"tvq300", "tvq300", 3},
    {"tvq250e", "tvq250e", 3},  {"tvq220nf", "tvq220nf", 3},
    {"tvq200", "tvq200", 3},
};

bool select_model(const char *program_name, PaperJob *job) {
  for (const ModelRow &row : kModelTable) {
    if (std::strstr(program_name, row.search) != nullptr) {
      copy_text(job->model, row.model);
      job->kind = row.kind;
      return true;
    }
  }
  return false;
}
