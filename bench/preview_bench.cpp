// scenario-tool preview: the time from a saved change of a description to
// the event that tells the page, as the command wires the watch, the build
// and the server; then to the page holding the new outcome and drawing. The
// baseline is the least work that gives the page the same: the build alone,
// right after the same save, with no watch and no server.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.hpp"
#include "compiler/file_names.hpp"
#include "documents/documents.hpp"
#include "tests/support/files.hpp"
#include "tools/preview/build.hpp"
#include "tools/preview/server.hpp"
#include "tools/preview/watch.hpp"

namespace borgo::bench {
namespace {

using namespace std::chrono_literals;

tools::ScenarioNames package_names() {
  tools::ScenarioNames names;
  names.line = names.line_1252 = "Borgo_Mar";
  names.train = names.train_1252 = "TX 903";
  return names;
}

// The package's scenario in a scratch folder, and its train description in
// two versions that differ in one signal's place: each save swaps them.
struct SavedScenario {
  ScratchFolder folder{"preview-bench"};
  std::filesystem::path train_path;
  std::string train[2];
  int shown = 0;

  SavedScenario() {
    const tools::ScenarioNames names = package_names();
    const compiler::RouteModel model = names.as_given();
    borgo::testing::spit(folder / compiler::line_description_name(model),
                         documents::render_lines(documents::line_description()));
    train_path = folder / compiler::train_description_name(model);
    train[0] = documents::render_lines(documents::train_description());
    train[1] = train[0];
    const std::string from = "segnale,    1050,";
    const std::size_t at = train[1].find(from);
    if (at == std::string::npos) fail_loudly("the train description has no signal at 1050 m");
    train[1].replace(at, from.size(), "segnale,    2050,");
    borgo::testing::spit(train_path, train[0]);
  }
  void save_the_other() {
    shown = 1 - shown;
    borgo::testing::spit(train_path, train[shown]);
  }
};

// The page's side of the event stream: the generation of the last event.
class EventListener {
 public:
  explicit EventListener(int port) : client_("127.0.0.1", port) {
    thread_ = std::thread([this] {
      client_.Get("/events", [this](const char* data, std::size_t size) {
        text_.append(data, size);
        // "data: N\n\n" is one event; only the newest matters.
        for (std::size_t end; (end = text_.find("\n\n")) != std::string::npos;) {
          const std::string event = text_.substr(0, end);
          text_.erase(0, end + 2);
          const std::size_t data_at = event.find("data: ");
          if (data_at == std::string::npos) continue;
          {
            const std::lock_guard lock(mutex_);
            generation_ = std::stoull(event.substr(data_at + 6));
          }
          arrived_.notify_all();
        }
        return true;
      });
    });
  }
  ~EventListener() {
    client_.stop();
    thread_.join();
  }

  // Waits for the event of a generation past `after`; false after 5 s.
  bool await_past(std::uint64_t after) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, 5s, [&] { return generation_ > after; });
  }
  std::uint64_t generation() {
    const std::lock_guard lock(mutex_);
    return generation_;
  }

 private:
  httplib::Client client_;
  std::string text_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::uint64_t generation_ = 0;
  std::thread thread_;
};

// The command's wiring: the watch builds and the server tells.
struct LivePreview {
  SavedScenario scenario;
  tools::PreviewBuilder builder{scenario.folder.path(), package_names()};
  std::vector<std::filesystem::path> descriptions{builder.line_description(),
                                                  builder.train_description()};
  std::vector<tools::FileLook> before = tools::look_at(descriptions);
  tools::PreviewServer server{0, builder.build()};
  tools::DescriptionWatcher watcher{descriptions, std::move(before),
                                    tools::kDescriptionLookInterval,
                                    [this] { server.publish(builder.build()); }};
  EventListener listener{server.port()};
};

void run_saves(benchmark::State& state, bool fetch_page_data) {
  std::signal(SIGPIPE, SIG_IGN);
  LivePreview live;
  if (!live.listener.await_past(0)) fail_loudly("the page was never told of the first build");
  httplib::Client page("127.0.0.1", live.server.port());
  for (auto _ : state) {
    const std::uint64_t before = live.listener.generation();
    const auto saved = std::chrono::steady_clock::now();
    live.scenario.save_the_other();
    if (!live.listener.await_past(before)) fail_loudly("a save was never told to the page");
    if (fetch_page_data) {
      const auto outcome = page.Get("/outcome.json");
      const auto drawing = page.Get("/drawing.svg");
      if (!outcome || outcome->status != 200 || !drawing || drawing->status != 200) {
        fail_loudly("the page could not fetch the new build");
      }
      benchmark::DoNotOptimize(drawing->body.data());
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - saved).count());
  }
}

// From the save to the event at the page.
void BM_PreviewSaveToEvent(benchmark::State& state) { run_saves(state, false); }
BENCHMARK(BM_PreviewSaveToEvent)->UseManualTime()->Unit(benchmark::kMillisecond);

// From the save to the page holding the new outcome and drawing.
void BM_PreviewSaveToPageData(benchmark::State& state) { run_saves(state, true); }
BENCHMARK(BM_PreviewSaveToPageData)->UseManualTime()->Unit(benchmark::kMillisecond);

// The baseline: the same save, then the build alone.
void BM_PreviewBuildAfterSave(benchmark::State& state) {
  SavedScenario scenario;
  tools::PreviewBuilder builder(scenario.folder.path(), package_names());
  for (auto _ : state) {
    const auto saved = std::chrono::steady_clock::now();
    scenario.save_the_other();
    const auto built = builder.build();
    benchmark::DoNotOptimize(built->drawing.get());
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - saved).count());
  }
}
BENCHMARK(BM_PreviewBuildAfterSave)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace borgo::bench
