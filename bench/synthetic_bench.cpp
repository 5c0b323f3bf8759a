// A generated scenario as large as the model takes: its compile against the
// baseline for its compiled files, and how the compile grows with the line.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/synthetic_scenario.hpp"
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

// The compile as the program runs it (descriptions read from the folder,
// compiled files written into it), the same bytes written plainly, each with
// the disk settled, and the compile in memory. The time shown is the
// compile's, with its files.
void BM_SyntheticCompile(benchmark::State& state) {
  const auto length = static_cast<std::int32_t>(state.range(0));
  const Synthetic& input = synthetic(length);
  ScratchFolder folder("synthetic");
  ScratchFolder baseline_folder("synthetic-baseline");
  const std::vector<NamedFile> descriptions = {
      {documents::line_description_name("Borgo_Mar"), input.scenario.line_description},
      {documents::train_description_name("Borgo_Mar", "TX 903"), input.scenario.train_description}};
  double compile_seconds = 0, baseline_seconds = 0, memory_seconds = 0;
  for (auto _ : state) {
    write_plainly(folder.path(), descriptions);  // the compile deletes them
    compiler::RouteModel model;
    model.line_name = "Borgo_Mar";
    model.train_name = "TX 903";
    settle_disk();
    const double once = seconds_of([&] { compiler::memorizza_percorso(model, folder.path(), 1); });
    if (model.error_number != 0) {
      fail_loudly("the synthetic compile recorded error " + std::to_string(model.error_number));
    }
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
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["baseline_ms"] = 1e3 * baseline_seconds / n;
  state.counters["in_memory_ms"] = 1e3 * memory_seconds / n;
  state.counters["compile_ratio"] = compile_seconds / baseline_seconds;
  state.counters["in_memory_ratio"] = memory_seconds / baseline_seconds;
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
