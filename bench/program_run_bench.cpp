// The program's whole run as a process in a temporary folder, against two
// baselines in a folder of the same kind, each timed step starting with the
// disk settled:
// - the floor: the least process that writes the run's bytes in 64 KiB
//   writes from one small buffer and reads back and deletes the two
//   descriptions, as the run does, with nothing compiled: a plain C program,
//   linked statically and dynamically, the faster of the two in each run;
// - whole-buffer writes: each file written with one write from a buffer as
//   large as the file, in this process (which pays for faulting that buffer
//   in, so it flatters the run).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "compiler/file_names.hpp"
#include "documents/documents.hpp"
#include "storage/replace_file.hpp"

extern char** environ;

namespace borgo::bench {
namespace {

constexpr double kMegabyte = 1e6;

// Runs a program with its arguments, its output thrown away.
void run_program(const std::filesystem::path& program, const std::vector<std::string>& args = {}) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::string path = program.string();
  std::vector<char*> argv = {const_cast<char*>(path.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) fail_loudly("cannot start " + path);
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fail_loudly(path + " did not end with status 0");
  }
}

}  // namespace

// A program's peak resident memory in bytes, the most of a few runs.
std::int64_t peak_rss_of(const std::filesystem::path& program, const std::string& arguments) {
  const std::string command = "'" BORGO_PEAK_RSS "' '" + program.string() + "' " + arguments;
  long long peak = 0;
  for (int run = 0; run < 3; ++run) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    long long bytes = 0;
    const bool read = pipe != nullptr && std::fscanf(pipe, "%lld", &bytes) == 1;
    if (pipe == nullptr || ::pclose(pipe) != 0 || !read) {
      fail_loudly("cannot measure the peak memory of " + program.string());
    }
    peak = std::max(peak, bytes);
  }
  return peak;
}

namespace {

std::string read_whole_file(const std::filesystem::path& path) {
  std::string bytes(std::filesystem::file_size(path), '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  const bool read =
      file != nullptr && std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file != nullptr) std::fclose(file);
  if (!read) fail_loudly("cannot read " + path.string());
  return bytes;
}

// The folder a run meets: one still holding the files of the run before
// (the program run again), or an empty one (its first run).
enum class Folder { kHoldingOldFiles, kEmpty };

// Removes every file of `folder` but `keep`.
void empty_folder(const std::filesystem::path& folder, const std::filesystem::path& keep = {}) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path() != keep) files.push_back(entry.path());
  }
  for (const auto& file : files) std::filesystem::remove(file);
}

// The program copied into a folder of its own, since it writes beside
// itself, and the files one run writes there.
struct RunSetup {
  ScratchFolder folder{"run"};
  ScratchFolder baseline_folder{"run-baseline"};
  ScratchFolder floor_folder{"run-floor"};
  std::filesystem::path program = folder.path() / "Borgo_Mar_TX903";
  std::vector<NamedFile> files;  // what the run writes, the two descriptions too
  const NamedFile* largest = nullptr;
  std::vector<std::string> floor_steps;  // the run's file work, in its order

  RunSetup() {
    std::filesystem::copy_file(BORGO_PROGRAM, program);
    run_program(program);
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      if (entry.path() == program) continue;
      files.push_back({entry.path().filename().string(), read_whole_file(entry.path())});
    }
    const std::string line_description = documents::line_description_name("Borgo_Mar");
    const std::string train_description = documents::train_description_name("Borgo_Mar", "TX 903");
    files.push_back({line_description, documents::render_lines(documents::line_description())});
    files.push_back({train_description, documents::render_lines(documents::train_description())});
    largest = &*std::max_element(files.begin(), files.end(), [](const auto& a, const auto& b) {
      return a.bytes.size() < b.bytes.size();
    });
    compiler::RouteModel names;
    names.line_name = "Borgo_Mar";
    names.train_name = "TX 903";
    const auto write = [&](const std::string& name) {
      for (const NamedFile& file : files) {
        if (file.name == name) {
          floor_steps.push_back("write:" + name + ":" + std::to_string(file.bytes.size()));
          return;
        }
      }
      fail_loudly("the run wrote no " + name);
    };
    write(line_description);
    write(train_description);
    write(documents::notes_name("Borgo_Mar", "TX 903"));
    write(documents::slow_down_order_name("Borgo_Mar", "TX 903"));
    write(documents::train_sheet_name("Borgo_Mar", "TX 903"));
    floor_steps.push_back("read-delete:" + line_description);
    floor_steps.push_back("read-delete:" + train_description);
    write(compiler::line_file_name(names));
    write(compiler::train_file_name(names));
    write(compiler::cell_file_name(names));
    std::vector<std::string> args = {floor_folder.path().string()};
    args.insert(args.end(), floor_steps.begin(), floor_steps.end());
    floor_steps = std::move(args);
  }

  double whole_buffer_seconds(Folder kind) {
    if (kind == Folder::kEmpty) empty_folder(baseline_folder.path());
    settle_disk();
    return seconds_of([&] { write_plainly(baseline_folder.path(), files); });
  }
  double floor_seconds(Folder kind, const char* floor_program) {
    if (kind == Folder::kEmpty) empty_folder(floor_folder.path());
    settle_disk();
    return seconds_of([&] { run_program(floor_program, floor_steps); });
  }
  double run_seconds(Folder kind) {
    if (kind == Folder::kEmpty) empty_folder(folder.path(), program);
    settle_disk();
    return seconds_of([&] { run_program(program); });
  }
};

RunSetup& setup() {
  static RunSetup once;
  return once;
}

// The floor program, linked each way.
constexpr const char* kStaticFloor = BORGO_WRITE_FLOOR_STATIC;
constexpr const char* kDynamicFloor = BORGO_WRITE_FLOOR_DYNAMIC;

void BM_RunFloor(benchmark::State& state, Folder kind, const char* floor_program) {
  RunSetup& run = setup();
  for (auto _ : state) state.SetIterationTime(run.floor_seconds(kind, floor_program));
}
BENCHMARK_CAPTURE(BM_RunFloor, old_files_static, Folder::kHoldingOldFiles, kStaticFloor)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_RunFloor, old_files_dynamic, Folder::kHoldingOldFiles, kDynamicFloor)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_RunFloor, empty_folder_static, Folder::kEmpty, kStaticFloor)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_RunFloor, empty_folder_dynamic, Folder::kEmpty, kDynamicFloor)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

void BM_WholeBufferWrites(benchmark::State& state, Folder kind) {
  RunSetup& run = setup();
  for (auto _ : state) state.SetIterationTime(run.whole_buffer_seconds(kind));
  std::size_t bytes = 0;
  for (const NamedFile& file : run.files) bytes += file.bytes.size();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK_CAPTURE(BM_WholeBufferWrites, old_files, Folder::kHoldingOldFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_WholeBufferWrites, empty_folder, Folder::kEmpty)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The run, with both baselines and the compile in memory measured in the
// same iterations for the ratios; the floor is the faster of its two
// linkings over the same iterations. The time shown is the run's.
void BM_WholeRun(benchmark::State& state, Folder kind) {
  RunSetup& run = setup();
  const std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());
  double run_seconds = 0, static_seconds = 0, dynamic_seconds = 0, baseline_seconds = 0,
         compile_seconds = 0;
  for (auto _ : state) {
    static_seconds += run.floor_seconds(kind, kStaticFloor);
    dynamic_seconds += run.floor_seconds(kind, kDynamicFloor);
    baseline_seconds += run.whole_buffer_seconds(kind);
    const double once = run.run_seconds(kind);
    compile_seconds +=
        seconds_of([&] { benchmark::DoNotOptimize(compile_in_memory(line, train)); });
    run_seconds += once;
    state.SetIterationTime(once);
  }
  const double n = static_cast<double>(state.iterations());
  const double floor_seconds = std::min(static_seconds, dynamic_seconds);
  const double peak = static_cast<double>(peak_rss_of(run.program, ""));
  const double largest = static_cast<double>(run.largest->bytes.size());
  state.counters["floor_ms"] = 1e3 * floor_seconds / n;
  state.counters["floor_static_ms"] = 1e3 * static_seconds / n;
  state.counters["floor_dynamic_ms"] = 1e3 * dynamic_seconds / n;
  state.counters["whole_buffer_ms"] = 1e3 * baseline_seconds / n;
  state.counters["compile_ms"] = 1e3 * compile_seconds / n;
  state.counters["floor_ratio"] = run_seconds / floor_seconds;
  state.counters["whole_buffer_ratio"] = run_seconds / baseline_seconds;
  state.counters["peak_rss_MB"] = peak / kMegabyte;
  state.counters["largest_file_MB"] = largest / kMegabyte;
  state.counters["rss_ratio"] = peak / largest;
}
BENCHMARK_CAPTURE(BM_WholeRun, old_files, Folder::kHoldingOldFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_WholeRun, empty_folder, Folder::kEmpty)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The storage's share: the line file replaced as the program replaces it
// (a temporary file renamed over the old one) against the plain write.
void BM_ReplaceLineFile(benchmark::State& state) {
  const NamedFile& line = *setup().largest;
  ScratchFolder folder("replace");
  const std::vector<NamedFile> plain = {line};
  write_plainly(folder.path(), plain);
  double replace_seconds = 0, plain_seconds = 0;
  for (auto _ : state) {
    settle_disk();
    const double once =
        seconds_of([&] { storage::replace_file(folder.path() / line.name, line.bytes); });
    settle_disk();
    plain_seconds += seconds_of([&] { write_plainly(folder.path(), plain); });
    replace_seconds += once;
    state.SetIterationTime(once);
  }
  state.counters["plain_write_ms"] = 1e3 * plain_seconds / static_cast<double>(state.iterations());
  state.counters["replace_ratio"] = replace_seconds / plain_seconds;
}
BENCHMARK(BM_ReplaceLineFile)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
}  // namespace borgo::bench
