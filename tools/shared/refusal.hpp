#pragma once

#include <stdexcept>

namespace borgo::tools {

// A command that will not do what it was asked, because doing it would lose
// or spoil something (an author's document, one compiled file written over
// another); the message says what and why. Nothing has been written.
class Refusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace borgo::tools
