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
#endif

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

}  // namespace

int main(int argc, char** argv) {
  const std::optional<std::vector<std::string>> args = arguments(argc, argv);
  if (!args) {
    std::cerr << "scenario-tool: an argument is not valid text\n";
    return borgo::tools::kExitUsage;
  }
  const int status = borgo::tools::run_tool(*args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
