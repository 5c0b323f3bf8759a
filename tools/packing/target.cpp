#include "tools/packing/target.hpp"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
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

// The places a generic package program is installed, in the order they are
// looked in: beside the running tool (a build tree, a release archive), then
// the tool's lib folder beside its bin folder (/usr/lib/scenario-tools for
// /usr/bin/scenario-tool, as the Debian package lays them out).
std::vector<std::filesystem::path> generic_program_places(const std::string& file_name) {
  std::string failure;
  const std::optional<std::filesystem::path> self = running_tool(failure);
  if (!self) throw std::runtime_error(failure);
  const std::filesystem::path folder = self->parent_path();
  return {folder / file_name,
          folder.parent_path() /
              std::filesystem::path(BORGO_GENERIC_PROGRAM_LIB_FOLDER).make_preferred() / file_name};
}

// "'a'", "'a' or 'b'": the places looked in, for a message.
std::string quoted_places(const std::vector<std::filesystem::path>& places) {
  std::string text;
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (i > 0) text += " or ";
    text += "'" + places[i].string() + "'";
  }
  return text;
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
  const std::vector<std::filesystem::path> places =
      given
          ? std::vector<std::filesystem::path>{*given}
          : generic_program_places(std::string(BORGO_PACKAGE_PROGRAM_NAME) + std::string(t.suffix));
  // A place that cannot be looked at counts as found: reading it says why.
  const auto found = std::find_if(places.begin(), places.end(), [](const auto& place) {
    std::error_code failed;
    return std::filesystem::exists(place, failed) || failed;
  });
  if (found == places.end()) {
    throw Refusal(
        "there is no " + std::string(t.shown) + " generic package program at " +
        quoted_places(places) + ". It is built by the " + std::string(t.preset) +
        " preset and installed beside scenario-tool by cmake --install (see the README's \"Ship "
        "your scenario\"); or name one with --generic-program.");
  }
  GenericProgram program;
  program.path = *found;
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
