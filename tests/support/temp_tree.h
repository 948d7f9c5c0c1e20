// Test helpers: a temporary directory, small file utilities, and a model's driver tree laid out as the installed
// driver lays it out, with the fake companion tool in place of the real one.
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
// "<missing>" when it cannot be opened, "<unreadable>" when reading fails.
std::string read_file(const std::string &path);
bool file_exists(const std::string &path);       // a link counts, even dangling
mode_t file_mode(const std::string &path);       // permission bits only
std::vector<std::string> list_dir(const std::string &dir);  // sorted

// The four driver files of one model, by content.
struct DriverFiles { std::string function_file, paper_table, settings_file, imaging_area; };

// Paths inside a driver tree rooted at root (for example "<dir>/vantrel").
struct ModelPaths { std::string inf, companion, function_file, paper_table, settings_file, imaging_area; };

// The four files in a fixed order (function file, paper table, settings file, imaging area), for loops over them.
extern std::string DriverFiles::*const kFileText[4];
extern std::string ModelPaths::*const kFilePath[4];

// Creates the model's bin/inf and bin/lpd folders, the four files and a
// companion tool that is a link to the fake companion at fake_path.
ModelPaths make_driver_tree(const std::string &root, const std::string &model,
                            const DriverFiles &files, const std::string &fake_path);
void write_driver_files(const ModelPaths &paths, const DriverFiles &files);
DriverFiles read_driver_files(const ModelPaths &paths);

// Expects the four files to hold exactly these bytes.
void expect_driver_files(const DriverFiles &files, const ModelPaths &paths);

// Files as an apply leaves them whatever its clock: the four texts, each 12 mm tape identifier without its five clock
// digits, then the function file's lines sorted (a run again puts its entries before those of the run it finishes);
// in_any_order: the function file's text left empty.
std::vector<std::string> applied_shape(const DriverFiles &files, bool in_any_order = false);

// What the fake companion tool was asked, one vector of arguments (without the tool path) per call.
std::vector<std::vector<std::string>> companion_calls(const ModelPaths &paths);

// The fake companion's exit statuses from its next call on, one word per
// call, the last one repeating ("kill": it dies of SIGKILL).
void set_companion_status(const ModelPaths &paths, const std::string &statuses);

#endif
