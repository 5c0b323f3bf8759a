#include "tools/lsp/edits/code_actions.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "compiler/description_format.hpp"
#include "tools/findings/compile_findings.hpp"
#include "tools/findings/nearest_key.hpp"
#include "tools/findings/source_scan.hpp"
#include "tools/lsp/diagnostics.hpp"
#include "tools/lsp/edits/nearest_letter.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::lsp {
namespace {

using compiler::Document;
using compiler::FieldLocation;
using nlohmann::json;

// A client sends the diagnostics of the range; a few hundred at most are
// looked at, and each finds its fixes among this many cell moves each way.
constexpr std::size_t kMostDiagnostics = 256;
constexpr std::int64_t kMostCellSteps = 40;
constexpr std::int64_t kCell = 50;  // metres: the grid's step

// One replacement in a document: in its compiled bytes (for the trial
// compile) and in the editor's text (for the client).
struct Replacement {
  std::size_t offset = 0;  // into the compiled bytes
  std::size_t length = 0;
  std::string bytes;  // Windows-1252, as compiled
  json range;         // the client's range of the same bytes
  std::string text;   // UTF-8
};

struct Candidate {
  std::string title;
  std::vector<Replacement> replacements;
};

// Where a compile stands: its error, its fatal error and its warnings by
// kind, enough to tell an edit that fixes from one that breaks.
struct Standing {
  std::optional<std::tuple<int, std::int32_t, std::int32_t>> error;  // document, line, column
  std::int32_t fatal = 0;
  std::map<std::pair<int, std::string_view>, std::size_t> warnings;  // by document and name
};

Standing standing_of(const compiler::Compilation& compilation,
                     const std::optional<std::string>& line,
                     const std::optional<std::string>& train) {
  Standing out;
  FindingMaker findings(compilation.outcome, *compilation.model, line, train);
  for (std::size_t i = 0; i < findings.warning_count(); ++i) {
    const int document =
        static_cast<int>(findings.warning_document(i).value_or(Document::kLineDescription));
    ++out.warnings[{document, compiler::format::warning(findings.warning_kind(i)).name}];
  }
  out.fatal = compilation.outcome.fatal;
  if (compilation.outcome.error_number != 0) {
    const std::optional<Finding> error = findings.error();
    const FieldLocation at = error && error->at ? *error->at : FieldLocation{};
    const Document document =
        error ? error->document.value_or(Document::kLineDescription) : Document::kLineDescription;
    out.error = std::make_tuple(static_cast<int>(document), at.line, at.column);
  }
  return out;
}

// Whether `after` fixes the diagnostic `code` of `document` that `before`
// has, and brings no error: an error fixed is gone, or the compile now stops
// further on; a warning fixed is fewer, and no other kind grows.
bool fixes(const Standing& before, const Standing& after, const json& code, Document document) {
  if (after.fatal != 0 && before.fatal == 0) return false;
  if (code.is_number_integer()) {
    return !after.error || (before.error && *after.error > *before.error);
  }
  if (after.error && !before.error) return false;
  const auto count = [&](const Standing& standing, const std::pair<int, std::string_view>& kind) {
    const auto it = standing.warnings.find(kind);
    return it == standing.warnings.end() ? std::size_t{0} : it->second;
  };
  for (const auto& [kind, number] : after.warnings) {
    if (number > count(before, kind)) return false;
  }
  const std::string name = code.is_string() ? code.get<std::string>() : std::string();
  const std::pair<int, std::string_view> fixed{static_cast<int>(document), name};
  // The server's own diagnostics (a letter Windows-1252 lacks) are gone by
  // the edit itself: the compile only has to stay as good.
  if (count(before, fixed) == 0) return true;
  return count(after, fixed) < count(before, fixed);
}

class Fixer {
 public:
  Fixer(const CompiledPair& compiled, Document document, PositionEncoding encoding)
      : compiled_(compiled),
        document_(document),
        text_(*compiled.text(document)),
        positions_(text_, encoding),
        utf8_lines_(text_.text),
        before_(standing_of(compiled.compilation, compiled.line_bytes, compiled.train_bytes)) {}

  // The fixes of one diagnostic the compile gives now.
  std::vector<Candidate> fixes_of(const json& diagnostic) {
    const json& start = diagnostic["range"]["start"];
    const std::optional<FieldLocation> at =
        positions_.location(start.value("line", std::int64_t{0}), start.value("character", 0));
    if (!at) return {};
    const json code = diagnostic.value("code", json());
    const std::string message = diagnostic.value("message", std::string());
    std::vector<Candidate> candidates;
    if (code == "ignored-row" || code == "unknown-key") {
      candidates = key_fixes(*at);
    } else if (code == "decimal-comma") {
      candidates = decimal_fixes(*at);
    } else if (code == "not-windows-1252") {
      candidates = letter_fixes(*at);
    } else if (message.find("is not a multiple of 50") != std::string::npos) {
      candidates = multiple_fixes(*at, 50);
    } else if (message.find("is not a multiple of 100") != std::string::npos) {
      candidates = multiple_fixes(*at, 100);
    } else if (code.is_number_integer() && is_cell_conflict(code.get<int>())) {
      return cell_moves(*at, code);  // each tried as it is found
    }
    std::erase_if(candidates, [&](const Candidate& c) { return !works(c, code); });
    return candidates;
  }

 private:
  static bool is_cell_conflict(int number) {
    return number == 6 || number == 7 || (number >= 16 && number <= 21);
  }

  // ---- where things are

  std::string_view bytes() const { return text_.bytes; }

  std::optional<std::string_view> line_bytes(std::int32_t line) const {
    return positions_.bytes_line(line);
  }
  std::size_t offset_of(std::int32_t line, std::size_t column0) const {
    const std::optional<std::string_view> view = line_bytes(line);
    if (!view) return bytes().size();
    return static_cast<std::size_t>(view->data() - bytes().data()) + column0;
  }
  json range_of(std::int32_t line, std::size_t from0, std::size_t to0) const {
    return {{"start", positions_.position(line, static_cast<std::int32_t>(from0 + 1))},
            {"end", positions_.position(line, static_cast<std::int32_t>(to0 + 1))}};
  }
  // A replacement of ASCII text within one line.
  Replacement within_line(std::int32_t line, std::size_t from0, std::size_t to0,
                          std::string ascii) const {
    return {offset_of(line, from0), to0 - from0, ascii, range_of(line, from0, to0), ascii};
  }

  // The number written from byte column `column0` of `line`: its end, and
  // its value; nullopt when there is none.
  struct Written {
    std::size_t from0 = 0;
    std::size_t to0 = 0;
    std::int64_t value = 0;
  };
  std::optional<Written> number_at(std::int32_t line, std::size_t column0) const {
    const std::optional<std::string_view> view = line_bytes(line);
    if (!view || column0 >= view->size()) return std::nullopt;
    std::size_t end = column0;
    if ((*view)[end] == '-' || (*view)[end] == '+') ++end;
    const std::size_t digits = end;
    std::int64_t value = 0;
    while (end < view->size() && (*view)[end] >= '0' && (*view)[end] <= '9' && end - digits < 12) {
      value = value * 10 + ((*view)[end] - '0');
      ++end;
    }
    if (end == digits) return std::nullopt;
    return Written{column0, end, (*view)[column0] == '-' ? -value : value};
  }

  // ---- the fixes

  // A key that matches nothing: the nearest key of its section, written
  // as the row's name, as its example writes it, or with the letters the
  // author added after it kept ("cruvad4" → "curvad4"); a row of the other
  // section of the document moved under its heading.
  std::vector<Candidate> key_fixes(FieldLocation at) {
    const ScannedDocument scanned = scan_description(bytes(), document_, true);
    const ScannedKey* key = scanned.key_at(at);
    if (key == nullptr || key->kind != ScannedKey::Kind::kUnmatched || key->text.empty()) return {};
    const KeyGuess guess = guess_key(key->text, key->section);
    if (guess.row == nullptr) return {};
    if (guess.kind == KeyGuess::Kind::kOtherSection) return move_fixes(*key, *guess.row);
    if (guess.kind == KeyGuess::Kind::kFar) return {};
    std::vector<std::string> names = {std::string(guess.row->name),
                                      std::string(example_key(*guess.row))};
    if (key->text.size() > guess.row->name.size()) {
      names.push_back(std::string(guess.row->name) + key->text.substr(guess.row->name.size()));
    }
    std::vector<Candidate> out;
    const std::size_t from0 = static_cast<std::size_t>(at.column - 1);
    for (const std::string& name : names) {
      if (name.empty() || std::any_of(out.begin(), out.end(), [&](const Candidate& c) {
            return c.replacements[0].text == name;
          })) {
        continue;
      }
      out.push_back({"Write \"" + name + "\"",
                     {within_line(at.line, from0, from0 + key->text.size(), name)}});
    }
    return out;
  }

  // The line, counted from 1, of the first heading after "[generale]" (the
  // end of the general section), and of "[generale]" itself.
  std::pair<std::optional<std::int32_t>, std::optional<std::int32_t>> headings() const {
    std::optional<std::int32_t> general;
    for (std::int32_t line = 1;; ++line) {
      const std::optional<std::string_view> view = line_bytes(line);
      if (!view) return {general, std::nullopt};
      if (!view->starts_with('[')) continue;
      if (!general) {
        if (view->starts_with("[generale]")) general = line;
      } else {
        return {general, line};
      }
    }
  }

  std::vector<Candidate> move_fixes(const ScannedKey& key, const compiler::format::RowFormat& row) {
    if (compiler::format::document_of(row.section) != document_) return {};
    const auto [general, body] = headings();
    // A general row goes at the end of the general section; a row of the
    // body right under the heading that opens it.
    std::optional<std::int32_t> to;
    std::string where;
    if (row.section == compiler::format::Section::kLineGeneral) {
      to = body;
      where = "into the general section";
    } else if (row.section == compiler::format::Section::kLineBody) {
      if (body) to = *body + 1;
      where = "under the heading after the general section";
    } else if (general) {
      to = *general + 1;
      where = "under \"[generale]\"";
    }
    const std::int32_t first = key.at.line;
    const std::int32_t last = key.last_line();
    if (!to || (*to >= first && *to <= last + 1)) return {};
    const std::string line_end = bytes().find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    // The row's lines, and the bytes from their start to the next line's.
    const std::size_t from = offset_of(first, 0);
    const std::size_t next = line_bytes(last + 1) ? offset_of(last + 1, 0) : bytes().size();
    std::string moved_bytes(bytes().substr(from, next - from));
    std::string moved_text;
    for (std::int32_t line = first; line <= last; ++line) {
      moved_text += std::string(utf8_lines_.line(line).value_or("")) + line_end;
    }
    if (!line_bytes(last + 1)) moved_bytes += line_end;
    const json end = line_bytes(last + 1) ? positions_.position(last + 1, 1)
                                          : positions_.position(last, 1 << 30);
    const json insert_at =
        line_bytes(*to) ? positions_.position(*to, 1) : positions_.position(*to - 1, 1 << 30);
    const std::size_t insert_offset = line_bytes(*to) ? offset_of(*to, 0) : bytes().size();
    Candidate candidate{"Move the \"" + std::string(row.name) + "\" row " + where, {}};
    candidate.replacements.push_back(
        {from, next - from, "", {{"start", positions_.position(first, 1)}, {"end", end}}, ""});
    candidate.replacements.push_back(
        {insert_offset, 0, moved_bytes, {{"start", insert_at}, {"end", insert_at}}, moved_text});
    return {candidate};
  }

  // A decimal comma: the number without its decimals, and rounded.
  std::vector<Candidate> decimal_fixes(FieldLocation at) {
    const std::optional<std::string_view> view = line_bytes(at.line);
    const std::size_t decimals0 = static_cast<std::size_t>(at.column - 1);
    if (!view || decimals0 < 2 || decimals0 >= view->size() || (*view)[decimals0 - 1] != ',') {
      return {};
    }
    std::size_t whole0 = decimals0 - 1;
    while (whole0 > 0 && (*view)[whole0 - 1] >= '0' && (*view)[whole0 - 1] <= '9') --whole0;
    if (whole0 == decimals0 - 1) return {};  // no number before the comma
    if (whole0 > 0 && ((*view)[whole0 - 1] == '-' || (*view)[whole0 - 1] == '+')) --whole0;
    const std::optional<Written> whole = number_at(at.line, whole0);
    std::size_t end0 = decimals0;
    while (end0 < view->size() && (*view)[end0] >= '0' && (*view)[end0] <= '9') ++end0;
    if (!whole || end0 == decimals0) return {};
    std::vector<Candidate> out;
    out.push_back({"Write " + std::to_string(whole->value) + " (without the decimals)",
                   {within_line(at.line, decimals0 - 1, end0, "")}});
    if ((*view)[decimals0] >= '5') {
      const std::int64_t rounded = whole->value + ((*view)[whole0] == '-' ? -1 : 1);
      out.push_back({"Write " + std::to_string(rounded) + " (rounded)",
                     {within_line(at.line, whole0, end0, std::to_string(rounded))}});
    }
    return out;
  }

  // A value off its grid: the nearest multiples below and above.
  std::vector<Candidate> multiple_fixes(FieldLocation at, std::int64_t step) {
    const std::optional<Written> written =
        number_at(at.line, static_cast<std::size_t>(at.column - 1));
    if (!written || written->value % step == 0) return {};
    std::int64_t below = written->value / step * step;
    if (written->value < 0) below -= step;
    std::vector<Candidate> out;
    for (const std::int64_t value : {below, below + step}) {
      out.push_back({"Write " + std::to_string(value) + " (a multiple of " + std::to_string(step) +
                         (value == below ? " below)" : " above)"),
                     {within_line(at.line, written->from0, written->to0, std::to_string(value))}});
    }
    return out;
  }

  // A feature on a held cell: the nearest positions before and after where
  // the compile records no error for it, each found by compiling.
  std::vector<Candidate> cell_moves(FieldLocation at, const json& code) {
    const std::optional<Written> written =
        number_at(at.line, static_cast<std::size_t>(at.column - 1));
    if (!written) return {};
    const auto move = [&](std::int64_t to, const char* side) {
      return Candidate{
          "Move to " + std::to_string(to) + " m (the nearest free position " + side + ")",
          {within_line(at.line, written->from0, written->to0, std::to_string(to))}};
    };
    std::optional<Candidate> before;
    std::optional<Candidate> after;
    for (std::int64_t step = 1; step <= kMostCellSteps && (!before || !after); ++step) {
      const std::int64_t down = written->value - step * kCell;
      if (!before && down >= 0) {
        Candidate candidate = move(down, "before");
        if (works(candidate, code)) before = std::move(candidate);
      }
      if (!after) {
        Candidate candidate = move(written->value + step * kCell, "after");
        if (works(candidate, code)) after = std::move(candidate);
      }
    }
    std::vector<Candidate> out;
    if (before) out.push_back(std::move(*before));
    if (after) out.push_back(std::move(*after));
    return out;
  }

  // A character Windows-1252 lacks: its nearest letter there.
  std::vector<Candidate> letter_fixes(FieldLocation at) {
    const std::optional<std::string_view> line = utf8_lines_.line(at.line);
    if (!line || text_.counted != Counted::kCharacters) return {};
    // The character at `at`: a column counts characters in a buffer.
    std::size_t i = 0;
    for (std::int32_t skipped = 1; skipped < at.column && i < line->size(); ++skipped) {
      ++i;
      while (i < line->size() && (static_cast<unsigned char>((*line)[i]) & 0xC0) == 0x80) ++i;
    }
    std::size_t end = i + 1;
    while (end < line->size() && (static_cast<unsigned char>((*line)[end]) & 0xC0) == 0x80) ++end;
    if (i >= line->size()) return {};
    const std::u32string code_points = utf32_of(line->substr(i, end - i));
    if (code_points.size() != 1) return {};
    const std::optional<std::string> letter = nearest_1252_letter(code_points[0]);
    if (!letter) return {};
    const Windows1252Text converted = windows_1252_from_utf8(*letter);
    if (!converted.text) return {};
    const auto column0 = static_cast<std::size_t>(at.column - 1);
    return {{"Write \"" + *letter + "\", which Windows-1252 holds",
             {{offset_of(at.line, column0), 1, *converted.text,
               range_of(at.line, column0, column0 + 1), *letter}}}};
  }

  static std::u32string utf32_of(std::string_view utf8) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
    if (utf8.size() == 2)
      return {static_cast<char32_t>(((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F))};
    if (utf8.size() == 3) {
      return {static_cast<char32_t>(((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) |
                                    (byte(2) & 0x3F))};
    }
    return {};
  }

  // ---- the trial

  bool works(const Candidate& candidate, const json& code) const {
    std::optional<std::string> line = compiled_.line_bytes;
    std::optional<std::string> train = compiled_.train_bytes;
    std::optional<std::string>& edited = document_ == Document::kLineDescription ? line : train;
    if (!edited) return false;
    std::vector<Replacement> order = candidate.replacements;
    std::sort(order.begin(), order.end(),
              [](const Replacement& a, const Replacement& b) { return a.offset > b.offset; });
    for (const Replacement& r : order) {
      if (r.offset + r.length > edited->size()) return false;
      edited->replace(r.offset, r.length, r.bytes);
    }
    const compiler::Compilation trial = compile_bytes(compiled_.pairing, line, train);
    return fixes(before_, standing_of(trial, line, train), code, document_);
  }

  const CompiledPair& compiled_;
  Document document_;
  const DocumentText& text_;
  PositionMap positions_;
  LineIndex utf8_lines_;
  Standing before_;
};

bool is_position(const json& position) {
  return position.is_object() && position.contains("line") &&
         position["line"].is_number_integer() && position.contains("character") &&
         position["character"].is_number_integer();
}

}  // namespace

bool is_range(const json& range) {
  return range.is_object() && range.contains("start") && is_position(range["start"]) &&
         range.contains("end") && is_position(range["end"]);
}

namespace {

bool overlaps(const json& a, const json& b) {
  const auto line = [](const json& range, const char* end) {
    return range[end].value("line", std::int64_t{0});
  };
  return line(a, "start") <= line(b, "end") && line(b, "start") <= line(a, "end");
}

}  // namespace

json quick_fixes(const CompiledPair& compiled, Document document, PositionEncoding encoding,
                 const json& range, const json& diagnostics) {
  json actions = json::array();
  if (!compiled.text(document) || !diagnostics.is_array()) return actions;
  const std::map<std::string, json> published = diagnostics_of(compiled, encoding);
  const auto mine = published.find(compiled.uri(document));
  if (mine == published.end()) return actions;
  Fixer fixer(compiled, document, encoding);
  std::size_t looked_at = 0;
  for (const json& diagnostic : diagnostics) {
    if (++looked_at > kMostDiagnostics) break;
    if (!diagnostic.is_object() || !diagnostic.contains("range") || !is_range(diagnostic["range"]))
      continue;
    // Only what the compile says now. By where it starts: an editor may
    // send the end back counted otherwise (Neovim 0.7 counts bytes).
    const bool current = std::any_of(mine->second.begin(), mine->second.end(), [&](const json& d) {
      return d["range"]["start"] == diagnostic["range"]["start"] &&
             d.value("code", json()) == diagnostic.value("code", json());
    });
    if (!current || !overlaps(diagnostic["range"], range)) continue;
    for (Candidate& candidate : fixer.fixes_of(diagnostic)) {
      json edits = json::array();
      for (Replacement& r : candidate.replacements) {
        edits.push_back({{"range", std::move(r.range)}, {"newText", std::move(r.text)}});
      }
      actions.push_back({{"title", std::move(candidate.title)},
                         {"kind", "quickfix"},
                         {"diagnostics", json::array({diagnostic})},
                         {"edit", {{"changes", {{compiled.uri(document), std::move(edits)}}}}}});
    }
  }
  return actions;
}

}  // namespace borgo::tools::lsp
