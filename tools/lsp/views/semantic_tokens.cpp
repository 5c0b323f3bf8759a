#include "tools/lsp/views/semantic_tokens.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "compiler/description_format.hpp"
#include "tools/findings/reading_stop.hpp"
#include "tools/findings/source_scan.hpp"

namespace borgo::tools::lsp {
namespace {

using compiler::Document;
using compiler::FieldLocation;
using nlohmann::json;
namespace format = compiler::format;

// The legend's order: a token's type is its index here.
enum TokenType : int { kHeading, kKey, kUnknownKey, kNumber, kName, kIgnored };

// One field's token, in the compiled bytes: 1-based line, byte columns.
struct Token {
  std::int32_t line = 0;
  std::size_t from = 0;  // 0-based byte columns, [from, to)
  std::size_t to = 0;
  TokenType type = kIgnored;
};

class Tokenizer {
 public:
  explicit Tokenizer(const PositionMap& positions) : positions_(positions) {}

  void add(FieldLocation at, TokenType type) {
    const std::optional<std::string_view> line = positions_.bytes_line(at.line);
    if (!line || at.column < 1) return;
    const auto from = static_cast<std::size_t>(at.column - 1);
    if (from >= line->size()) return;
    // The field's end in bytes: up to its comma or the line's end.
    // A number ends at its first blank, as the reader reads it.
    std::size_t to = from;
    while (to < line->size() && (*line)[to] != ',' && !(type == kNumber && (*line)[to] == ' '))
      ++to;
    if ((*line)[from] == '"') {
      const std::size_t closing = line->find('"', from + 1);
      if (closing != std::string_view::npos) to = std::max(to, closing + 1);
    }
    while (to > from && (*line)[to - 1] == ' ') --to;
    if (to > from) tokens_[at.line].push_back({at.line, from, std::min(to, line->size()), type});
  }

  // Whatever else a line holds besides blanks and commas is text the
  // compile reads as nothing. Bounded by the document: every line exists.
  void add_ignored() {
    for (std::int32_t n = 1;; ++n) {
      const std::optional<std::string_view> line = positions_.bytes_line(n);
      if (!line) break;
      std::vector<Token>& on_line = tokens_[n];
      std::sort(on_line.begin(), on_line.end(),
                [](const Token& a, const Token& b) { return a.from < b.from; });
      std::vector<Token> gaps;
      std::size_t at = 0;
      std::size_t next = 0;
      while (at < line->size()) {
        while (next < on_line.size() && on_line[next].to <= at) ++next;
        if (next < on_line.size() && on_line[next].from <= at) {
          at = on_line[next].to;
          continue;
        }
        const char c = (*line)[at];
        if (c == ' ' || c == ',' || c == '\t') {
          ++at;
          continue;
        }
        std::size_t end = at;
        const std::size_t limit = next < on_line.size() ? on_line[next].from : line->size();
        while (end < limit && (*line)[end] != ',') ++end;
        std::size_t trimmed = end;
        while (trimmed > at && ((*line)[trimmed - 1] == ' ' || (*line)[trimmed - 1] == '\t'))
          --trimmed;
        gaps.push_back({n, at, trimmed, kIgnored});
        at = end;
      }
      on_line.insert(on_line.end(), gaps.begin(), gaps.end());
      std::sort(on_line.begin(), on_line.end(),
                [](const Token& a, const Token& b) { return a.from < b.from; });
    }
  }

  json encoded() const {
    json data = json::array();
    std::int64_t last_line = 0;
    std::int64_t last_start = 0;
    for (const auto& [line, on_line] : tokens_) {
      std::size_t covered = 0;  // tokens never overlap
      for (const Token& token : on_line) {
        if (token.from < covered) continue;
        covered = token.to;
        const json start = positions_.position(line, static_cast<std::int32_t>(token.from + 1));
        const json end = positions_.position(line, static_cast<std::int32_t>(token.to + 1));
        const std::int64_t lsp_line = start["line"].get<std::int64_t>();
        const std::int64_t character = start["character"].get<std::int64_t>();
        const std::int64_t length = end["character"].get<std::int64_t>() - character;
        if (length <= 0) continue;
        const std::int64_t delta_line = lsp_line - last_line;
        data.push_back(delta_line);
        data.push_back(delta_line == 0 ? character - last_start : character);
        data.push_back(length);
        data.push_back(static_cast<int>(token.type));
        data.push_back(0);
        last_line = lsp_line;
        last_start = character;
      }
    }
    return data;
  }

 private:
  const PositionMap& positions_;
  std::map<std::int32_t, std::vector<Token>> tokens_;
};

}  // namespace

json semantic_tokens_legend() {
  return {{"tokenTypes", {"namespace", "keyword", "variable", "number", "string", "comment"}},
          {"tokenModifiers", json::array()}};
}

json semantic_tokens(const CompiledPair& compiled, Document document,
                     const PositionMap& positions) {
  const std::optional<DocumentText>& text = compiled.text(document);
  if (!text) return {{"data", json::array()}};
  const ScannedDocument scanned = scan_description(text->bytes, document, true);
  const std::optional<ReadingStop> stop =
      reading_stopped_at(compiled.compilation, document, compiled.line_bytes, compiled.train_bytes);
  Tokenizer tokens(positions);
  if (scanned.general) tokens.add(*scanned.general, kHeading);
  for (const ScannedKey& key : scanned.keys) {
    switch (key.kind) {
      case ScannedKey::Kind::kHeading:
        tokens.add(key.at, kHeading);
        break;
      case ScannedKey::Kind::kUnmatched:
        tokens.add(key.at, kUnknownKey);
        break;
      case ScannedKey::Kind::kLost:
        break;  // never read: ignored text
      case ScannedKey::Kind::kRow: {
        // A row after the reading stopped is not in the scenario.
        if (!was_read(stop, document, key.at)) break;
        tokens.add(key.at, kKey);
        for (const ScannedField& field : key.fields) {
          tokens.add(field.at, field.field->type == format::ValueType::kText ? kName : kNumber);
        }
        break;
      }
    }
  }
  tokens.add_ignored();
  return {{"data", tokens.encoded()}};
}

}  // namespace borgo::tools::lsp
