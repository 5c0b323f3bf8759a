// The decompiler on the package's own scenario, beside the compile that
// makes the files it reads: the compile in memory, from the descriptions'
// bytes to the compiled files' bytes; the decompile of those files back to
// descriptions, with and without the line file; and the check that compiles
// the descriptions again and compares. The generated scenario of 1000000 m
// shows both at the largest line.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/synthetic_scenario.hpp"
#include "compiler/numeric.hpp"
#include "documents/documents.hpp"
#include "tools/decompile/decompile.hpp"
#include "tools/decompile/round_trip_check.hpp"

namespace borgo::bench {
namespace {

using tools::decompile::CompiledInput;
using tools::decompile::Decompilation;

struct Scenario {
  std::string line;
  std::string train;
  std::vector<NamedFile> compiled;  // line file, train file, cell file
};

Scenario made(std::string line, std::string train) {
  Scenario s{std::move(line), std::move(train), {}};
  s.compiled = compiled_files_of(s.line, s.train);
  return s;
}

const Scenario& package() {
  static const Scenario s = made(documents::render_lines(documents::line_description()),
                                 documents::render_lines(documents::train_description()));
  return s;
}

const Scenario& largest() {
  static const Scenario s = [] {
    const SyntheticScenario scenario = make_synthetic_scenario(compiler::kLongestLine);
    return made(scenario.line_description, scenario.train_description);
  }();
  return s;
}

CompiledInput input_of(const Scenario& s, bool with_line_file) {
  return {"Borgo_Mar", "TX 903",
          with_line_file ? std::optional<std::string_view>(s.compiled[0].bytes) : std::nullopt,
          s.compiled[1].bytes, s.compiled[2].bytes};
}

// Stops the run unless the files decompile and come back byte for byte.
Decompilation checked_decompile(const CompiledInput& input) {
  Decompilation result = tools::decompile::decompile(input);
  if (!result.descriptions) fail_loudly(tools::decompile::describe(*result.misfit));
  const auto check = tools::decompile::check_round_trip(input, *result.descriptions);
  if (!check.exact()) fail_loudly(tools::decompile::describe(check));
  return result;
}

void BM_Compile(benchmark::State& state, const Scenario& (*scenario)()) {
  const Scenario& s = scenario();
  for (auto _ : state) benchmark::DoNotOptimize(compile_in_memory(s.line, s.train));
}
BENCHMARK_CAPTURE(BM_Compile, package, package)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Compile, largest, largest)->Unit(benchmark::kMillisecond);

void BM_Decompile(benchmark::State& state, const Scenario& (*scenario)(), bool with_line_file) {
  const CompiledInput input = input_of(scenario(), with_line_file);
  checked_decompile(input);
  for (auto _ : state) benchmark::DoNotOptimize(tools::decompile::decompile(input));
}
BENCHMARK_CAPTURE(BM_Decompile, package, package, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decompile, package_without_line_file, package, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decompile, largest, largest, true)->Unit(benchmark::kMillisecond);

void BM_RoundTripCheck(benchmark::State& state, const Scenario& (*scenario)()) {
  const CompiledInput input = input_of(scenario(), true);
  const Decompilation result = checked_decompile(input);
  for (auto _ : state) {
    benchmark::DoNotOptimize(tools::decompile::check_round_trip(input, *result.descriptions));
  }
}
BENCHMARK_CAPTURE(BM_RoundTripCheck, package, package)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace borgo::bench
