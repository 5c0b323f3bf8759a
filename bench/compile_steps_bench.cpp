// The compile's steps on the package's own descriptions, all in memory.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.hpp"
#include "compiler/code_pass.hpp"
#include "compiler/contest_codes.hpp"
#include "compiler/description_reading.hpp"
#include "compiler/field_reader.hpp"
#include "documents/documents.hpp"

namespace borgo::bench {
namespace {

using namespace borgo::compiler;

const std::string& line_bytes() {
  static const std::string bytes = documents::render_lines(documents::line_description());
  return bytes;
}

const std::string& train_bytes() {
  static const std::string bytes = documents::render_lines(documents::train_description());
  return bytes;
}

// A model as the compile leaves it before the step being measured.
RouteModel model_before(bool with_plan) {
  RouteModel model;
  model.line_name = "Borgo_Mar";
  model.train_name = "TX 903";
  begin_compile(model, with_plan ? 1 : 0);
  return model;
}

RouteModel model_after_reading() {
  RouteModel model = model_before(true);
  CompileReport report;
  DescriptionReading reading(model, report);
  if (reading.read_line(line_bytes())) reading.read_train(train_bytes());
  if (model.error_number != 0) fail_loudly("the package's descriptions record an error");
  return model;
}

void BM_FieldReader(benchmark::State& state, const std::string& (*document)()) {
  const std::string& bytes = document();
  for (auto _ : state) {
    FieldReader reader(bytes);
    std::size_t fields = 0;
    while (!reader.at_end()) {
      benchmark::DoNotOptimize(reader.read_text());
      ++fields;
    }
    benchmark::DoNotOptimize(fields);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK_CAPTURE(BM_FieldReader, line_description, line_bytes);
BENCHMARK_CAPTURE(BM_FieldReader, train_description, train_bytes);

// The line reader, with the plan integrated metre by metre.
void BM_LineReader(benchmark::State& state) {
  for (auto _ : state) {
    RouteModel model = model_before(true);
    CompileReport report;
    DescriptionReading reading(model, report);
    benchmark::DoNotOptimize(reading.read_line(line_bytes()));
  }
}
BENCHMARK(BM_LineReader)->Unit(benchmark::kMillisecond);

// Both readers without the line plan: the train reader's share is what this
// adds to the line reader's.
void BM_ReadersWithoutPlan(benchmark::State& state) {
  for (auto _ : state) {
    RouteModel model = model_before(false);
    CompileReport report;
    DescriptionReading reading(model, report);
    if (reading.read_line(line_bytes())) reading.read_train(train_bytes());
    benchmark::DoNotOptimize(model.error_number);
  }
}
BENCHMARK(BM_ReadersWithoutPlan)->Unit(benchmark::kMicrosecond);

void BM_CodePass(benchmark::State& state) {
  RouteModel read = model_after_reading();
  read.line_plan.clear();  // the pass never looks at the plan
  for (auto _ : state) {
    state.PauseTiming();
    RouteModel model = read;
    CompileReport report;
    state.ResumeTiming();
    signal_code_pass(model, &report);
  }
}
BENCHMARK(BM_CodePass)->Unit(benchmark::kMicrosecond);

// Each compiled file's bytes made from the finished model.
void BM_CompiledFile(benchmark::State& state, CompiledFileKind kind) {
  RouteModel model = model_after_reading();
  signal_code_pass(model);
  stamp_contest_codes(model);
  const CompiledFile file(kind, model);
  for (auto _ : state) {
    DiscardingSink sink;
    file.write_to(sink);
    benchmark::DoNotOptimize(sink.bytes());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK_CAPTURE(BM_CompiledFile, line_plan, CompiledFileKind::kLinePlan)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompiledFile, items, CompiledFileKind::kItems)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CompiledFile, cells, CompiledFileKind::kCells)->Unit(benchmark::kMicrosecond);

// The whole compile, from the descriptions' bytes to the compiled files' bytes.
void BM_CompileInMemory(benchmark::State& state) {
  std::size_t size = 0;
  for (auto _ : state) {
    const InMemoryCompile out = compile_in_memory(line_bytes(), train_bytes());
    if (out.error_number != 0) fail_loudly("the package's descriptions record an error");
    size = out.bytes;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_CompileInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace borgo::bench
