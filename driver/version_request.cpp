#include "driver/version_request.hpp"

#include "borgo/version.hpp"

namespace borgo::driver {
namespace {

constexpr std::string_view kFlag = "--version";

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

bool asks_for_version(int argc, const char* const* argv) {
  return argc == 2 && argv[1] != nullptr && std::string_view(argv[1]) == kFlag;
}

bool asks_for_version(std::string_view command_line) { return trimmed(command_line) == kFlag; }

std::string version_line(std::string_view program) {
  return std::string(program) + " " + std::string(kVersion) + "\n";
}

}  // namespace borgo::driver
