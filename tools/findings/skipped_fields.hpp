#pragma once

// The fields a reader skipped as keys that match nothing, grouped as an
// author sees them: a row whose key matched no row of its section, with the
// values after it on its line, is one ignored row, not a key and a dozen
// stray values; the rest of a text that a comma ended is one slip. The
// diagnostics, explain and the language server all group them here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/findings/source_scan.hpp"

namespace borgo::tools {

// Unmatched keys of one document that belong together, as indices into its
// scan's keys.
struct SkippedRun {
  enum class Kind : std::uint8_t {
    kIgnoredRow,  // a key and the values after it on its line, or a line of values
    kLoneKey,     // a word alone where a key is due, with no values after it
    kCutText,     // what followed a comma inside a text field, up to the line's end
  };
  Kind kind = Kind::kIgnoredRow;
  std::size_t first = 0;  // the run's first key
  std::size_t last = 0;   // its last key, included
  std::size_t row = 0;    // kCutText: the row whose text the comma ended
};

class SkippedFields {
 public:
  explicit SkippedFields(const ScannedDocument& scanned);

  const std::vector<SkippedRun>& runs() const { return runs_; }
  // The run holding key `index` of the scan, or nullptr.
  const SkippedRun* run_of(std::size_t index) const;

 private:
  std::vector<SkippedRun> runs_;
  std::vector<std::int32_t> run_of_key_;  // by key index; -1 for none
};

// What the author is told of a run, in UTF-8: the nearest key or the row's
// section for a row, what the scenario lacks for it.
std::string skipped_run_message(const ScannedDocument& scanned, const SkippedRun& run);

// "-12", "5": a field that is a number, not a word.
bool number_like(std::string_view text);

}  // namespace borgo::tools
