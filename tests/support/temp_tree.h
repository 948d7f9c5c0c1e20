// Test helpers: a temporary directory and small file utilities, and a
// driver tree laid out as the installed driver lays it out, under
// "<dir>/vantrel".
#ifndef ZKPT_TESTS_SUPPORT_TEMP_TREE_H
#define ZKPT_TESTS_SUPPORT_TEMP_TREE_H

#include <sys/types.h>

#include <string>
#include <vector>

struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  std::string path;
};

void write_file(const std::string &path, const std::string &bytes);
std::string read_file(const std::string &path);
bool file_exists(const std::string &path);
mode_t file_mode(const std::string &path);  // permission bits only
std::vector<std::string> list_dir(const std::string &dir);

// The four driver files of one model, by content.
struct DriverFiles {
  std::string function_file;
  std::string paper_table;
  std::string settings_file;
  std::string imaging_area;
};

// Paths inside a tree rooted at root (for example "<dir>/vantrel").
struct ModelPaths {
  std::string inf;
  std::string companion;
  std::string function_file;
  std::string paper_table;
  std::string settings_file;
  std::string imaging_area;
};

ModelPaths model_paths(const std::string &root, const std::string &model);

// Creates the model's bin/inf and bin/lpd folders, the four files and a
// companion tool that is a link to the fake companion at fake_path.
ModelPaths make_driver_tree(const std::string &root, const std::string &model,
                            const DriverFiles &files,
                            const std::string &fake_path);

DriverFiles read_driver_files(const ModelPaths &paths);

// Writes the four files of an existing tree.
void write_driver_files(const ModelPaths &paths, const DriverFiles &files);

// Expects the four files to hold exactly these bytes.
void expect_driver_files(const DriverFiles &files, const ModelPaths &paths);

// What the fake companion tool was asked, one vector of arguments (without
// the tool path) per call.
std::vector<std::vector<std::string>> companion_calls(const ModelPaths &paths);

// Makes the fake companion exit with this status ("kill": killed by a
// signal) from its next call on.
void set_companion_status(const ModelPaths &paths, const std::string &status);

#endif
