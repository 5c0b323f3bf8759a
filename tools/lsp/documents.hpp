#pragma once

// The documents the language server knows: the editor's open buffers, which
// win over the disk, and the descriptions beside them on disk, read but
// never written; and which line and train descriptions compile together.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "compiler/compile_report.hpp"
#include "tools/lsp/protocol/positions.hpp"

namespace borgo::tools::lsp {

// ---- file: URIs

// The path a file: URI names; nullopt for another scheme or a malformed URI.
std::optional<std::filesystem::path> path_of_uri(std::string_view uri);
// The URI's last segment, decoded: the file's name in UTF-8.
std::string file_name_of_uri(std::string_view uri);
// The URI of the file `file_name` (UTF-8) in the same folder as `uri`.
std::string uri_beside(std::string_view uri, std::string_view file_name);

// ---- descriptions by their names

// A description's place in a scenario, as its file name tells it (UTF-8).
struct DescriptionName {
  compiler::Document document = compiler::Document::kLineDescription;
  std::string line;
  std::string train;  // empty for a line description
  bool operator==(const DescriptionName&) const = default;
};

// Every reading of a file name as a description: none, the line
// description's, or one for each way a train description's name splits into
// a line's and a train's name (a line's name may hold the separator too).
std::vector<DescriptionName> description_names(std::string_view file_name);
// The file name of a description (UTF-8).
std::string file_name_of(const DescriptionName& name);

// ---- text

// A document's text as the editor shows it and as the compile reads it.
// One byte of `bytes` is one character of `text`, or, for a UTF-8 document
// read from disk, the two are the same bytes.
struct DocumentText {
  std::string text;   // UTF-8
  std::string bytes;  // as compiled: Windows-1252, or as on disk
  Counted counted = Counted::kCharacters;
  std::size_t unheld = 0;  // characters of an open buffer that Windows-1252 lacks
  std::size_t first_unheld = 0;
};

// The editor's text, converted for the compile.
DocumentText buffer_text(std::string utf8);
// A document's bytes as read from disk.
DocumentText disk_text(std::string bytes);

// ---- the open buffers

struct OpenDocument {
  std::string uri;
  std::optional<std::filesystem::path> path;
  DocumentText text;
  std::int64_t version = 0;
  std::uint64_t opened = 0;  // order of opening
};

// One compile: a line description and a train description, each by URI and
// path, the train absent when none was found.
struct Pairing {
  DescriptionName line;
  std::string line_uri;
  std::filesystem::path line_path;
  std::optional<DescriptionName> train;
  std::string train_uri;
  std::filesystem::path train_path;
  bool operator<(const Pairing& other) const {
    return std::tie(line_uri, train_uri) < std::tie(other.line_uri, other.train_uri);
  }
};

// How many open buffers the server keeps, and how much of their text in all:
// far more than any editing session opens, so that a client cannot make it
// hold without end.
struct DocumentLimits {
  std::size_t most_documents = 64;
  std::size_t most_bytes = std::size_t{64} << 20;  // of UTF-8 text
};

class Documents {
 public:
  // Bounds on what is looked for on disk beside a line description.
  static constexpr std::size_t kMostFolderEntries = 4096;
  static constexpr std::size_t kMostTrains = 16;

  explicit Documents(DocumentLimits limits = {}) : limits_(limits) {}

  const DocumentLimits& limits() const { return limits_; }

  // False, keeping nothing of it, when the document would take the open
  // buffers past a limit. A document opened again replaces the one open.
  bool open(const std::string& uri, std::string utf8, std::int64_t version);
  enum class Change {
    kChanged,
    kNotOpen,
    kTooLarge,  // the text would take the open buffers past a limit: closed
  };
  Change change(const std::string& uri, std::string utf8, std::int64_t version);
  bool close(const std::string& uri);

  const OpenDocument* find(std::string_view uri) const;
  const std::map<std::string, OpenDocument, std::less<>>& open_documents() const { return open_; }

  // The text of the document at `path`: the open buffer, or what the disk
  // holds, or nullopt when there is neither.
  std::optional<DocumentText> text_at(const std::filesystem::path& path) const;
  // The URI the editor uses for `path`, when it is open.
  const OpenDocument* open_at(const std::filesystem::path& path) const;

  // The compiles a description takes part in: a train description with its
  // line description; a line description with the last of its trains opened,
  // or else with each train found beside it (none: one compile without).
  // Empty for a document that is not a description.
  std::vector<Pairing> pairings_of(const OpenDocument& document) const;

 private:
  std::optional<Pairing> train_pairing(const OpenDocument& document) const;
  std::vector<Pairing> line_pairings(const OpenDocument& document,
                                     const DescriptionName& name) const;

  DocumentLimits limits_;
  std::map<std::string, OpenDocument, std::less<>> open_;
  std::uint64_t opened_ = 0;
  std::size_t bytes_ = 0;  // of the open buffers' UTF-8 text
};

}  // namespace borgo::tools::lsp
