#ifndef _WIN32
#include <csignal>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/cli/commands.hpp"
#include "tools/cli/exit_status.hpp"

namespace {

// Flushes a standard stream and tells whether all that went to it arrived.
// The errno of a write that failed earlier in the run is lost by now; one
// that fails in this flush is kept in `error` (0 when not known).
bool flushed(std::ostream& stream, std::FILE* file, int& error) {
  errno = 0;
  stream.flush();
  const bool good = stream.good() && std::fflush(file) == 0 && std::ferror(file) == 0;
  error = good ? 0 : errno;
  return good;
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
  // A reader that goes away must show as a failed write, not end the tool
  // with a signal before it can say so.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  const std::vector<std::string> args(argv + 1, argv + argc);
  int status = borgo::tools::run_tool(args, std::cout, std::cerr);
  // Output that did not arrive is a failure, whatever the command did.
  int error = 0;
  if (!flushed(std::cout, stdout, error)) {
    std::cerr << "scenario-tool: cannot write standard output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
    status = borgo::tools::kExitUsage;
  }
  if (!flushed(std::cerr, stderr, error)) status = borgo::tools::kExitUsage;
  return status;
}
