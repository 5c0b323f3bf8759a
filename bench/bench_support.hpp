#pragma once

// What the benchmarks share: a scratch folder, the plain write that is the
// baseline, a clock, and the compile as the program runs it, without files.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/code_pass.hpp"
#include "compiler/compiled_files.hpp"
#include "compiler/contest_codes.hpp"
#include "compiler/line_reader.hpp"
#include "compiler/route_model.hpp"
#include "compiler/train_reader.hpp"
#include "storage/process_id.hpp"

namespace borgo::bench {

// Stops the whole run: a benchmark whose input is wrong measures nothing.
[[noreturn]] inline void fail_loudly(const std::string& what) {
  std::fprintf(stderr, "borgo_bench: %s\n", what.c_str());
  std::exit(EXIT_FAILURE);
}

// A fresh folder under the system's temporary directory, removed at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view name) {
    path_ = std::filesystem::temp_directory_path() /
            ("borgo-bench-" + std::to_string(process_id()) + "-" + std::string(name));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A named file's bytes.
struct NamedFile {
  std::string name;
  std::string bytes;
};

// The baseline: each file written with one write call, replacing the old one.
inline void write_plainly(const std::filesystem::path& folder,
                          const std::vector<NamedFile>& files) {
  for (const NamedFile& file : files) {
    const std::filesystem::path path = folder / file.name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) fail_loudly("cannot create " + path.string());
    const ssize_t written = ::write(fd, file.bytes.data(), file.bytes.size());
    if (written != static_cast<ssize_t>(file.bytes.size()))
      fail_loudly("cannot write " + path.string());
    if (::close(fd) != 0) fail_loudly("cannot close " + path.string());
  }
}

// Lets the disk finish the writes already made, so that a timed write does
// not wait behind the one before it.
inline void settle_disk() { ::sync(); }

// Seconds taken by `work`.
template <typename Work>
double seconds_of(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  std::forward<Work>(work)();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The compile as memorizza_percorso runs it, on descriptions already in
// memory and with the compiled files' bytes left in memory.
struct CompiledBytes {
  compiler::FileBytes line_plan;
  compiler::FileBytes items;
  compiler::FileBytes cells;
  std::int32_t error_number = 0;

  std::size_t size() const { return line_plan.size() + items.size() + cells.size(); }
};

inline CompiledBytes compile_in_memory(std::string_view line_description,
                                       std::string_view train_description) {
  using namespace borgo::compiler;
  RouteModel model;
  model.line_name = "Borgo_Mar";
  model.train_name = "TX 903";
  model.write_line_file = 1;
  model.items[kLineRecord].text = model.line_name;
  model.items[kTrainRecord].text = model.train_name;
  CompileReport report;
  const detail::LineReadResult line =
      detail::read_line_description(model, line_description, report);
  if (line.go_on) {
    detail::read_train_description(model, train_description, line.sign_slot, report);
  }
  CompiledBytes out;
  out.error_number = model.error_number;
  if (!model.has_grid()) return out;
  signal_code_pass(model, &report);
  if (stamp_contest_codes(model) != 0) return out;
  out.line_plan = encode_line_plan(model);
  out.items = encode_items(model);
  out.cells = encode_cells(model);
  return out;
}

}  // namespace borgo::bench
