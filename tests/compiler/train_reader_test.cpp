// The train description, read after a short line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "compiler/error_catalog.hpp"
#include "compiler/record_roles.hpp"
#include "tests/compiler/reader_fixture.hpp"

namespace borgo::compiler {
namespace {

using testing::FolderReaderFixture;
using testing::ReaderFixture;

// A fixture whose line description is the short line with no features.
struct TrainFixture : ReaderFixture {
  explicit TrainFixture(std::string_view train_body, std::string_view line_body = "") {
    write_line_body(line_body);
    write_train_body(train_body);
    read();
  }
};

TEST(TrainReader, RecordsEachErrorAndDeletesTheDescription) {
  struct Case {
    const char* name;
    const char* body;
    std::int32_t error;
    bool whole_document = false;  // the body is the whole document, without "[generale]"
  };
  const Case cases[] = {
      {"an empty document", "", 25, true},
      {"a document without the general heading", "segnale, 1050, 2,4,1,1,0,2,2,1,1,210\n", 0, true},
      {"code point on a signal", "segnale, 1050, 2,4,1,1,0,2,2,1,1,210\nabbattimento, 1100, 270\n",
       7},
      {"station off the 50 m grid", "stazione, 1010, 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\n",
       8},
      {"zone length off 100 m", "stazione, 1000, 12, 450, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\n", 9},
      {"stations too close",
       "stazione, 1000, 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\n"
       "stazione, 1700, 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, B\n",
       22},
      {"stations 350 m apart are fine",
       "stazione, 1000, 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\n"
       "stazione, 1750, 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, B\n",
       0},
      {"stop mark too early", "stazione, 0, 12, 100, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\n", 24},
      {"station beyond the grid", "stazione, 26300, 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\n",
       15},
      {"signal on a signal",
       "segnale, 1050, 2,4,1,1,0,2,2,1,1,210\nsegnale, 1060, 2,4,1,1,0,2,2,1,1,210\n", 16},
      {"slow-down start on a signal",
       "segnale, 5050, 2,4,1,1,0,2,2,1,1,210\nrallentamento, 5050, 60, 600, 0, 1, 60\n", 18},
      {"station value too large for a byte",
       "stazione, 1000, 256, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\n", 25},
      {"speed of 1280 km/h", "velocita, 0, 1280\nvelocita, 100, 50\n", 25},
      {"speed of -3 km/h", "velocita, 0, -3\nvelocita, 100, 50\n", 25},
      {"speed of -2 km/h", "velocita, 0, -2\nvelocita, 100, 50\n", 0},
      {"code point at a negative position", "abbattimento, -100, 270\n", 11},
      {"reading past the end", "segnale, 1050, 2\n", 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderFixture bytes;
    bytes.write_line_body("");
    if (c.whole_document) {
      bytes.write_train(c.body);
    } else {
      bytes.write_train_body(c.body);
    }
    bytes.read();
    EXPECT_EQ(bytes.model.error_number, c.error) << bytes.report.error_detail;

    FolderReaderFixture f;
    f.line = bytes.line;
    f.train = bytes.train;
    f.read_from_folder();
    EXPECT_EQ(f.model.error_number, c.error) << f.report.error_detail;
    EXPECT_FALSE(std::filesystem::exists(f.train_path()));
    EXPECT_FALSE(std::filesystem::exists(f.line_path()));
  }
}

TEST(TrainReader, GeneralValuesLandInTheirItems) {
  TrainFixture f(
      "numero vetture,    12\npercentuale massa frenata,    130\nsabbia,    180\n"
      "orologio,    14              25            30 \n");
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  EXPECT_EQ(f.model.items[kTrainAndLength].position, 12);
  EXPECT_EQ(f.model.items[kTrainAndLength].start, 130);
  EXPECT_EQ(f.model.items[kTrainRecord].int1, 180);
  EXPECT_EQ(f.model.items[kTrainRecord].int3, 14);
  EXPECT_EQ(f.model.items[kTrainRecord].int4, 25);
  EXPECT_EQ(f.model.items[kTrainRecord].int5, 30);
}

TEST(TrainReader, AKeyHoldingSeveralKeyWordsReadsEachRowInTableOrder) {
  // The clock comes before the sand in the table, whatever the order in the key.
  for (const char* key : {"sabbia e orologio", "OROLOGIO sabbia"}) {
    SCOPED_TRACE(key);
    TrainFixture f(std::string(key) + ", 14 25 30, 180\n");
    ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
    const TrainItem train(f.model.items[kTrainRecord]);
    EXPECT_EQ(train.clock_hours(), 14);
    EXPECT_EQ(train.clock_minutes(), 25);
    EXPECT_EQ(train.clock_seconds(), 30);
    EXPECT_EQ(train.sand(), 180);
  }
}

TEST(TrainReader, SpeedAndAdhesionFillTheirProfiles) {
  TrainFixture f(
      "velocita,   0,    30\nVELOCITA,    1000,   100\nvelocita, 1100, 102\n"
      "aderenza,       0,    78\naderenza,    500,    300\n");
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  EXPECT_EQ(f.cell(0).speed_code, 6);
  EXPECT_EQ(f.cell(19).speed_code, 6);
  EXPECT_EQ(f.cell(20).speed_code, 20);
  EXPECT_EQ(f.cell(22).speed_code, 20);  // 102 km/h: rnd(20.4)
  EXPECT_EQ(f.cell(537).speed_code, 20);
  EXPECT_EQ(f.cell(538).speed_code, 0);
  EXPECT_EQ(f.cell(9).adhesion, 78);
  EXPECT_EQ(f.cell(10).adhesion, 44);  // 300 keeps its low 8 bits
  EXPECT_EQ(f.cell(537).adhesion, 44);
  EXPECT_EQ(f.cell(540).adhesion, 0);
}

// Every row at 50 m (cell 1) fills one cell more, so 600 of them carry the
// fill past the grid's last cell, 540.
TEST(TrainReader, RowsAtOnePositionStillFillACellEach) {
  std::string speeds, adhesions;
  for (int i = 0; i < 600; ++i) {
    speeds += "velocita, 50, 30\n";
    adhesions += "aderenza, 50, 70\n";
  }
  const TrainFixture speed(speeds);
  EXPECT_EQ(speed.model.error_number, 0) << speed.report.error_detail;  // it stops at cell 540
  EXPECT_EQ(speed.cell(0).speed_code, 0);
  EXPECT_EQ(speed.cell(539).speed_code, 6);
  EXPECT_EQ(speed.cell(540).speed_code, 6);  // written by the completion, once

  const TrainFixture adhesion(adhesions);
  EXPECT_EQ(adhesion.model.error_number, error::kRuntimeFailure);  // the fill leaves the grid
  EXPECT_EQ(adhesion.cell(540).adhesion, 70);
}

TEST(TrainReader, StationTimetableUnpacksToItsClock) {
  struct Case {
    const char* clock;
    std::int32_t seconds;
    std::int64_t hours, minutes, rest;
  };
  const Case cases[] = {
      {"14, 25, 30", 51930, 14, 25, 30},
      {"0, 90, 75", 5475, 1, 31, 15},  // minutes and seconds past 59 carry over
      {"23, 59, 59", 86399, 23, 59, 59},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clock);
    TrainFixture f("stazione, 1000, 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, " + std::string(c.clock) +
                   ", A\n");
    ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
    const std::int32_t t = StationItem(f.model.items[1]).timetable();
    EXPECT_EQ(t, c.seconds);
    EXPECT_EQ(timetable_hours(t), c.hours);
    EXPECT_EQ(timetable_minutes(t), c.minutes);
    EXPECT_EQ(timetable_seconds(t), c.rest);
  }
}

TEST(TrainReader, StationZonesAndMarksFollowTheStationType) {
  TrainFixture f(
      "stazione,       0,  8,  500,  1, 0, 0,  3,1,0,  2,1,1,    1,  14,25,30, Roma Termini\n"
      "\n"
      "stazione,    3000, 5,  400,  0, 1, 1,  1,1,0,  5,1,1,    0,   0, 0, 0, Cinque\n"
      "stazione,    6000, 12,  700,  0, 9, 1,  1,1,0,  5,1,1,    0,   0, 0, 0, Dodici\n"
      "stazione,    9000, 30,  400,  0, 0, 0,  1,1,0,  5,1,1,    0,   0, 0, 0, Trenta\n");
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  const ItemRecord& roma = f.model.items[1];
  EXPECT_EQ(roma.kind, 8);
  EXPECT_EQ(roma.start, -500);
  EXPECT_EQ(roma.end, 500);
  EXPECT_EQ(roma.flag, 1);
  EXPECT_EQ(roma.int1, 3);
  EXPECT_EQ(roma.byte2, 1);
  EXPECT_EQ(roma.seconds, 14 * 3600 + 25 * 60 + 30);
  EXPECT_EQ(roma.text, "Roma Termini");
  EXPECT_EQ(f.cell(9).kind, kStationStop);
  EXPECT_EQ(f.cell(9).value1, 1);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(f.cell(9 - n).approach_mark, 80 + n);

  const ItemRecord& five = f.model.items[2];
  EXPECT_EQ(five.start, 2600);
  EXPECT_EQ(five.end, 3150);
  EXPECT_EQ(five.byte3, 0);
  EXPECT_EQ(five.byte4, 0);  // zone below 600 m
  EXPECT_EQ(f.cell(62).kind, kStationStop);
  EXPECT_EQ(f.cell(61).approach_mark, 0);

  const ItemRecord& twelve = f.model.items[3];
  EXPECT_EQ(twelve.start, 5650);
  EXPECT_EQ(twelve.end, 6400);  // 6000 + 350 + 50 for byte3
  EXPECT_EQ(twelve.byte4, 9);   // kept: zone of 600 m or more
  EXPECT_EQ(f.cell(127).kind, kStationStop);
  EXPECT_EQ(f.cell(126).approach_mark, 81);

  const ItemRecord& thirty = f.model.items[4];
  EXPECT_EQ(thirty.end, 9200);
  EXPECT_EQ(f.cell(183).kind, kEmpty);
  EXPECT_EQ(f.cell(182).approach_mark, 0);
}

TEST(TrainReader, CodePointsTakeTheCellWithoutTheUsualOffset) {
  TrainFixture f("abbattimento,    7050,   270\nabbattimento, 1000, 0\n");
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  EXPECT_EQ(f.cell(141).kind, kCodePoint);
  EXPECT_EQ(f.cell(141).value1, 270);
  EXPECT_EQ(f.cell(20).kind, kCodePointNoValue);
}

TEST(TrainReader, StationsMeetingTheSignsAreRefused) {
  struct Case {
    int signs;
    int stations;
    std::int32_t error;
  };
  const Case cases[] = {{77, 1, 0}, {78, 1, 10}, {76, 2, 0}, {77, 2, 10}};
  for (const Case& c : cases) {
    std::string signs;
    for (int i = 0; i < c.signs; ++i) {
      signs += "cartello_indicatore, " + std::to_string(10000 + 100 * i) + ", s\n";
    }
    std::string stations;
    for (int i = 0; i < c.stations; ++i) {
      stations += "stazione, " + std::to_string(1000 + 1000 * i) +
                  ", 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\n";
    }
    TrainFixture f(stations, signs);
    EXPECT_EQ(f.model.error_number, c.error) << c.signs << " signs, " << c.stations << " stations";
    EXPECT_EQ(f.model.items[static_cast<std::size_t>(kFirstSignSlot - c.signs + 1)].text, "s");
  }
}

TEST(TrainReader, KilometreProgressivesOffTheGridAreTestedLast) {
  ReaderFixture f;
  f.write_line(
      "[generale]\nlunghezza percorso, 20000\nprogressiva chilometrica uno, 3100, 3055, 0\n"
      "[curve]\n[fine]\n");
  f.write_train_body("velocita, 0, 30\n");
  f.read();
  EXPECT_EQ(f.model.error_number, error::kProgressiveOffGrid);
  EXPECT_EQ(f.cell(100).speed_code, 6);  // the train was read before the test
}

TEST(TrainReader, AfterErrorFifteenTheFirstPlacementEndsTheReading) {
  ReaderFixture f;
  f.write_line_body("pendenza, 30000, 1\n");
  f.write_train_body(
      "velocita, 0, 30\nvelocita, 1000, 100\nsegnale, 5050, 2,4,1,1,0,2,2,1,1,210\n"
      "velocita, 2000, 50\n");
  f.read();
  EXPECT_EQ(f.model.error_number, error::kBeyondGrid);
  EXPECT_EQ(f.cell(102).kind, kSignal);  // the signal was placed
  EXPECT_EQ(f.cell(19).speed_code, 6);
  EXPECT_EQ(f.cell(20).speed_code, 0);  // profiles not completed
}

TEST(TrainReader, RowsComeInAnyOrderAfterTheGeneralHeading) {
  TrainFixture f(
      "segnale, 5050, 2,4,1,1,0,2,2,1,1,210\nvelocita, 0, 30\n"
      "stazione, 1000, 12, 400, 0,0,0, 1,1,0, 5,1,1, 0, 0,0,0, A\nvelocita, 1000, 100\n");
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  EXPECT_EQ(f.cell(102).kind, kSignal);
  EXPECT_EQ(f.model.items[1].text, "A");
  EXPECT_EQ(f.cell(30).speed_code, 20);
}

}  // namespace
}  // namespace borgo::compiler
