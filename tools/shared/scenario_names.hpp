#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "compiler/compiled_files.hpp"
#include "compiler/route_model.hpp"

namespace borgo::tools {

// The scenario the package program carries, as `emit` writes it.
inline constexpr std::string_view kEmbeddedLine = "Borgo_Mar";
inline constexpr std::string_view kEmbeddedTrain = "TX 903";

// A scenario's two names, in two encodings. As an author gives them they are
// the platform's bytes, and name the author's files; the compile takes them
// in Windows-1252, as the simulator reads them from the train file and as
// the contest codes sum their character codes.
struct ScenarioNames {
  std::string line;
  std::string train;
  std::string line_1252;
  std::string train_1252;

  // A model holding only the names as given: the files' names come from it.
  compiler::RouteModel as_given() const;
  // Where the compiled file of `kind` goes in `folder`.
  std::filesystem::path compiled_path(const std::filesystem::path& folder,
                                      compiler::CompiledFileKind kind) const;
};

}  // namespace borgo::tools
