#include "tools/packing/target.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

#include <stdexcept>
#include <system_error>
#include <vector>

#include "documents/package_payload.hpp"
#include "storage/read_file.hpp"
#include "tools/shared/refusal.hpp"

namespace borgo::tools {

std::optional<std::filesystem::path> running_tool(std::string& failure) {
#ifdef _WIN32
  std::vector<wchar_t> name(MAX_PATH);
  // Windows' paths end at 32767 characters: the buffer doubles a few times at most.
  constexpr std::size_t kLongestPath = 32768;
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0 || (length >= name.size() && name.size() >= kLongestPath)) {
      failure = "cannot find scenario-tool's own folder";
      return std::nullopt;
    }
    if (length < name.size()) return std::filesystem::path(std::wstring(name.data(), length));
    name.resize(name.size() * 2);
  }
#else
  std::error_code failed;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (!failed) return self;
  failure = "cannot find scenario-tool's own folder: " + failed.message();
  return std::nullopt;
#endif
}

namespace {

constexpr TargetTraits kWindowsTraits{"windows", "Windows",           ".exe",
                                      "MZ",      "a Windows program", "windows"};
// An ELF file begins with 0x7F "ELF".
constexpr TargetTraits kLinuxTraits{"linux",           "Linux",  "", "\x7f\x45\x4c\x46",
                                    "a Linux program", "release"};

// The folder of the running tool, where the generic package programs are
// installed beside it.
std::filesystem::path tool_folder() {
  std::string failure;
  const std::optional<std::filesystem::path> self = running_tool(failure);
  if (!self) throw std::runtime_error(failure);
  return self->parent_path();
}

}  // namespace

const TargetTraits& traits(Target target) {
  return target == Target::kWindows ? kWindowsTraits : kLinuxTraits;
}

std::optional<Target> target_named(std::string_view name) {
  if (name == kWindowsTraits.name) return Target::kWindows;
  if (name == kLinuxTraits.name) return Target::kLinux;
  return std::nullopt;
}

GenericProgram find_generic_program(Target target,
                                    const std::optional<std::filesystem::path>& given) {
  const TargetTraits& t = traits(target);
  GenericProgram program;
  program.path =
      given ? *given
            : tool_folder() / (std::string(BORGO_PACKAGE_PROGRAM_NAME) + std::string(t.suffix));
  std::error_code failed;
  if (!std::filesystem::exists(program.path, failed) && !failed) {
    throw Refusal(
        "there is no " + std::string(t.shown) + " generic package program at '" +
        program.path.string() + "'. It is built by the " + std::string(t.preset) +
        " preset and installed beside scenario-tool by cmake --install (see the README's \"Ship "
        "your scenario\"); or name one with --generic-program.");
  }
  program.bytes = storage::read_file(program.path);
  if (!program.bytes.starts_with(t.magic)) {
    throw Refusal("'" + program.path.string() + "' is not " + std::string(t.kind) +
                  ": it cannot be the " + std::string(t.shown) + " generic package program");
  }
  if (documents::carries_payload(program.bytes)) {
    throw Refusal("'" + program.path.string() +
                  "' is a scenario's package program already, not the generic one");
  }
  return program;
}

}  // namespace borgo::tools
