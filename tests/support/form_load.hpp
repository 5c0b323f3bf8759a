#pragma once

#include <gtest/gtest.h>

#include "driver/form1.hpp"
#include "tests/support/fake_platform.hpp"

namespace borgo::testing {

// Runs Form_Load on a FakePlatform and gives the exit status it ended with;
// a Form_Load that returns instead of ending the program is a failure.
inline int run_form_load(driver::Form1& form) {
  try {
    form.Form_Load();
  } catch (const ProgramEnded& ended) {
    return ended.exit_status;
  }
  ADD_FAILURE() << "Form_Load returned";
  return -1;
}

}  // namespace borgo::testing
