#include "support/temp_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "gtest/gtest.h"

TempDir::TempDir() {
  const char *base = std::getenv("TMPDIR");
  path = std::string(base ? base : "/tmp") + "/zkpt-test-XXXXXX";
  if (mkdtemp(&path[0]) == nullptr) ADD_FAILURE() << "mkdtemp failed";
}

TempDir::~TempDir() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }

void write_file(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

std::string read_file(const std::string &path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "<missing>";
  std::string all;
  char chunk[65536];
  ssize_t got;
  while ((got = ::read(fd, chunk, sizeof chunk)) > 0) all.append(chunk, static_cast<size_t>(got));
  ::close(fd);
  return got < 0 ? "<unreadable>" : all;
}

bool file_exists(const std::string &path) { struct stat st; return ::lstat(path.c_str(), &st) == 0; }
mode_t file_mode(const std::string &path) { struct stat st; return ::stat(path.c_str(), &st) ? 0 : st.st_mode & 07777; }

std::vector<std::string> list_dir(const std::string &dir) {
  std::vector<std::string> names;
  std::error_code e;
  for (std::filesystem::directory_iterator it(dir, e), end; !e && it != end; it.increment(e)) {
    names.push_back(it->path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string DriverFiles::*const kFileText[4] = {&DriverFiles::function_file, &DriverFiles::paper_table,
                                                &DriverFiles::settings_file, &DriverFiles::imaging_area};
std::string ModelPaths::*const kFilePath[4] = {&ModelPaths::function_file, &ModelPaths::paper_table,
                                               &ModelPaths::settings_file, &ModelPaths::imaging_area};

ModelPaths make_driver_tree(const std::string &root, const std::string &model,
                            const DriverFiles &files, const std::string &fake_path) {
  const std::string bin = root + "/" + model + "/bin", inf = bin + "/inf";
  const ModelPaths paths{inf, bin + "/lpd/zkpapertoolcups_" + model, inf + "/zk" + model + "func",
                         inf + "/paperinf" + model, inf + "/zk" + model + "rc", inf + "/ImagingArea"};
  for (const std::string &dir : {root, root + "/" + model, bin, inf, bin + "/lpd"}) ::mkdir(dir.c_str(), 0755);
  write_driver_files(paths, files);
  if (::symlink(fake_path.c_str(), paths.companion.c_str()) != 0) ADD_FAILURE() << "cannot link the fake companion";
  return paths;
}

void write_driver_files(const ModelPaths &paths, const DriverFiles &files) {
  for (int f = 0; f < 4; ++f) write_file(paths.*kFilePath[f], files.*kFileText[f]);
}

DriverFiles read_driver_files(const ModelPaths &paths) {
  DriverFiles files;
  for (int f = 0; f < 4; ++f) files.*kFileText[f] = read_file(paths.*kFilePath[f]);
  return files;
}

void expect_driver_files(const DriverFiles &files, const ModelPaths &paths) {
  const DriverFiles now = read_driver_files(paths);
  for (int f = 0; f < 4; ++f) EXPECT_EQ(files.*kFileText[f], now.*kFileText[f]) << paths.*kFilePath[f];
}

std::vector<std::string> applied_shape(const DriverFiles &files, bool in_any_order) {
  const std::string id = "ZkL_zkS12mm__0";  // then 6 digits kept, 5 clock digits
  std::vector<std::string> shape;
  for (auto text : kFileText) {
    std::string t = files.*text;
    for (size_t at = t.find(id); at != std::string::npos; at = t.find(id, at + 1)) t.erase(at + id.size() + 6, 5);
    shape.push_back(t);
  }
  std::vector<std::string> lines;
  for (size_t at = 0, end; at < shape[0].size(); at = end + 1) {
    lines.push_back(shape[0].substr(at, (end = shape[0].find('\n', at)) - at));
  }
  std::sort(lines.begin(), lines.end());
  shape.insert(shape.end(), lines.begin(), lines.end());
  if (in_any_order) shape[0].clear();
  return shape;
}

std::vector<std::vector<std::string>> companion_calls(const ModelPaths &paths) {
  // Each argument is "<length>:<bytes>"; each call ends with a newline.
  const std::string log = read_file(paths.companion + ".log");
  std::vector<std::vector<std::string>> calls(1);  // the last one open
  for (size_t at = 0; log != "<missing>" && at < log.size(); ++at) {
    if (log[at] == '\n') { calls.emplace_back(); continue; }
    const size_t colon = log.find(':', at), len = std::stoul(log.substr(at, colon - at));
    calls.back().push_back(log.substr(colon + 1, len));
    at = colon + len;
  }
  calls.pop_back();
  return calls;
}

void set_companion_status(const ModelPaths &paths, const std::string &statuses) {
  write_file(paths.companion + ".status", statuses);
  ::unlink((paths.companion + ".count").c_str());  // the first word is for the next call
}
