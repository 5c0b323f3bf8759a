#include "tools/lsp/documents.hpp"

#include <algorithm>
#include <system_error>
#include <utility>

#include "compiler/file_names.hpp"
#include "compiler/route_model.hpp"
#include "compiler/utf8_text.hpp"
#include "storage/file_error.hpp"
#include "storage/read_file.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::lsp {
namespace {

namespace fs = std::filesystem;

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX decoded; nullopt for a malformed escape.
std::optional<std::string> percent_decoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hex_value(text[i + 1]);
    const int low = hex_value(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

// A file name for a URI: everything but the unreserved characters escaped.
std::string percent_encoded(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

fs::path path_from_utf8(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

compiler::RouteModel names_model(std::string line, std::string train) {
  compiler::RouteModel model;
  model.line_name = std::move(line);
  model.train_name = std::move(train);
  return model;
}

// A train description's name is LINE + separator + TRAIN + suffix.
struct TrainNameShape {
  std::string separator;
  std::string suffix;
};

TrainNameShape train_name_shape() {
  const std::string probe = compiler::train_description_name(names_model("\x01", "\x02"));
  const std::size_t line_end = probe.find('\x01') + 1;
  const std::size_t train_at = probe.find('\x02');
  return {probe.substr(line_end, train_at - line_end), probe.substr(train_at + 1)};
}

bool same_path(const fs::path& a, const fs::path& b) {
  return a.lexically_normal() == b.lexically_normal();
}

}  // namespace

std::optional<fs::path> path_of_uri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size()) return std::nullopt;
  std::string scheme(uri.substr(0, kScheme.size()));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  if (scheme != kScheme) return std::nullopt;
  std::string_view rest = uri.substr(kScheme.size());
  rest = rest.substr(0, rest.find_first_of("?#"));
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view authority = rest.substr(0, slash);
  const std::optional<std::string> decoded = percent_decoded(rest.substr(slash));
  if (!decoded || decoded->find('\0') != std::string::npos) return std::nullopt;
  std::string path = *decoded;
#ifdef _WIN32
  // file:///C:/folder names C:/folder; file://server/share a share.
  if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
  if (!authority.empty() && authority != "localhost") path = "//" + std::string(authority) + path;
#else
  if (!authority.empty() && authority != "localhost") return std::nullopt;
#endif
  return path_from_utf8(path);
}

std::string file_name_of_uri(std::string_view uri) {
  std::string_view path = uri.substr(0, uri.find_first_of("?#"));
  const std::size_t slash = path.rfind('/');
  if (slash != std::string_view::npos) path = path.substr(slash + 1);
  return percent_decoded(path).value_or(std::string(path));
}

std::string uri_beside(std::string_view uri, std::string_view file_name) {
  std::string_view path = uri.substr(0, uri.find_first_of("?#"));
  const std::size_t slash = path.rfind('/');
  return std::string(path.substr(0, slash + 1)) + percent_encoded(file_name);
}

std::vector<DescriptionName> description_names(std::string_view file_name) {
  std::vector<DescriptionName> names;
  const std::string line_suffix = compiler::line_description_name(names_model("", ""));
  if (file_name.size() > line_suffix.size() && file_name.ends_with(line_suffix)) {
    const std::string line(file_name.substr(0, file_name.size() - line_suffix.size()));
    if (compiler::line_description_name(names_model(line, "")) == file_name) {
      names.push_back({compiler::Document::kLineDescription, line, ""});
    }
    return names;
  }
  static const TrainNameShape shape = train_name_shape();
  if (shape.separator.empty() || !file_name.ends_with(shape.suffix)) return names;
  const std::string_view stem = file_name.substr(0, file_name.size() - shape.suffix.size());
  for (std::size_t at = stem.find(shape.separator); at != std::string_view::npos;
       at = stem.find(shape.separator, at + 1)) {
    const std::string line(stem.substr(0, at));
    const std::string train(stem.substr(at + shape.separator.size()));
    if (line.empty() || train.empty()) continue;
    if (compiler::train_description_name(names_model(line, train)) == file_name) {
      names.push_back({compiler::Document::kTrainDescription, line, train});
    }
  }
  return names;
}

std::string file_name_of(const DescriptionName& name) {
  const compiler::RouteModel model = names_model(name.line, name.train);
  return name.document == compiler::Document::kLineDescription
             ? compiler::line_description_name(model)
             : compiler::train_description_name(model);
}

DocumentText buffer_text(std::string utf8) {
  Windows1252Copy copy = windows_1252_copy(utf8);
  return {std::move(utf8), std::move(copy.text), Counted::kCharacters, copy.unheld,
          copy.first_unheld};
}

DocumentText disk_text(std::string bytes) {
  // A document saved as UTF-8 reaches the editor as UTF-8; the compile reads
  // its bytes as they are, and warns.
  const bool beyond_ascii = std::any_of(
      bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (beyond_ascii && compiler::decode_utf8(bytes)) {
    std::string text = bytes;
    return {std::move(text), std::move(bytes), Counted::kBytes};
  }
  std::string text = utf8_from_1252(bytes);
  return {std::move(text), std::move(bytes), Counted::kCharacters};
}

bool Documents::open(const std::string& uri, std::string utf8, std::int64_t version) {
  const auto it = open_.find(uri);
  const std::size_t replaced = it != open_.end() ? it->second.text.text.size() : 0;
  const std::size_t others = open_.size() - (it != open_.end() ? 1 : 0);
  if (others >= limits_.most_documents || utf8.size() > limits_.most_bytes - (bytes_ - replaced)) {
    return false;
  }
  bytes_ = bytes_ - replaced + utf8.size();
  OpenDocument& document = open_[uri];
  document.uri = uri;
  document.path = path_of_uri(uri);
  document.text = buffer_text(std::move(utf8));
  document.version = version;
  document.opened = ++opened_;
  return true;
}

Documents::Change Documents::change(const std::string& uri, std::string utf8,
                                    std::int64_t version) {
  const auto it = open_.find(uri);
  if (it == open_.end()) return Change::kNotOpen;
  const std::size_t others = bytes_ - it->second.text.text.size();
  if (utf8.size() > limits_.most_bytes - others) {
    // Kept as it was, it would no longer be the editor's text.
    bytes_ = others;
    open_.erase(it);
    return Change::kTooLarge;
  }
  bytes_ = others + utf8.size();
  it->second.text = buffer_text(std::move(utf8));
  it->second.version = version;
  return Change::kChanged;
}

bool Documents::close(const std::string& uri) {
  const auto it = open_.find(uri);
  if (it == open_.end()) return false;
  bytes_ -= it->second.text.text.size();
  open_.erase(it);
  return true;
}

const OpenDocument* Documents::find(std::string_view uri) const {
  const auto it = open_.find(uri);
  return it != open_.end() ? &it->second : nullptr;
}

const OpenDocument* Documents::open_at(const fs::path& path) const {
  for (const auto& [uri, document] : open_) {
    if (document.path && same_path(*document.path, path)) return &document;
  }
  return nullptr;
}

std::optional<DocumentText> Documents::text_at(const fs::path& path) const {
  if (const OpenDocument* document = open_at(path)) return document->text;
  std::error_code failed;
  if (!fs::is_regular_file(path, failed)) return std::nullopt;
  try {
    return disk_text(storage::read_file(path));
  } catch (const storage::FileError&) {
    return std::nullopt;  // gone since, or not a file to read
  }
}

std::optional<Pairing> Documents::train_pairing(const OpenDocument& document) const {
  const std::vector<DescriptionName> names = description_names(file_name_of_uri(document.uri));
  if (names.empty() || names.front().document != compiler::Document::kTrainDescription) {
    return std::nullopt;
  }
  // The split whose line description is there, the longest line name first.
  const DescriptionName* chosen = &names.back();
  const fs::path folder = document.path ? document.path->parent_path() : fs::path();
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    const fs::path line_path = folder / path_from_utf8(file_name_of({it->document, it->line, ""}));
    std::error_code failed;
    if (open_at(line_path) != nullptr || fs::exists(line_path, failed)) {
      chosen = &*it;
      break;
    }
  }
  Pairing pairing;
  pairing.line = {compiler::Document::kLineDescription, chosen->line, ""};
  pairing.line_path = folder / path_from_utf8(file_name_of(pairing.line));
  const OpenDocument* line = open_at(pairing.line_path);
  pairing.line_uri =
      line != nullptr ? line->uri : uri_beside(document.uri, file_name_of(pairing.line));
  pairing.train = *chosen;
  pairing.train_uri = document.uri;
  pairing.train_path = document.path.value_or(fs::path());
  return pairing;
}

std::vector<Pairing> Documents::line_pairings(const OpenDocument& document,
                                              const DescriptionName& name) const {
  const fs::path folder = document.path ? document.path->parent_path() : fs::path();
  Pairing base;
  base.line = name;
  base.line_uri = document.uri;
  base.line_path = document.path.value_or(fs::path());
  // The last of its trains opened, when one is open.
  const OpenDocument* last = nullptr;
  for (const auto& [uri, other] : open_) {
    if (other.opened <= (last != nullptr ? last->opened : 0)) continue;
    const std::optional<Pairing> pairing = train_pairing(other);
    if (pairing && pairing->line_uri == document.uri) last = &other;
  }
  if (last != nullptr) return {*train_pairing(*last)};
  // Else each train beside it on disk, a bounded number of them.
  std::vector<Pairing> pairings;
  std::error_code failed;
  fs::directory_iterator entries(folder, failed);
  std::size_t seen = 0;
  std::vector<std::string> trains;
  for (; !failed && entries != fs::directory_iterator() && seen < kMostFolderEntries;
       entries.increment(failed), ++seen) {
    const std::string file_name = utf8_of(entries->path().filename());
    for (const DescriptionName& train : description_names(file_name)) {
      if (train.document == compiler::Document::kTrainDescription && train.line == name.line) {
        trains.push_back(train.train);
      }
    }
  }
  std::sort(trains.begin(), trains.end());
  trains.erase(std::unique(trains.begin(), trains.end()), trains.end());
  if (trains.size() > kMostTrains) trains.resize(kMostTrains);
  for (const std::string& train : trains) {
    Pairing pairing = base;
    pairing.train = DescriptionName{compiler::Document::kTrainDescription, name.line, train};
    const std::string file_name = file_name_of(*pairing.train);
    pairing.train_path = folder / path_from_utf8(file_name);
    pairing.train_uri = uri_beside(document.uri, file_name);
    pairings.push_back(std::move(pairing));
  }
  if (pairings.empty()) pairings.push_back(base);
  return pairings;
}

std::vector<Pairing> Documents::pairings_of(const OpenDocument& document) const {
  if (!document.path) return {};
  const std::vector<DescriptionName> names = description_names(file_name_of_uri(document.uri));
  if (names.empty()) return {};
  if (names.front().document == compiler::Document::kLineDescription) {
    return line_pairings(document, names.front());
  }
  const std::optional<Pairing> pairing = train_pairing(document);
  if (!pairing) return {};
  return {*pairing};
}

}  // namespace borgo::tools::lsp
