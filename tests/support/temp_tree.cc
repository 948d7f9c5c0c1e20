#include "support/temp_tree.h"

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "gtest/gtest.h"

TempDir::TempDir() {
  const char *base = std::getenv("TMPDIR");
  std::string templ = std::string(base ? base : "/tmp") + "/zkpt-test-XXXXXX";
  if (mkdtemp(&templ[0]) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed";
  }
  path = templ;
}

namespace {
int remove_entry(const char *p, const struct stat *, int, struct FTW *) {
  return ::remove(p);
}
}  // namespace

TempDir::~TempDir() {
  ::chmod(path.c_str(), 0755);
  nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

void write_file(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool file_exists(const std::string &path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

mode_t file_mode(const std::string &path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

std::vector<std::string> list_dir(const std::string &dir) {
  std::vector<std::string> names;
  DIR *d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (struct dirent *e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

ModelPaths model_paths(const std::string &root, const std::string &model) {
  const std::string bin = root + "/" + model + "/bin";
  const std::string inf = bin + "/inf";
  return {inf,
          bin + "/lpd/zkpapertoolcups_" + model,
          inf + "/zk" + model + "func",
          inf + "/paperinf" + model,
          inf + "/zk" + model + "rc",
          inf + "/ImagingArea"};
}

ModelPaths make_driver_tree(const std::string &root, const std::string &model,
                            const DriverFiles &files,
                            const std::string &fake_path) {
  const ModelPaths paths = model_paths(root, model);
  for (const std::string &dir :
       {root, root + "/" + model, root + "/" + model + "/bin", paths.inf,
        root + "/" + model + "/bin/lpd"}) {
    ::mkdir(dir.c_str(), 0755);
  }
  write_driver_files(paths, files);
  if (::symlink(fake_path.c_str(), paths.companion.c_str()) != 0) {
    ADD_FAILURE() << "cannot link the fake companion tool";
  }
  return paths;
}

DriverFiles read_driver_files(const ModelPaths &paths) {
  return {read_file(paths.function_file), read_file(paths.paper_table),
          read_file(paths.settings_file), read_file(paths.imaging_area)};
}

std::vector<std::vector<std::string>> companion_calls(const ModelPaths &paths) {
  // Each argument is "<length>:<bytes>"; each call ends with a newline.
  const std::string log = read_file(paths.companion + ".log");
  std::vector<std::vector<std::string>> calls;
  if (log == "<missing>") return calls;
  std::vector<std::string> args;
  size_t at = 0;
  while (at < log.size()) {
    if (log[at] == '\n') {
      calls.push_back(args);
      args.clear();
      ++at;
      continue;
    }
    const size_t colon = log.find(':', at);
    const size_t len = std::stoul(log.substr(at, colon - at));
    args.push_back(log.substr(colon + 1, len));
    at = colon + 1 + len;
  }
  return calls;
}

void set_companion_status(const ModelPaths &paths, const std::string &status) {
  write_file(paths.companion + ".status", status);
}

void write_driver_files(const ModelPaths &paths, const DriverFiles &files) {
  write_file(paths.function_file, files.function_file);
  write_file(paths.paper_table, files.paper_table);
  write_file(paths.settings_file, files.settings_file);
  write_file(paths.imaging_area, files.imaging_area);
}

void expect_driver_files(const DriverFiles &files, const ModelPaths &paths) {
  const DriverFiles now = read_driver_files(paths);
  EXPECT_EQ(files.function_file, now.function_file);
  EXPECT_EQ(files.paper_table, now.paper_table);
  EXPECT_EQ(files.settings_file, now.settings_file);
  EXPECT_EQ(files.imaging_area, now.imaging_area);
}
