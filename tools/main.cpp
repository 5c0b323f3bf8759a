#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <csignal>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "tools/commands.hpp"
#include "tools/exit_status.hpp"

namespace {

// The words after the program's name, as UTF-8: the encoding the tool takes
// names in, and std::filesystem's narrow form on Windows too. There the
// narrow arguments would come in the ANSI code page, so the wide ones are
// converted. nullopt when an argument is not valid text.
std::optional<std::vector<std::string>> arguments([[maybe_unused]] int argc, char** argv) {
#ifdef _WIN32
  (void)argv;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::nullopt;
  std::vector<std::string> words;
  bool valid = true;
  for (int i = 1; i < count && valid; ++i) {
    const int size = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide[i], -1, nullptr, 0,
                                           nullptr, nullptr);
    valid = size > 0;
    if (!valid) break;
    std::string word(static_cast<std::size_t>(size), '\0');
    valid = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide[i], -1, word.data(), size,
                                  nullptr, nullptr) == size;
    word.pop_back();  // the terminating NUL
    words.push_back(std::move(word));
  }
  ::LocalFree(wide);
  if (!valid) return std::nullopt;
  return words;
#else
  return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

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
  const std::optional<std::vector<std::string>> args = arguments(argc, argv);
  int status = borgo::tools::kExitUsage;
  if (args) {
    status = borgo::tools::run_tool(*args, std::cout, std::cerr);
  } else {
    std::cerr << "scenario-tool: an argument is not valid text\n";
  }
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
