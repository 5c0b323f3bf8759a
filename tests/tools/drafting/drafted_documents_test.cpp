// Small scenarios drafted and read back by the layouts alone: what the
// driver finds in the slow-down order and on the train sheet.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "tests/tools/drafting/service_document_reader.hpp"
#include "tools/drafting/route_facts.hpp"
#include "tools/drafting/sheet_settings.hpp"
#include "tools/drafting/slow_down_order.hpp"
#include "tools/drafting/train_sheet.hpp"

namespace borgo::tools::drafting {
namespace {

using testing::OrderEntry;
using testing::read_order;
using testing::read_sheet;
using testing::SheetPage;

std::string crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string line_description(std::int64_t length, const std::string& progressive = "") {
  return crlf({"[generale]", "lunghezza percorso,    " + std::to_string(length), progressive,
               "sfondo uno,    1", "[fine]"});
}

struct Station {
  std::int64_t position;
  std::string name;
  int minutes;  // past 8.00
};

struct SlowDown {
  std::int64_t position;
  int speed;
  int length;
};

std::string train_description(const std::vector<std::string>& speeds,
                              const std::vector<Station>& stations,
                              const std::vector<SlowDown>& slow_downs) {
  std::vector<std::string> lines{"[generale]",
                                 "numero vetture,    6",
                                 "percentuale massa frenata,    120",
                                 "sabbia,    100",
                                 "orologio,    8              15            0",
                                 "[aderenze]",
                                 "aderenza,    0,    70",
                                 "[vel_limite]"};
  for (const std::string& speed : speeds) lines.push_back("velocita,  " + speed);
  lines.push_back("[stazioni]");
  for (const Station& s : stations) {
    const std::string shape = s.position == 0 ? "8,  500,  1" : "12,  400,  0";
    lines.push_back("stazione,  " + std::to_string(s.position) + ", " + shape +
                    ", 0, 0,  1,1,0,  3,1,1,    1,  " + std::to_string(8 + s.minutes / 60) + "," +
                    std::to_string(s.minutes % 60) + ", 0, " + s.name);
  }
  lines.push_back("[rallentamenti]");
  for (const SlowDown& s : slow_downs) {
    lines.push_back("rallentamento,  " + std::to_string(s.position) + ", " +
                    std::to_string(s.speed) + ", " + std::to_string(s.length) + ", 0,  1,  " +
                    std::to_string(s.speed));
  }
  lines.push_back("[fine]");
  return crlf(lines);
}

// A body line that is not a blank spacer: what the driver reads on it.
struct ReadLine {
  std::string speed;
  std::string progressive;  // the whole cell
  std::string mark;
  std::string name;
  std::string timetable;
  bool operator==(const ReadLine&) const = default;
};

void PrintTo(const ReadLine& l, std::ostream* os) {
  *os << "{" << l.speed << "|" << l.progressive << "|" << l.mark << "|" << l.name << "|"
      << l.timetable << "}";
}

// The sheet's lines in route order: each page after the first opens with the
// line the page before closed with, read once.
std::vector<ReadLine> route_lines(const std::vector<SheetPage>& pages) {
  std::vector<ReadLine> lines;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    for (std::size_t i = 0; i < pages[p].lines.size(); ++i) {
      const testing::SheetLine& line = pages[p].lines[i];
      // The bottom rule draws blanks as underscores (a stretch's opening
      // "_" reads as a blank there).
      std::string progressive = line.progressive;
      std::string mark = line.mark;
      if (i + 1 == pages[p].lines.size()) {
        for (char& c : progressive) c = c == '_' ? ' ' : c;
        if (mark == "_") mark = " ";
      }
      ReadLine read{line.speed, progressive, mark, line.name, line.timetable};
      if (p > 0 && i == 0) {
        EXPECT_EQ(read.name, lines.empty() ? "" : lines.back().name) << "page " << p + 1;
        continue;
      }
      if (read.speed.empty() && testing::trim(read.progressive).empty() && read.name.empty()) {
        continue;
      }
      lines.push_back(read);
    }
  }
  return lines;
}

struct Case {
  const char* name;
  std::string line;
  std::string train;
  std::string settings;
  std::vector<OrderEntry> order;
  std::vector<ReadLine> sheet;
  std::size_t pages = 1;
  std::string note;  // a note of the drafts holds this; empty: no note
};

const std::vector<Station> kThreeStations{
    {0, "Alfa", 15}, {9000, "Beta", 22}, {18000, "Gamma", 30}};

std::vector<Case> cases() {
  std::vector<Case> all;
  all.push_back({"slow-downs between stations and inside one",
                 line_description(20000),
                 train_description({"0, 60", "1000, 100"}, kThreeStations,
                                   {{4000, 60, 600}, {8850, 30, 100}}),
                 "",
                 {{"1", "Alfa - Beta", "4.000", "60", "600"}, {"2", "Beta", "8.000", "30", "100"}},
                 {{"60", "   0.000 ", " ", "Alfa", "8.15"},
                  {"100", "   1.000 ", " ", "", ""},
                  {"", "   9.000 ", " ", "Beta", "8.22"},
                  {"", "  18.000 ", " ", "Gamma", "8.30"}},
                 1,
                 ""});
  all.push_back({"a progressive change",
                 line_description(20000, "progressiva chilometrica uno,    6100,    3050,    0"),
                 train_description({"0, 60", "12000, 100"}, kThreeStations, {{14000, 60, 300}}),
                 "",
                 {{"1", "Beta - Gamma", "17.000", "60", "300"}},
                 {{"60", "   0.000 ", " ", "Alfa", "8.15"},
                  {"", "   6.100/", " ", "", ""},
                  {"", "  12.050 ", " ", "Beta", "8.22"},
                  {"100", "  15.050 ", " ", "", ""},
                  {"", "  21.050 ", " ", "Gamma", "8.30"}},
                 1,
                 ""});
  all.push_back({"settings: shown names, a stop, two-way working, a kilometre post",
                 line_description(20000),
                 train_description({"0, 60"}, kThreeStations, {}),
                 crlf({"nome, Alfa, ALFA C.LE", "sosta, Beta, 2", "banalizzato, Alfa, Gamma",
                       "cippo, 5000", "riga vuota, 5000"}),
                 {},
                 {{"60", "   0.000 ", "_", "ALFA C.LE", "8.15"},
                  {"", "   5.000 ", "/", "Cippo Km 5.000", ""},
                  {"", "   9.000 ", "/", "Beta", "8.20    8.22 ( 2)"},
                  {"", "  18.000 ", "-", "Gamma", "8.30"}},
                 1,
                 ""});
  const std::string long_name = "Stazione Dal Nome Molto Lungo Davvero";
  all.push_back(
      {"a station name longer than its cells",
       line_description(20000),
       train_description({"0, 60"}, {{0, "Alfa", 15}, {9000, long_name, 22}}, {{4000, 60, 600}}),
       "",
       {{"1", ("Alfa - " + long_name).substr(0, 28), "4.000", "60", "600"}},
       {{"60", "   0.000 ", " ", "Alfa", "8.15"},
        {"", "   9.000 ", " ", long_name.substr(0, 22), "8.22"}},
       1,
       "is cut to 22 characters"});

  // More stations than a page holds and more slow-downs than the order's
  // table: more pages and more entry lines, no row lost.
  Case many{"many stations and slow-downs", line_description(81000), "", "", {}, {}, 2, ""};
  std::vector<Station> stations;
  std::vector<SlowDown> slow_downs;
  for (int n = 0; n < 40; ++n) {
    stations.push_back({n * 2000, "S" + std::to_string(n), n});
    const std::string progressive = std::to_string(n * 2) + ".000 ";
    many.sheet.push_back(
        {n == 0 ? "60" : "", std::string(9 - progressive.size(), ' ') + progressive, " ",
         "S" + std::to_string(n),
         std::to_string(8 + n / 60) + "." + (n < 10 ? "0" : "") + std::to_string(n % 60)});
    if (n < 30) {
      // 600 m past each station, its warning board clear of the one before.
      slow_downs.push_back({n * 2000 + 600, 50, 100});
      many.order.push_back({std::to_string(n + 1),
                            "S" + std::to_string(n) + " - S" + std::to_string(n + 1),
                            std::to_string(n * 2) + ".000", "50", "100"});
    }
  }
  many.sheet.back().timetable = "8.39";
  many.train = train_description({"0, 60"}, stations, slow_downs);
  all.push_back(std::move(many));
  return all;
}

TEST(DraftedDocuments, ReadBackByTheirLayouts) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const compiler::Compilation compilation = compiler::compile({.line_name = "L",
                                                                 .train_name = "T 1",
                                                                 .line_description = c.line,
                                                                 .train_description = c.train});
    ASSERT_EQ(compilation.outcome.error_number, 0) << compilation.outcome.report.error_detail;
    const std::optional<RouteFacts> facts = RouteFacts::of(compilation);
    ASSERT_TRUE(facts.has_value());
    const SettingsReading settings = read_sheet_settings(c.settings);
    ASSERT_TRUE(settings.diagnostics.empty()) << settings.diagnostics.front().message;

    const Draft order = draft_slow_down_order(*facts, settings.settings, "Linea_Uno", "T 1");
    const testing::ReadOrder read = read_order(order.bytes);
    EXPECT_EQ(read.line_heading, "Linea  Linea-Uno");
    EXPECT_EQ(read.train_line,
              "Si ordina al macchinista del treno T 1 di effettuare i seguenti rallentamenti:");
    EXPECT_EQ(read.entries, c.order);
    EXPECT_EQ(read.entry_lines, std::max<std::size_t>(kOrderEntryLines, c.order.size()));

    const Draft sheet = draft_train_sheet(*facts, settings.settings, "T 1");
    const std::vector<SheetPage> pages = read_sheet(sheet.bytes);
    ASSERT_EQ(pages.size(), c.pages);
    for (std::size_t p = 0; p < pages.size(); ++p) {
      EXPECT_EQ(pages[p].title,
                "Scheda n\xb0 " + std::to_string(p + 1) + "/" + std::to_string(c.pages));
      EXPECT_EQ(pages[p].lines.size(), kSheetBodyLines);
      EXPECT_EQ(pages[p].from, pages[p].lines.front().name);
    }
    EXPECT_EQ(route_lines(pages), c.sheet);

    std::string notes;
    for (const Draft* draft : {&order, &sheet}) {
      for (const std::string& note : draft->notes) notes += note + "\n";
    }
    if (c.note.empty()) {
      EXPECT_EQ(notes, "");
    } else {
      EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
    }
  }
}

}  // namespace
}  // namespace borgo::tools::drafting
