#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "compiler/route_model.hpp"
#include "driver/platform.hpp"

namespace borgo::driver {

// The program's title, shown by its message boxes.
inline constexpr std::string_view kApplicationTitle = "Borgo_Mar_TX 903";

// The please-wait window and its one label.
extern const WindowLayout kForm1Layout;

// The program's single form: the run sequence and the fatal error report.
class Form1 {
 public:
  // `diagnostics`, when given, gets one line naming a recorded compile error;
  // the Windows program passes none and stays silent about it.
  explicit Form1(Platform& platform, std::FILE* diagnostics = nullptr)
      : platform_(platform), diagnostics_(diagnostics) {}

  // The whole run: window, five documents, compile, end. Never returns.
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
};

}  // namespace borgo::driver
