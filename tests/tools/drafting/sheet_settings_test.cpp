// The sheet settings: rows read as the descriptions are, a fault pointed at
// by line and column and its row left out, the rows around it kept.
#include "tools/drafting/sheet_settings.hpp"

#include <gtest/gtest.h>

#include <string>

namespace borgo::tools::drafting {
namespace {

TEST(SheetSettings, AFaultyRowIsPointedAtAndLeftOut) {
  struct Case {
    const char* row;
    std::int32_t column;
    const char* says;
  };
  const Case cases[] = {
      {"colore, rosso", 1, "unknown key \"colore\""},
      {"sostaa, Beta, 2", 1, "did you mean \"sosta\"?"},
      {"sosta, Beta, 0", 14, "the stop's minutes \"0\""},
      {"sosta, Beta, 1.25", 14, "the stop's minutes \"1.25\""},
      {"cippo, 12a", 8, "the position \"12a\" is no whole number"},
      {"riga vuota, 100, 40", 18, "the count \"40\" is no whole number from 1 to 32"},
      {"treno", 6, "the row lacks its train number"},
      {"treno, 903, 904", 13, "more values than \"treno\" takes"},
      {"nome, Beta", 11, "the row lacks its name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    const std::string bytes =
        "; a comment\r\ncategoria, IC\r\n" + std::string(c.row) + "\r\nrango, V200C\r\n";
    const SettingsReading reading = read_sheet_settings(bytes);
    ASSERT_EQ(reading.diagnostics.size(), 1u);
    EXPECT_EQ(reading.diagnostics[0].at.line, 3);
    EXPECT_EQ(reading.diagnostics[0].at.column, c.column);
    EXPECT_NE(reading.diagnostics[0].message.find(c.says), std::string::npos)
        << reading.diagnostics[0].message;
    ASSERT_TRUE(reading.settings.category && reading.settings.rank);
    EXPECT_EQ(reading.settings.category->text, "IC");
    EXPECT_EQ(reading.settings.rank->text, "V200C");
    EXPECT_TRUE(reading.settings.stops.empty());
    EXPECT_TRUE(reading.settings.locations.empty());
    EXPECT_TRUE(reading.settings.spacers.empty());
  }
}

TEST(SheetSettings, ReadsEveryKeyOfTheEmbeddedScenario) {
  const SettingsReading reading = read_sheet_settings(embedded_sheet_settings());
  EXPECT_TRUE(reading.diagnostics.empty());
  const SheetSettings& s = reading.settings;
  ASSERT_TRUE(s.train_number && s.line_shown && s.rank && s.category && s.blocked_mass &&
              s.locomotive);
  EXPECT_EQ(s.names.size(), 2u);
  EXPECT_EQ(s.stops.size(), 8u);
  EXPECT_EQ(s.two_way.size(), 4u);
  EXPECT_EQ(s.progressives.size(), 1u);
  // Every key the reference lists has an example the reader takes.
  for (const SettingsKey& key : settings_keys()) {
    SCOPED_TRACE(key.name);
    EXPECT_TRUE(read_sheet_settings(std::string(key.example) + "\r\n").diagnostics.empty());
  }
}

TEST(SheetSettings, AStopsFigureAndAUtf8NameAreReadAsTheSheetShowsThem) {
  const SettingsReading reading =
      read_sheet_settings("sosta, Citt\xC3\xA0, 0.5\nsosta, Beta, 12\nbanalizzato, 100, Beta\n");
  ASSERT_TRUE(reading.diagnostics.empty()) << reading.diagnostics.front().message;
  ASSERT_EQ(reading.settings.stops.size(), 2u);
  EXPECT_EQ(reading.settings.stops[0].station.text, "Citt\xE0");
  EXPECT_EQ(reading.settings.stops[0].seconds, 30);
  EXPECT_EQ(reading.settings.stops[0].figure, "0.5");
  EXPECT_EQ(reading.settings.stops[1].seconds, 720);
  EXPECT_EQ(reading.settings.stops[1].figure, "12");
  ASSERT_EQ(reading.settings.two_way.size(), 1u);
  EXPECT_EQ(reading.settings.two_way[0].from.metres, 100);
  EXPECT_EQ(reading.settings.two_way[0].to.station, "Beta");
}

}  // namespace
}  // namespace borgo::tools::drafting
