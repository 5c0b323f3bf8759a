#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "documents/documents.hpp"
#include "tools/shared/scenario_names.hpp"

namespace borgo::tools {

// One document as a package carries it.
struct PackedDocument {
  std::filesystem::path path;  // the author's file
  std::string bytes;           // Windows-1252, CR LF lines
};
using PackedDocuments = std::array<std::optional<PackedDocument>, documents::kDocumentCount>;

// The scenario's documents in `folder`, read and made what a package
// carries: Windows-1252 (converted from UTF-8 only when `from_utf8`), CR LF
// line ends, a line table a package program can write.
struct CarriedDocuments {
  PackedDocuments documents;        // the service documents missing stay empty
  std::vector<std::string> notes;   // what was changed, what is missing and not needed
  std::vector<std::string> faults;  // why a document cannot be carried; then none is
};
CarriedDocuments read_carried_documents(const std::filesystem::path& folder,
                                        const ScenarioNames& names, bool from_utf8);

// Where the document of `kind` is in `folder`.
std::filesystem::path document_path(const std::filesystem::path& folder, const ScenarioNames& names,
                                    documents::DocumentKind kind);

}  // namespace borgo::tools
