#pragma once

// Where the compile stopped reading the descriptions. After an error the
// route model holds only what was read before it: a row after the one where
// reading stopped is not in the scenario. Explain, the language server's
// hover and the preview page all tell it from here.

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/compile.hpp"
#include "tools/findings/source_scan.hpp"

namespace borgo::tools {

struct ReadingStop {
  compiler::Document document = compiler::Document::kLineDescription;  // where it stopped
  compiler::FieldLocation row;    // the key of the row it stopped at; later rows were not read
  std::int32_t error_number = 0;  // the error that stopped it
};

// Where the compile stopped reading `document`: at a row of it, or, for a
// train description never read, at the line description's row. nullopt when
// it read all of `document` (as with no error, error 2, which is found after
// the reading, or a fatal contest error) or when a description is missing.
// After error 15 in the line description the train description is read up
// to its first signal or slow-down. `line` and `train` are the documents'
// scans, each needed only for its own document (nullptr otherwise).
std::optional<ReadingStop> reading_stopped_at(const compiler::CompileOutcome& outcome,
                                              const compiler::RouteModel& model,
                                              compiler::Document document,
                                              const ScannedDocument* line,
                                              const ScannedDocument* train);

// The same from a compilation and the documents' bytes as compiled.
std::optional<ReadingStop> reading_stopped_at(const compiler::Compilation& compilation,
                                              compiler::Document document,
                                              const std::optional<std::string>& line,
                                              const std::optional<std::string>& train);

// Whether the compile read the row whose key stands at `key` in `document`,
// given where it stopped reading that document; the row it stopped at was
// read, up to the field at fault.
bool was_read(const std::optional<ReadingStop>& stop, compiler::Document document,
              compiler::FieldLocation key);

}  // namespace borgo::tools
