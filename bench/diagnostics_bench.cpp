// The author's tool's diagnostics for a line description with many faulty
// lines: the report of N and of 8 N such lines, taken turn about. A report
// that grows in proportion to the faults shows as a ratio of about 8.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "bench/bench_support.hpp"
#include "documents/documents.hpp"
#include "tools/findings/diagnostics.hpp"

namespace borgo::bench {
namespace {

constexpr int kFaultyLines = 10000;

// Counts the report's bytes and keeps none of them.
class CountingBuffer final : public std::streambuf {
 public:
  std::uint64_t bytes() const { return bytes_; }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++bytes_;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    benchmark::DoNotOptimize(text);
    bytes_ += static_cast<std::uint64_t>(n);
    return n;
  }

 private:
  std::uint64_t bytes_ = 0;
};

// The package's scenario with `count` lines of an unknown key before its
// curves, compiled once: each of those lines is one warning more.
struct FaultyScenario {
  tools::SourceDocument line;
  tools::SourceDocument train;
  compiler::Compilation compilation;
};

const FaultyScenario& faulty(int count) {
  static std::map<int, std::unique_ptr<FaultyScenario>> made;
  auto& slot = made[count];
  if (slot) return *slot;
  slot = std::make_unique<FaultyScenario>();
  std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());
  const std::size_t own_warnings = compile_scenario(line, train).outcome.report.warnings.size();
  const std::size_t curves = line.find("[curve]");
  if (curves == std::string::npos) fail_loudly("the line description has no [curve] section");
  std::string faults;
  for (int i = 0; i < count; ++i) faults += "fermata" + std::to_string(i) + "\r\n";
  line.insert(curves, faults);
  slot->line = {"Borgo_Mar_linea.txt", line};
  slot->train = {"Borgo_Mar_TX 903-.txt", train};
  slot->compilation = compile_scenario(*slot->line.bytes, *slot->train.bytes);
  if (slot->compilation.outcome.error_number != 0 ||
      slot->compilation.outcome.report.warnings.size() !=
          own_warnings + static_cast<std::size_t>(count)) {
    fail_loudly("the faulty scenario does not give one warning a faulty line");
  }
  return *slot;
}

// Seconds to write the scenario's diagnostics; adds the report's bytes.
double report_seconds(const FaultyScenario& input, std::uint64_t& bytes) {
  CountingBuffer buffer;
  std::ostream out(&buffer);
  const double seconds = seconds_of([&] {
    tools::write_diagnostics(out, input.compilation.outcome, *input.compilation.model, input.line,
                             input.train);
  });
  bytes += buffer.bytes();
  return seconds;
}

void BM_DiagnosticsGrowth(benchmark::State& state) {
  const FaultyScenario& few = faulty(kFaultyLines);
  const FaultyScenario& many = faulty(8 * kFaultyLines);
  double few_seconds = 0, many_seconds = 0;
  std::uint64_t few_bytes = 0, many_bytes = 0;
  for (auto _ : state) {
    few_seconds += report_seconds(few, few_bytes);
    const double once = report_seconds(many, many_bytes);
    many_seconds += once;
    state.SetIterationTime(once);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["faulty_lines"] = 8 * kFaultyLines;
  state.counters["eighth_ms"] = 1e3 * few_seconds / n;
  state.counters["report_bytes"] = static_cast<double>(many_bytes) / n;
  state.counters["eighth_report_bytes"] = static_cast<double>(few_bytes) / n;
  state.counters["growth_ratio"] = many_seconds / few_seconds;
}
BENCHMARK(BM_DiagnosticsGrowth)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
}  // namespace borgo::bench
