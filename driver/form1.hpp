#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "compiler/route_model.hpp"
#include "documents/documents.hpp"
#include "driver/platform.hpp"

namespace borgo::driver {

// How long a run waits for another run of the program in the same folder to
// end before it gives up: far longer than a whole run takes.
inline constexpr std::chrono::milliseconds kFolderWaitLimit{60000};

// The please-wait window and its one label; a run gives it its scenario's title.
extern const WindowLayout kForm1Layout;

// The program's single form: the run sequence and the fatal error report.
class Form1 {
 public:
  // `diagnostics`, when given, gets one line naming a recorded compile error;
  // the Windows program passes none and stays silent about it.
  // `folder_wait_limit`: how long to wait for the folder held by another run.
  // `scenario`: the names and documents of the run, which must outlive the
  // form; Borgo_Mar_TX903 runs its embedded one, a generic package program
  // the one it carries. Its title ("<line>_<train>") is the window's and the
  // message boxes'.
  explicit Form1(Platform& platform, std::FILE* diagnostics = nullptr,
                 std::chrono::milliseconds folder_wait_limit = kFolderWaitLimit,
                 const documents::Scenario& scenario = documents::embedded_scenario())
      : platform_(platform),
        diagnostics_(diagnostics),
        folder_wait_limit_(folder_wait_limit),
        scenario_(scenario),
        title_(scenario.title()) {}

  // The whole run: window, the folder taken for this run alone, five
  // documents, compile, end. Never returns.
  [[noreturn]] void Form_Load();

  // Shows " Errore n. " followed by `a` and ends the program. Never returns.
  [[noreturn]] void errore(std::string_view a);

  std::string line_name;
  std::string train_name;
  compiler::RouteModel model;

 private:
  [[noreturn]] void report_run_time_failure(std::string_view what);

  Platform& platform_;
  std::FILE* diagnostics_;
  std::chrono::milliseconds folder_wait_limit_;
  const documents::Scenario& scenario_;
  std::string title_;
};

}  // namespace borgo::driver
