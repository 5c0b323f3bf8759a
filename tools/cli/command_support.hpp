#pragma once

#include <exception>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string_view>

#include "compiler/runtime_failure.hpp"
#include "storage/file_error.hpp"
#include "tools/cli/exit_status.hpp"
#include "tools/shared/refusal.hpp"

namespace borgo::tools {

// A wrong command line; the message says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs one command's body and turns what it throws into a message on `err`
// and exit status 2: a wrong command line, a refusal, a file that cannot be
// read or written, a compiled table that cannot be encoded, anything else.
template <typename Body>
int guarded(std::string_view command, std::ostream& err, Body body) {
  try {
    return body();
  } catch (const UsageError& wrong) {
    err << "scenario-tool " << command << ": " << wrong.what() << "\n"
        << "Try 'scenario-tool " << command << " --help'.\n";
  } catch (const Refusal& refusal) {
    err << "scenario-tool " << command << ": " << refusal.what() << "\n";
  } catch (const storage::FileError& failure) {
    err << "scenario-tool " << command << ": '" << failure.path().string()
        << "': " << failure.reason() << "\n";
  } catch (const compiler::RuntimeFailure& failure) {
    err << "scenario-tool " << command << ": " << failure.what() << "\n";
  } catch (const std::filesystem::filesystem_error& failure) {
    err << "scenario-tool " << command << ": " << failure.what() << "\n";
  } catch (const std::exception& failure) {
    err << "scenario-tool " << command << ": failed: " << failure.what() << "\n";
  }
  return kExitUsage;
}

}  // namespace borgo::tools
