// A generated scenario as large as the model takes: its compile against the
// baseline for its compiled files, and how the compile grows with the line.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/synthetic_scenario.hpp"
#include "bench/write_floor.hpp"
#include "compiler/compile_in_folder.hpp"
#include "compiler/numeric.hpp"
#include "documents/documents.hpp"

namespace borgo::bench {
namespace {

using compiler::kLongestLine;

struct Synthetic {
  SyntheticScenario scenario;
  std::vector<NamedFile> compiled;  // the three files its compile writes
};

// The scenario of each length, made once and checked to compile cleanly.
const Synthetic& synthetic(std::int32_t length) {
  static std::map<std::int32_t, std::unique_ptr<Synthetic>> made;
  auto& slot = made[length];
  if (!slot) {
    slot = std::make_unique<Synthetic>();
    slot->scenario = make_synthetic_scenario(length);
    slot->compiled =
        compiled_files_of(slot->scenario.line_description, slot->scenario.train_description);
  }
  return *slot;
}

// The compile as the program runs it (descriptions read from the folder and
// deleted, compiled files written into it), against its floor (the same
// descriptions read back and deleted, the compiled files' bytes written in
// 64 KiB writes from a small buffer) and against whole-buffer writes of the
// compiled files, each with the disk settled; and the compile in memory. The
// time shown is the compile's, with its files. The peak memory is that of
// scenario-tool compiling the same folder as a process of its own.
void BM_SyntheticCompile(benchmark::State& state) {
  const auto length = static_cast<std::int32_t>(state.range(0));
  const Synthetic& input = synthetic(length);
  ScratchFolder folder("synthetic");
  ScratchFolder baseline_folder("synthetic-baseline");
  ScratchFolder floor_folder("synthetic-floor");
  const std::vector<NamedFile> descriptions = {
      {documents::line_description_name("Borgo_Mar"), input.scenario.line_description},
      {documents::train_description_name("Borgo_Mar", "TX 903"), input.scenario.train_description}};
  std::vector<FloorStep> floor;
  for (const NamedFile& file : descriptions) {
    floor.push_back({FloorStep::kReadAndDelete, file.name, 0});
  }
  for (const NamedFile& file : input.compiled) {
    floor.push_back({FloorStep::kWrite, file.name, file.bytes.size()});
  }
  double compile_seconds = 0, baseline_seconds = 0, floor_seconds = 0, memory_seconds = 0;
  for (auto _ : state) {
    write_plainly(folder.path(), descriptions);  // the compile deletes them
    write_plainly(floor_folder.path(), descriptions);
    compiler::RouteModel model;
    model.line_name = "Borgo_Mar";
    model.train_name = "TX 903";
    settle_disk();
    const double once = seconds_of([&] { compiler::memorizza_percorso(model, folder.path(), 1); });
    if (model.error_number != 0) {
      fail_loudly("the synthetic compile recorded error " + std::to_string(model.error_number));
    }
    settle_disk();
    std::string failed;
    floor_seconds += seconds_of([&] {
      if (!run_floor(floor_folder.path(), floor, failed))
        fail_loudly("the floor failed: " + failed);
    });
    settle_disk();
    baseline_seconds += seconds_of([&] { write_plainly(baseline_folder.path(), input.compiled); });
    memory_seconds += seconds_of([&] {
      benchmark::DoNotOptimize(
          compile_in_memory(input.scenario.line_description, input.scenario.train_description));
    });
    compile_seconds += once;
    state.SetIterationTime(once);
  }
  std::size_t bytes = 0;
  for (const NamedFile& file : input.compiled) bytes += file.bytes.size();
  const double n = static_cast<double>(state.iterations());
  write_plainly(folder.path(), descriptions);
  const double peak = static_cast<double>(peak_rss_of(
      BORGO_TOOL, "compile '" + folder.path().string() + "' --line Borgo_Mar --train 'TX 903'"));
  std::size_t largest = 0;
  for (const NamedFile& file : input.compiled) largest = std::max(largest, file.bytes.size());
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["floor_ms"] = 1e3 * floor_seconds / n;
  state.counters["whole_buffer_ms"] = 1e3 * baseline_seconds / n;
  state.counters["in_memory_ms"] = 1e3 * memory_seconds / n;
  state.counters["floor_ratio"] = compile_seconds / floor_seconds;
  state.counters["whole_buffer_ratio"] = compile_seconds / baseline_seconds;
  state.counters["in_memory_ratio"] = memory_seconds / floor_seconds;
  state.counters["peak_rss_MB"] = peak / 1e6;
  state.counters["rss_ratio"] = peak / static_cast<double>(largest);
}
BENCHMARK(BM_SyntheticCompile)->Arg(kLongestLine)->Unit(benchmark::kMillisecond)->UseManualTime();

// The compile in memory at half the longest line and at the longest, taken
// turn about: a step that grows faster than the line shows as a ratio above 2.
void BM_SyntheticDoubling(benchmark::State& state) {
  const Synthetic& half = synthetic(kLongestLine / 2);
  const Synthetic& whole = synthetic(kLongestLine);
  const auto compile = [](const Synthetic& input) {
    return seconds_of([&] {
      benchmark::DoNotOptimize(
          compile_in_memory(input.scenario.line_description, input.scenario.train_description));
    });
  };
  double half_seconds = 0, whole_seconds = 0;
  for (auto _ : state) {
    half_seconds += compile(half);
    const double once = compile(whole);
    whole_seconds += once;
    state.SetIterationTime(once);
  }
  state.counters["half_length_ms"] = 1e3 * half_seconds / static_cast<double>(state.iterations());
  state.counters["doubling_ratio"] = whole_seconds / half_seconds;
}
BENCHMARK(BM_SyntheticDoubling)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
}  // namespace borgo::bench
