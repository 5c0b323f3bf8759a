#ifndef _WIN32
#include <poll.h>
#include <sys/stat.h>

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

// Whether `file` is a pipe whose reader has gone, as "| head" leaves it once
// it has read its lines: what did not arrive was not wanted. Asked of the
// pipe itself, since the errno of the write that met the closed end may be
// long lost (Windows has only that errno to go by). A full device or any
// other failed write is no such pipe.
bool reader_gone([[maybe_unused]] std::FILE* file, [[maybe_unused]] int error) {
#ifdef _WIN32
  return error == EPIPE;
#else
  const int fd = fileno(file);
  struct stat kind {};
  if (fd < 0 || ::fstat(fd, &kind) != 0) return false;
  if (!S_ISFIFO(kind.st_mode) && !S_ISSOCK(kind.st_mode)) return false;
  // The writing end of a pipe without a reader polls as an error; a socket
  // whose peer went away, as hung up.
  pollfd end{fd, 0, 0};
  return ::poll(&end, 1, 0) == 1 && (end.revents & (POLLERR | POLLHUP)) != 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
  // A reader that goes away must show as a failed write, not end the tool
  // with a signal before it can tell that from a full device.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  const std::vector<std::string> args(argv + 1, argv + argc);
  int status = borgo::tools::run_tool(args, std::cout, std::cerr);
  // Output that did not arrive is a failure, whatever the command did,
  // unless nobody was reading any more: that ends quietly, as command-line
  // tools do.
  int error = 0;
  if (!flushed(std::cout, stdout, error) && !reader_gone(stdout, error)) {
    std::cerr << "scenario-tool: cannot write standard output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
    status = borgo::tools::kExitUsage;
  }
  if (!flushed(std::cerr, stderr, error) && !reader_gone(stderr, error)) {
    status = borgo::tools::kExitUsage;
  }
  return status;
}
