#include "tools/lsp/analysis.hpp"

#include <algorithm>

#include "tools/findings/compile_findings.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::lsp {
namespace {

// A name for the compile in Windows-1252, as the simulator reads it.
std::string name_1252(const std::string& utf8) {
  Windows1252Text converted = windows_1252_from_utf8(utf8);
  return converted.text ? std::move(*converted.text) : windows_1252_copy(utf8).text;
}

}  // namespace

PositionMap::PositionMap(const DocumentText& text, PositionEncoding encoding)
    : text_(text), encoding_(encoding), bytes_(text.bytes), lines_(text.text) {}

nlohmann::json PositionMap::position(std::int32_t line, std::int32_t column) const {
  const std::optional<std::string_view> shown = lines_.line(line);
  const std::size_t before = column > 1 ? static_cast<std::size_t>(column - 1) : 0;
  const std::int64_t character = shown ? units_before(*shown, before, text_.counted, encoding_) : 0;
  return {{"line", std::max(line - 1, 0)}, {"character", character}};
}

nlohmann::json PositionMap::field_range(compiler::FieldLocation at) const {
  const std::optional<std::string_view> line = bytes_.line(at.line);
  const std::size_t start = at.column > 1 ? static_cast<std::size_t>(at.column - 1) : 0;
  std::size_t end = start;
  if (line && start < line->size()) end = std::min(field_end(*line, start), line->size());
  return {{"start", position(at.line, at.column)},
          {"end", position(at.line, static_cast<std::int32_t>(end + 1))}};
}

std::optional<compiler::FieldLocation> PositionMap::location(std::int64_t line,
                                                             std::int64_t character) const {
  if (line < 0 || line >= INT32_MAX) return std::nullopt;
  const auto number = static_cast<std::int32_t>(line + 1);
  const std::optional<std::string_view> shown = lines_.line(number);
  if (!shown) return std::nullopt;
  const std::size_t before = count_before(*shown, character, text_.counted, encoding_);
  return compiler::FieldLocation{number, static_cast<std::int32_t>(before + 1)};
}

compiler::FieldLocation PositionMap::location_of_offset(std::size_t offset) const {
  std::int32_t line = 1;
  std::size_t start = 0;
  const std::string& bytes = text_.bytes;
  for (std::size_t i = 0; i < offset && i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      ++line;
      start = i + 1;
    }
  }
  return {line, static_cast<std::int32_t>(offset - std::min(offset, start) + 1)};
}

CompiledPair compile_pairing(const Documents& documents, const Pairing& pairing) {
  CompiledPair out;
  out.pairing = pairing;
  out.line = documents.text_at(pairing.line_path);
  if (pairing.train) out.train = documents.text_at(pairing.train_path);
  if (out.line) out.line_bytes = out.line->bytes;
  if (out.train) out.train_bytes = out.train->bytes;
  out.compilation = compile_bytes(pairing, out.line_bytes, out.train_bytes);
  return out;
}

compiler::Compilation compile_bytes(const Pairing& pairing, const std::optional<std::string>& line,
                                    const std::optional<std::string>& train) {
  return compiler::compile(
      {.line_name = name_1252(pairing.line.line),
       .train_name = pairing.train ? name_1252(pairing.train->train) : std::string(),
       .write_line_file = 1,
       .line_description = line ? std::optional<std::string_view>(*line) : std::nullopt,
       .train_description = train ? std::optional<std::string_view>(*train) : std::nullopt});
}

}  // namespace borgo::tools::lsp
