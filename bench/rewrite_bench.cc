// Throughput of one driver-file rewrite (the delete of an identifier the
// file does not hold, so every line is read, tested and copied) on files
// of 1,000 to 1,000,000 lines. The page cache is warm after the first
// pass; rates are over wall-clock time. BM_Rewrite leaves fsync out
// (sys_io's fsync does nothing there); BM_RewriteSynced has the real fsync
// of the file and its directory.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "benchmark/benchmark.h"
#include "driverfiles/rewrite.h"
#include "driverfiles/sys_io.h"

namespace {

std::string make_file(long lines) {
  const char *tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp ? tmp : "/tmp") + "/zkpt-bench-XXXXXX";
  if (mkdtemp(&dir[0]) == nullptr) std::abort();
  const std::string path = dir + "/paperinftvq310";
  std::ofstream out(path, std::ios::binary);
  for (long i = 0; i < lines; ++i) {
    out << "ZkL_zkS12mm__0A0A0320" << (1000 + i % 9000) << "/Label " << i
        << ":\t70\t353\n";
  }
  return path;
}

long max_rss_kb() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int no_fsync(int) { return 0; }

void run_rewrites(benchmark::State &state, bool synced) {
  const long lines = state.range(0);
  const std::string path = make_file(lines);
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const auto bytes = static_cast<int64_t>(in.tellg());
  sys_io = kRealSysIo;
  if (!synced) sys_io.fsync = no_fsync;
  const RewritePlan plan{LineAction::kDrop, "ZkL_zkS24mm__NOTTHERE", nullptr, nullptr};
  for (auto _ : state) {
    if (rewrite_file(path.c_str(), plan) != 0) state.SkipWithError("rewrite failed");
  }
  sys_io = kRealSysIo;
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetItemsProcessed(state.iterations() * lines);
  state.counters["max_rss_kB"] = static_cast<double>(max_rss_kb());
  std::remove(path.c_str());
  std::remove(path.substr(0, path.rfind('/')).c_str());
}

void BM_Rewrite(benchmark::State &state) { run_rewrites(state, false); }
void BM_RewriteSynced(benchmark::State &state) { run_rewrites(state, true); }

BENCHMARK(BM_Rewrite)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RewriteSynced)->Arg(1000)->Arg(100000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
