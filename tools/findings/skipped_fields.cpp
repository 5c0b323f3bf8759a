#include "tools/findings/skipped_fields.hpp"

#include <algorithm>

#include "tools/findings/nearest_key.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

namespace format = compiler::format;
using format::Said;
using format::say;

// A field's text for a message: a row of thousands of characters is not
// echoed whole.
std::string shown(std::string_view text) {
  constexpr std::size_t kLongest = 160;
  if (text.size() <= kLongest) return utf8_from_1252(text);
  return utf8_from_1252(text.substr(0, kLongest)) + "...";
}

bool unmatched(const ScannedKey& key) { return key.kind == ScannedKey::Kind::kUnmatched; }

// The row before `key` ends on `key`'s line with a text field: a comma in
// that text ended it early.
bool ends_with_text_on(const ScannedKey& row, const ScannedKey& key) {
  return row.kind == ScannedKey::Kind::kRow && !row.fields_skipped && !row.fields.empty() &&
         row.fields.back().field->type == format::ValueType::kText &&
         row.fields.back().at.line == key.at.line;
}

std::string quoted_list(const ScannedDocument& scanned, std::size_t first, std::size_t last) {
  constexpr std::size_t kLongest = 160;
  std::string out;
  for (std::size_t i = first; i <= last; ++i) {
    if (scanned.keys[i].text.empty()) continue;
    if (out.size() > kLongest) return out + ", ...";
    if (!out.empty()) out += ", ";
    out += shown(scanned.keys[i].text);
  }
  return out;
}

// The row's title without its article, "station"; empty for a setting ("the ...").
std::string_view thing_of(const format::RowFormat& row) {
  for (const std::string_view article : {"a ", "an "}) {
    if (row.title.starts_with(article)) return row.title.substr(article.size());
  }
  return {};
}

// What the scenario lacks for an ignored row meant as `row`: its feature at
// the position of its first value, or its setting.
std::string lost_as(const format::RowFormat& row, const ScannedDocument& scanned,
                    const SkippedRun& run) {
  const std::string_view thing = thing_of(row);
  if (thing.empty()) return say(Said::kLostSetting, {{"setting", row.title}});
  const bool positioned = !row.fields.empty() && row.fields.front().cell != format::CellRule::kNone;
  const ScannedKey* value = run.first < run.last ? &scanned.keys[run.first + 1] : nullptr;
  if (positioned && value != nullptr && number_like(value->text)) {
    return say(Said::kLostFeatureAt, {{"thing", thing}, {"position", shown(value->text)}});
  }
  return say(Said::kLostFeature, {{"thing", thing}});
}

std::string lost_values(const ScannedDocument& scanned, const SkippedRun& run, std::size_t first) {
  std::size_t count = 0;
  for (std::size_t i = first; i <= run.last; ++i) count += !scanned.keys[i].text.empty();
  return say(Said::kLostValues, {{"count", std::to_string(count)},
                                 {"line", std::to_string(scanned.keys[run.first].at.line)}});
}

std::string ignored_row_message(const ScannedDocument& scanned, const SkippedRun& run) {
  const ScannedKey& key = scanned.keys[run.first];
  const std::string text = shown(key.text);
  if (number_like(key.text)) {
    return say(Said::kRowWithoutKey,
               {{"key", text}, {"lost", lost_values(scanned, run, run.first)}});
  }
  const KeyGuess guess = guess_key(key.text, key.section);
  const std::string_view section = format::section_words(key.section);
  switch (guess.kind) {
    case KeyGuess::Kind::kOtherSection:
      return say(Said::kKeyOfAnotherSection, {{"key", text},
                                              {"home", format::section_words(guess.row->section)},
                                              {"section", section},
                                              {"place", format::section_place(guess.row->section)},
                                              {"lost", lost_as(*guess.row, scanned, run)}});
    case KeyGuess::Kind::kLetterCase:
      return say(Said::kKeyInOtherLetterCase,
                 {{"key", text},
                  {"nearest", shown(compiler::LoweredKey(key.text).text())},
                  {"lost", lost_as(*guess.row, scanned, run)}});
    case KeyGuess::Kind::kNear:
      return say(Said::kMisspeltKey, {{"key", text},
                                      {"section", section},
                                      {"nearest", guess.row->name},
                                      {"lost", lost_as(*guess.row, scanned, run)}});
    case KeyGuess::Kind::kFar:
      break;
  }
  return say(
      Said::kUnknownRowKey,
      {{"key", text}, {"section", section}, {"lost", lost_values(scanned, run, run.first + 1)}});
}

std::string lone_key_message(const ScannedDocument& scanned, const SkippedRun& run) {
  const ScannedKey& key = scanned.keys[run.first];
  const std::string text = shown(key.text);
  const KeyGuess guess = guess_key(key.text, key.section);
  const std::string_view section = format::section_words(key.section);
  switch (guess.kind) {
    case KeyGuess::Kind::kOtherSection:
      return say(Said::kLoneKeyOfAnotherSection,
                 {{"key", text},
                  {"home", format::section_words(guess.row->section)},
                  {"section", section},
                  {"place", format::section_place(guess.row->section)}});
    case KeyGuess::Kind::kLetterCase:
      return say(Said::kLoneKeyInOtherLetterCase,
                 {{"key", text}, {"nearest", shown(compiler::LoweredKey(key.text).text())}});
    case KeyGuess::Kind::kNear:
      return say(Said::kLoneMisspeltKey,
                 {{"key", text}, {"section", section}, {"nearest", guess.row->name}});
    case KeyGuess::Kind::kFar:
      break;
  }
  return "\"" + text + "\" matches no key and is skipped";
}

std::string cut_text_message(const ScannedDocument& scanned, const SkippedRun& run) {
  const ScannedKey& row = scanned.keys[run.row];
  const ScannedField& text = row.fields.back();
  const std::string kept = shown(text.text);
  const std::string rest = quoted_list(scanned, run.first, run.last);
  return say(Said::kCommaEndsText, {{"row", text.row->name},
                                    {"field", "field \"" + std::string(text.field->name) + "\""},
                                    {"text", kept},
                                    {"rest", rest},
                                    {"quoted", "\"" + kept + ", " + rest + "\""}});
}

}  // namespace

bool number_like(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

SkippedFields::SkippedFields(const ScannedDocument& scanned)
    : run_of_key_(scanned.keys.size(), -1) {
  const std::vector<ScannedKey>& keys = scanned.keys;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const ScannedKey& key = keys[i];
    if (!unmatched(key)) continue;
    const ScannedKey* previous = i > 0 ? &keys[i - 1] : nullptr;
    const bool same_line = previous != nullptr && previous->last_line() == key.at.line;
    // A field after a run's last on the same line goes on with it.
    if (same_line && run_of_key_[i - 1] >= 0 && key.dashed.empty()) {
      SkippedRun& run = runs_[static_cast<std::size_t>(run_of_key_[i - 1])];
      run.last = i;
      if (run.kind == SkippedRun::Kind::kLoneKey && !key.text.empty()) {
        run.kind = SkippedRun::Kind::kIgnoredRow;
      }
      run_of_key_[i] = run_of_key_[i - 1];
      continue;
    }
    if (key.text.empty()) continue;
    SkippedRun run{.first = i, .last = i};
    if (same_line && ends_with_text_on(*previous, key)) {
      run.kind = SkippedRun::Kind::kCutText;
      run.row = i - 1;
    } else if (!number_like(key.text)) {
      run.kind = SkippedRun::Kind::kLoneKey;  // a row once values follow it
    } else if (same_line) {
      continue;  // a value past a row's last, or the decimals of a decimal comma
    }
    run_of_key_[i] = static_cast<std::int32_t>(runs_.size());
    runs_.push_back(run);
  }
}

const SkippedRun* SkippedFields::run_of(std::size_t index) const {
  if (index >= run_of_key_.size() || run_of_key_[index] < 0) return nullptr;
  return &runs_[static_cast<std::size_t>(run_of_key_[index])];
}

std::string skipped_run_message(const ScannedDocument& scanned, const SkippedRun& run) {
  switch (run.kind) {
    case SkippedRun::Kind::kIgnoredRow:
      return ignored_row_message(scanned, run);
    case SkippedRun::Kind::kLoneKey:
      return lone_key_message(scanned, run);
    case SkippedRun::Kind::kCutText:
      return cut_text_message(scanned, run);
  }
  return {};
}

}  // namespace borgo::tools
