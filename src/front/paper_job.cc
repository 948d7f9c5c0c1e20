// The model table, the tape tables and the choice of a model by name.
#include "front/paper_job.h"

#include <cstring>

namespace {

// In models.tsv's order, which decides between names.
const ModelRow kModelTable[] = {
#include "model_rows.inc"
};

}  // namespace

const TapeRow kStandardTape[6] = {
    {5, 2, 24, "_zkS3.5mm_"},  {6, 4, 32, "_zkS6mm___"},
    {9, 7, 50, "_zkS9mm___"},  {12, 10, 70, "_zkS12mm__"},
    {18, 16, 112, "_zkS18mm__"}, {24, 22, 128, "_zkS24mm__"},
};

const TapeRow kHeatShrinkTube[5] = {
    {6, 4, 28, "_zkHS6mm__"},    {9, 7, 48, "_zkHS9mm__"},
    {12, 9, 66, "_zkHS12mm_"},   {18, 15, 106, "_zkHS18mm_"},
    {24, 18, 128, "_zkHS24mm_"},
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

const ModelRow *find_model(const char *model) {
  for (const ModelRow &row : kModelTable) {
    if (std::strcmp(row.model, model) == 0) return &row;
  }
  return nullptr;
}
