#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace borgo::tools {

// The platform a package program is made for.
enum class Target { kWindows, kLinux };

struct TargetTraits {
  std::string_view name;    // as --target takes it
  std::string_view shown;   // in messages
  std::string_view suffix;  // of its programs' file names
  std::string_view magic;   // the first bytes of its programs
  std::string_view kind;    // what its programs are
  std::string_view preset;  // that builds its generic package program
};

const TargetTraits& traits(Target target);

// The target of that name ("windows", "linux"), or nullopt.
std::optional<Target> target_named(std::string_view name);

// The running tool's own file; nullopt, with the reason in `failure`, when
// it cannot be found.
std::optional<std::filesystem::path> running_tool(std::string& failure);

// The generic package program a package is made from: its path and bytes.
struct GenericProgram {
  std::filesystem::path path;
  std::string bytes;
};

// The generic package program of `target`: `given`, or the one installed
// with the running tool, beside it or else in the lib folder of its prefix.
// Throws Refusal when it is missing or is not one (another platform's
// program, or a scenario's package program already).
GenericProgram find_generic_program(Target target,
                                    const std::optional<std::filesystem::path>& given);

}  // namespace borgo::tools
