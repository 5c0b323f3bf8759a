#include "tools/packing/carried_documents.hpp"

#include <memory>
#include <utility>

#include "compiler/field_reader.hpp"
#include "compiler/utf8_text.hpp"
#include "documents/line_table.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

std::string where(const std::filesystem::path& path, std::string_view bytes, std::size_t offset) {
  const compiler::FieldLocation at = compiler::location_of(bytes, offset);
  return path.string() + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

// A document's bytes as a package carries them, or the reason they cannot
// be (in `fault`). What was changed goes to `notes`.
std::optional<std::string> packed_bytes(const std::filesystem::path& path, std::string bytes,
                                        bool from_utf8, std::vector<std::string>& notes,
                                        std::string& fault) {
  if (const std::optional<std::size_t> letter = compiler::first_utf8_letter(bytes)) {
    if (!from_utf8) {
      const auto lead = static_cast<unsigned char>(bytes[*letter]);
      const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      fault = where(path, bytes, *letter) + ": the document is saved as UTF-8 (\"" +
              bytes.substr(*letter, length) +
              "\" here), but a package carries Windows-1252 text: save it as Windows-1252, or "
              "give --from-utf8 to convert it";
      return std::nullopt;
    }
    // Editors on Windows begin UTF-8 with a byte order mark; it is no text.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark)) bytes.erase(0, kByteOrderMark.size());
    Windows1252Text converted = windows_1252_from_utf8(bytes);
    if (!converted.text) {
      fault = where(path, bytes, bytes.find(converted.unheld)) + ": \"" + converted.unheld +
              "\" has no character in Windows-1252, the package's code page";
      return std::nullopt;
    }
    bytes = std::move(*converted.text);
    notes.push_back(path.string() + ": converted from UTF-8 to Windows-1252");
  }

  std::string lines;
  lines.reserve(bytes.size() + bytes.size() / 16);
  std::size_t lone_line_feeds = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
      lines += '\r';
      ++lone_line_feeds;
    }
    lines += bytes[i];
  }
  if (lone_line_feeds > 0) {
    notes.push_back(path.string() + ": " + std::to_string(lone_line_feeds) +
                    (lone_line_feeds == 1 ? " line end LF" : " line ends LF") + " given CR LF");
  }
  if (!lines.empty() && lines.back() != '\n') {
    lines += "\r\n";
    notes.push_back(path.string() + ": the last line, which had no line end, given CR LF");
  }
  return lines;
}

// Why `lines` make no line table, or nullopt when they make one.
std::optional<std::string> line_table_fault(const std::filesystem::path& path,
                                            std::string_view lines) {
  using Kind = documents::LineTableFault::Kind;
  const auto scratch = std::make_unique<documents::LineTable>();
  const auto fault = documents::fill_line_table(lines, *scratch);
  if (!fault) return std::nullopt;
  std::string text = path.string() + ":" + std::to_string(fault->line) + ": ";
  if (fault->kind == Kind::kTooManyLines) {
    return text + "more than " + std::to_string(documents::kMostLines) +
           " lines, the most a package program writes of a document";
  }
  if (fault->kind == Kind::kEndMarkerLine) {
    return text + "the line \"" + std::string(documents::kEndMarker) +
           "\" ends a package program's document: nothing after it would be written";
  }
  return text + fault->what;
}

}  // namespace

std::filesystem::path document_path(const std::filesystem::path& folder, const ScenarioNames& names,
                                    documents::DocumentKind kind) {
  return folder / documents::document_name(kind, names.line, names.train);
}

CarriedDocuments read_carried_documents(const std::filesystem::path& folder,
                                        const ScenarioNames& names, bool from_utf8) {
  CarriedDocuments carried;
  PackedDocuments& packed = carried.documents;
  std::vector<std::string>& faults = carried.faults;
  std::vector<std::string>& notes = carried.notes;
  for (const documents::DocumentKind kind : documents::kDocumentKinds) {
    const std::string title(documents::document_title(kind));
    const std::filesystem::path path = document_path(folder, names, kind);
    std::optional<std::string> bytes = read_if_present(path);
    if (!bytes) {
      if (documents::is_description(kind)) {
        faults.push_back("there is no " + title + " '" + path.string() + "'");
      } else {
        notes.push_back("there is no " + title + " '" + path.string() +
                        "': the package writes none");
      }
      continue;
    }
    std::string fault;
    std::optional<std::string> lines =
        packed_bytes(path, std::move(*bytes), from_utf8, notes, fault);
    if (lines) {
      if (std::optional<std::string> table_fault = line_table_fault(path, *lines)) {
        fault = std::move(*table_fault);
        lines.reset();
      }
    }
    if (!lines) {
      faults.push_back(fault);
      continue;
    }
    packed[static_cast<std::size_t>(kind)] = PackedDocument{path, std::move(*lines)};
  }
  // The faults of all of them are told at once: none is carried then.
  if (!faults.empty()) packed = {};
  return carried;
}

}  // namespace borgo::tools
