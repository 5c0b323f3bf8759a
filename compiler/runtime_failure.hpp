#pragma once

#include <stdexcept>
#include <string>

namespace borgo::compiler {

// A run-time failure while compiling: reading past the end of a document, a
// number that does not fit its field, an index outside a table. The
// description reader turns any of them into error 25.
class RuntimeFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace borgo::compiler
