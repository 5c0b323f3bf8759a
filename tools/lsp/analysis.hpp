#pragma once

// One line description and one train description compiled together from
// the editor's buffers and the disk, and positions in their text as the
// client counts them.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "compiler/compile.hpp"
#include "tools/findings/diagnostics.hpp"
#include "tools/lsp/documents.hpp"
#include "tools/lsp/protocol/positions.hpp"

namespace borgo::tools::lsp {

// Lines of a document's text and columns in them, both ways between the
// compile's byte columns and the client's positions.
class PositionMap {
 public:
  PositionMap(const DocumentText& text, PositionEncoding encoding);

  // A 1-based line and byte column of the compiled bytes as an LSP position.
  nlohmann::json position(std::int32_t line, std::int32_t column) const;
  // The range of the field beginning there, as far as its comma.
  nlohmann::json field_range(compiler::FieldLocation at) const;
  // A client's position as a 1-based line and byte column; nullopt past the
  // last line.
  std::optional<compiler::FieldLocation> location(std::int64_t line, std::int64_t character) const;
  // The compiled bytes of a 1-based line.
  std::optional<std::string_view> bytes_line(std::int32_t line) const { return bytes_.line(line); }
  // The 1-based line and byte column of byte `offset` of the compiled bytes.
  compiler::FieldLocation location_of_offset(std::size_t offset) const;

 private:
  const DocumentText& text_;
  PositionEncoding encoding_;
  LineIndex bytes_;
  LineIndex lines_;
};

// A compile of one pairing and the documents it read.
struct CompiledPair {
  Pairing pairing;
  std::optional<DocumentText> line;
  std::optional<DocumentText> train;
  std::optional<std::string> line_bytes;  // as compiled, for the findings
  std::optional<std::string> train_bytes;
  compiler::Compilation compilation;

  const std::optional<DocumentText>& text(compiler::Document document) const {
    return document == compiler::Document::kLineDescription ? line : train;
  }
  const std::string& uri(compiler::Document document) const {
    return document == compiler::Document::kLineDescription ? pairing.line_uri : pairing.train_uri;
  }
};

// Compiles a pairing's documents, open buffers first, as the program would.
CompiledPair compile_pairing(const Documents& documents, const Pairing& pairing);

// The same pairing compiled from the bytes given, in memory: an edit tried
// before it is offered.
compiler::Compilation compile_bytes(const Pairing& pairing, const std::optional<std::string>& line,
                                    const std::optional<std::string>& train);

}  // namespace borgo::tools::lsp
