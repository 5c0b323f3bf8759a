// The embedded scenario: sizes, counts and the rows its documents must hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "documents/documents.hpp"

namespace borgo::documents {
namespace {

std::vector<std::string_view> lines_of(const LineTable& table) {
  std::vector<std::string_view> lines;
  for (std::string_view line : table) {
    if (line == kEndMarker) break;
    lines.push_back(line);
  }
  return lines;
}

std::string_view key_of(std::string_view line) {
  const auto comma = line.find(',');
  std::string_view key = line.substr(0, comma);
  while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
  return key;
}

struct DocumentSize {
  const char* name;
  const LineTable& (*table)();
  std::size_t lines;
  std::size_t bytes;
  std::size_t empty_lines;
};

const DocumentSize kSizes[] = {
    {"line description", &line_description, 537, 16209, 0},
    {"train description", &train_description, 376, 17544, 1},
    {"train sheet", &train_sheet, 200, 15711, 12},
    {"slow-down order", &slow_down_order, 46, 3279, 3},
    {"notes", &notes, 61, 5485, -1u},
};

TEST(ScenarioDocuments, HaveTheirLineCountsSizesAndEmptyLines) {
  for (const DocumentSize& doc : kSizes) {
    SCOPED_TRACE(doc.name);
    const auto lines = lines_of(doc.table());
    EXPECT_EQ(lines.size(), doc.lines);
    EXPECT_EQ(render_lines(doc.table()).size(), doc.bytes);
    if (doc.empty_lines != -1u) {
      EXPECT_EQ(static_cast<std::size_t>(std::count(lines.begin(), lines.end(), "")),
                doc.empty_lines);
    }
    for (std::string_view line : lines) EXPECT_EQ(line.find('\t'), std::string_view::npos);
  }
}

std::map<std::string, int> count_keys(const LineTable& table) {
  std::map<std::string, int> counts;
  for (std::string_view line : lines_of(table)) ++counts[std::string(key_of(line))];
  return counts;
}

TEST(ScenarioDocuments, LineDescriptionHoldsEveryRowKindInItsCount) {
  const auto counts = count_keys(line_description());
  const std::map<std::string, int> expected = {
      {"curvas1", 14},  {"curvas2", 18},         {"curvas3", 22},
      {"curvas4", 30},  {"curvas5", 12},         {"curvad1", 7},
      {"curvad2", 8},   {"curvad3", 25},         {"curvad4", 20},
      {"curvad5", 13},  {"curvad6", 4},          {"pendenza", 251},
      {"montagna", 15}, {"indicatori_vmax", 64}, {"cartello_indicatore", 19},
  };
  for (const auto& [key, count] : expected) {
    EXPECT_EQ(counts.count(key) ? counts.at(key) : 0, count) << key;
  }
}

TEST(ScenarioDocuments, TrainDescriptionHoldsEveryRowKindInItsCount) {
  const auto counts = count_keys(train_description());
  const std::map<std::string, int> expected = {
      {"aderenza", 16},     {"velocita", 43}, {"stazione", 45},
      {"rallentamento", 2}, {"segnale", 179}, {"abbattimento", 78},
  };
  for (const auto& [key, count] : expected) {
    EXPECT_EQ(counts.count(key) ? counts.at(key) : 0, count) << key;
  }
}

bool holds_line(const LineTable& table, std::string_view wanted) {
  const auto lines = lines_of(table);
  return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

TEST(ScenarioDocuments, HoldTheirFixedRowsExactly) {
  const std::string_view line_rows[] = {
      "[generale]",
      "[curve]",
      "[pendenze]",
      "[montagne]",
      "[cartelli]",
      "[indicazioni]",
      "[fine]",
      "lunghezza percorso,    334000",
      "progressiva chilometrica uno,    31100,    3050,    0",
      "progressiva chilometrica due,    284500,    -284500,    0",
      "progressiva chilometrica tre,    315950,    412050,    1",
      "sfondo uno,    1",
      "sfondo due,    0",
      "sfondo tre,    0",
      "ripetizione segnali 9 codici,    8000,    330700",
  };
  for (std::string_view row : line_rows) EXPECT_TRUE(holds_line(line_description(), row)) << row;
  const std::string_view train_rows[] = {
      "[generale]",
      "[aderenze]",
      "[vel_limite]",
      "[stazioni]",
      "[rallentamenti]",
      "[segnali]",
      "[codici]",
      "[fine]",
      "numero vetture,    12",
      "percentuale massa frenata,    130",
      "sabbia,    180",
      "orologio,    14              25            30 ",
      "rallentamento,  140400,    60,  600, 0,  1,  60",
      "rallentamento,  288900,    60,  900, 0,  0,  60",
  };
  for (std::string_view row : train_rows) EXPECT_TRUE(holds_line(train_description(), row)) << row;
}

TEST(ScenarioDocuments, DescriptionsCloseWithTheEndSection) {
  EXPECT_EQ(lines_of(line_description()).back(), "[fine]");
  EXPECT_EQ(lines_of(train_description()).back(), "[fine]");
}

TEST(ScenarioDocuments, TrainSheetBodyBarsStandInTheSameColumnsOnEveryPage) {
  // A body line: a blank, then eight cells of widths 5 5 9 1 22 19 5 7 between bars.
  const std::vector<std::size_t> bars = {1, 7, 13, 23, 25, 48, 68, 74, 82};
  int body_lines = 0;
  for (std::string_view line : lines_of(train_sheet())) {
    std::string_view trimmed = line;
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
    if (trimmed.size() != 83 || trimmed[0] != ' ') continue;
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
      if (trimmed[i] == '|') found.push_back(i);
    }
    if (found.size() != bars.size()) continue;
    ++body_lines;
    EXPECT_EQ(found, bars) << line;
  }
  EXPECT_GE(body_lines, 4 * 32);
}

TEST(ScenarioDocuments, SlowDownOrderTableLinesAreAll82Characters) {
  int table_lines = 0;
  for (std::string_view line : lines_of(slow_down_order())) {
    if (std::count(line.begin(), line.end(), '|') == 7) {
      ++table_lines;
      EXPECT_EQ(line.size(), 82u) << line;
    }
  }
  EXPECT_EQ(table_lines, 4 + 26 + 1);  // headings, entries, bottom rule
}

TEST(ScenarioDocuments, NotesKeepAccentedLettersAsSingleBytes) {
  const std::string notes_text = render_lines(notes());
  for (char letter : {'\xE0', '\xE8', '\xF2', '\xF9'}) {
    EXPECT_NE(notes_text.find(letter), std::string::npos) << static_cast<int>(letter);
  }
  EXPECT_EQ(notes_text.find("\xC3"), std::string::npos) << "UTF-8 sequence in the notes";
}

}  // namespace
}  // namespace borgo::documents
