// The compile's steps on the package's own descriptions, all in memory.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.hpp"
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

// A model as memorizza_percorso leaves it before the step being measured.
RouteModel model_before(bool with_plan) {
  RouteModel model;
  model.line_name = "Borgo_Mar";
  model.train_name = "TX 903";
  model.write_line_file = with_plan ? 1 : 0;
  return model;
}

RouteModel model_after_reading() {
  RouteModel model = model_before(true);
  CompileReport report;
  const auto line = detail::read_line_description(model, line_bytes(), report);
  detail::read_train_description(model, train_bytes(), line.sign_slot, report);
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
    benchmark::DoNotOptimize(detail::read_line_description(model, line_bytes(), report));
  }
}
BENCHMARK(BM_LineReader)->Unit(benchmark::kMillisecond);

void BM_TrainReader(benchmark::State& state) {
  RouteModel after_line = model_before(false);
  CompileReport line_report;
  const auto line = detail::read_line_description(after_line, line_bytes(), line_report);
  for (auto _ : state) {
    state.PauseTiming();
    RouteModel model = after_line;
    CompileReport report;
    state.ResumeTiming();
    detail::read_train_description(model, train_bytes(), line.sign_slot, report);
  }
}
BENCHMARK(BM_TrainReader)->Unit(benchmark::kMicrosecond);

void BM_CodePass(benchmark::State& state) {
  RouteModel read = model_after_reading();
  read.line_plan = {};  // the pass never looks at the plan
  for (auto _ : state) {
    state.PauseTiming();
    RouteModel model = read;
    CompileReport report;
    state.ResumeTiming();
    signal_code_pass(model, &report);
  }
}
BENCHMARK(BM_CodePass)->Unit(benchmark::kMicrosecond);

// Building each compiled file's bytes from the finished model.
void BM_EncodeFile(benchmark::State& state, FileBytes (*encode)(const RouteModel&)) {
  RouteModel model = model_after_reading();
  signal_code_pass(model);
  stamp_contest_codes(model);
  std::size_t size = 0;
  for (auto _ : state) {
    const FileBytes bytes = encode(model);
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK_CAPTURE(BM_EncodeFile, line_plan, encode_line_plan)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeFile, items, encode_items)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EncodeFile, cells, encode_cells)->Unit(benchmark::kMicrosecond);

// The whole compile, from the descriptions' bytes to the compiled files' bytes.
void BM_CompileInMemory(benchmark::State& state) {
  std::size_t size = 0;
  for (auto _ : state) {
    const CompiledBytes out = compile_in_memory(line_bytes(), train_bytes());
    if (out.error_number != 0) fail_loudly("the package's descriptions record an error");
    size = out.size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_CompileInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace borgo::bench
