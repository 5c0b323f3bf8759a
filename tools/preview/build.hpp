#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "tools/findings/scenario_compile.hpp"

namespace borgo::tools {

// What the preview page is shown after one build: the outcome as JSON (the
// compile's numbers, the diagnostics, the drawing's features and where they
// lie on it) and the drawing.
struct PreviewState {
  std::uint64_t generation = 0;  // counts builds, from 1
  std::string outcome_json;
  // This build's drawing, or the last good one when this build could not
  // make one; null before any build made one.
  std::shared_ptr<const std::string> drawing;
};

// A description larger than this is not read: it would take the preview's
// memory many times over, and real ones stay below a megabyte.
inline constexpr std::uintmax_t kLargestPreviewedDescription = 16 << 20;

// Compiles the scenario in a folder from the documents' bytes with the
// compile core and draws it, build after build. Nothing is written into the
// folder. A build whose documents cannot be read, whose compile stops on a
// run-time failure (a description caught half-written ends too soon) or
// compiles nothing keeps the last good drawing and says why; so does one
// with a description larger than kLargestPreviewedDescription.
class PreviewBuilder {
 public:
  PreviewBuilder(std::filesystem::path folder, ScenarioNames names);
  ~PreviewBuilder();
  PreviewBuilder(const PreviewBuilder&) = delete;
  PreviewBuilder& operator=(const PreviewBuilder&) = delete;

  // The two descriptions the builds read.
  std::filesystem::path line_description() const;
  std::filesystem::path train_description() const;

  std::shared_ptr<const PreviewState> build();

 private:
  struct Drawing;
  std::filesystem::path folder_;
  ScenarioNames names_;
  std::uint64_t generation_ = 0;
  std::shared_ptr<const Drawing> last_good_;
};

}  // namespace borgo::tools
