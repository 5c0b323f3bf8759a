#pragma once

#include <string>
#include <string_view>

#include "driver/platform.hpp"

namespace borgo::driver {

// The program's title, shown by its message boxes.
inline constexpr std::string_view kApplicationTitle = "Borgo_Mar_TX 903";

// The please-wait window and its one label.
extern const WindowLayout kForm1Layout;

// The program's single form: the run sequence and the fatal error report.
class Form1 {
 public:
  explicit Form1(Platform& platform) : platform_(platform) {}

  // The whole run: window, five documents, compile, end. Never returns.
  [[noreturn]] void Form_Load();

  // Shows " Errore n. " followed by `a` and ends the program. Never returns.
  [[noreturn]] void errore(std::string_view a);

  std::string line_name;
  std::string train_name;

 private:
  [[noreturn]] void report_run_time_failure(std::string_view what);

  Platform& platform_;
};

}  // namespace borgo::driver
