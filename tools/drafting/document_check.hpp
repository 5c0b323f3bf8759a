#pragma once

// The service documents a package ships, checked against the descriptions
// they go with: a slow-down order whose entries are not the "rallentamento"
// rows, a train sheet naming a station the line lacks or missing one it
// has, either naming another train or line. Each finding points at a line
// of the document and, where there is one, at the description row it
// concerns, so that an editor can show it there too.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile.hpp"
#include "compiler/compile_report.hpp"
#include "tools/drafting/route_facts.hpp"
#include "tools/drafting/sheet_settings.hpp"

namespace borgo::tools::drafting {

enum class CheckedDocument : std::uint8_t { kSlowDownOrder, kTrainSheet };

struct DocumentFinding {
  CheckedDocument document = CheckedDocument::kSlowDownOrder;
  std::int32_t line = 0;                    // 1-based
  std::string message;                      // UTF-8
  std::optional<compiler::SourceSpot> row;  // the description row it concerns
};

// `line_name` and `train_name` in Windows-1252, as the documents write them;
// `settings`: the sheet settings beside the descriptions, or none.
std::vector<DocumentFinding> check_slow_down_order(std::string_view bytes, const RouteFacts& facts,
                                                   std::string_view line_name,
                                                   std::string_view train_name);
std::vector<DocumentFinding> check_train_sheet(std::string_view bytes, const RouteFacts& facts,
                                               const SheetSettings& settings,
                                               std::string_view train_name);

// A service document as the package ships it.
struct ShippedDocument {
  std::filesystem::path path;
  std::string_view bytes;
};

struct LocatedFinding {
  std::filesystem::path path;
  DocumentFinding finding;
};

// Both documents checked against a compile of the descriptions, with the
// sheet settings' bytes when there are any; nothing to say when the reading
// stopped before the line's length (the compile says why).
std::vector<LocatedFinding> check_shipped_documents(const compiler::Compilation& compilation,
                                                    const std::optional<ShippedDocument>& order,
                                                    const std::optional<ShippedDocument>& sheet,
                                                    std::optional<std::string_view> settings_bytes,
                                                    std::string_view line_name,
                                                    std::string_view train_name);

// "PATH:LINE: label: message".
std::string located_text(const LocatedFinding& located, std::string_view label);

// The slow-down order and the train sheet in `folder`, when it holds them,
// checked as a package would ship them; the sheet settings beside them are
// read too. `line` and `train` name the files as the file system has them,
// `line_1252` and `train_1252` as the documents write them. A document that
// cannot be read, or is far larger than any, is left unchecked: the command
// that ships it says why.
std::vector<LocatedFinding> check_documents_in(const std::filesystem::path& folder,
                                               std::string_view line, std::string_view train,
                                               std::string_view line_1252,
                                               std::string_view train_1252,
                                               const compiler::Compilation& compilation);

}  // namespace borgo::tools::drafting
