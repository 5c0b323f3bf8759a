#include "compiler/contest_codes.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/error_catalog.hpp"

namespace borgo::compiler {
namespace {

struct Codes {
  std::int16_t og;
  std::int32_t st;
};

Codes codes_of(std::string train, std::string line) {
  RouteModel model;
  model.items[kTrainRecord].text = std::move(train);
  model.items[kLineRecord].text = std::move(line);
  return {codice_gara_og(model), codice_gara_st(model)};
}

// The sums written out by hand over the first 25 characters.
Codes by_hand(std::string_view work) {
  Codes c{0, 0};
  for (std::size_t p = 0; p < 25; ++p) {
    const int code = static_cast<unsigned char>(work[p]);
    c.og = static_cast<std::int16_t>(c.og + code);
    c.st += static_cast<std::int32_t>(p + 1) * code;
  }
  return c;
}

TEST(ContestCodes, TheScenarioNamesGiveItsCodes) {
  const Codes c = codes_of("TX 903", "Borgo_Mar");
  EXPECT_EQ(c.og, 2552);
  EXPECT_EQ(c.st, 35746);
}

TEST(ContestCodes, SumTheFirstTwentyFiveCharactersOfTheLowerCasedNames) {
  struct Case {
    const char* train;
    const char* line;
    std::string_view work;
  };
  const Case cases[] = {
      {"", "", "zzvvuuttssrrqqppzzvvuutts"},
      {" ", "", " zzvvuuttssrrqqppzzvvuutt"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ignored", "abcdefghijklmnopqrstuvwxy"},
      {"treno", "LINEA_LUNGA_DI_MARE", "trenolinea_lunga_di_marez"},
      {"\xC0\xC9", "\xD7\xDE", "\xE0\xE9\xD7\xFEzzvvuuttssrrqqppzzvvu"},
  };
  for (const Case& c : cases) {
    const Codes got = codes_of(c.train, c.line);
    const Codes want = by_hand(c.work);
    EXPECT_EQ(got.og, want.og) << c.train << "|" << c.line;
    EXPECT_EQ(got.st, want.st) << c.train << "|" << c.line;
  }
}

TEST(ContestCodes, CaseDoesNotMatterButOrderDoesForTheWeightedCode) {
  EXPECT_EQ(codes_of("TX 903", "Borgo_Mar").st, codes_of("tx 903", "borgo_mar").st);
  const Codes forward = codes_of("AB", "CD");
  const Codes swapped = codes_of("CD", "AB");
  EXPECT_EQ(forward.og, swapped.og);
  EXPECT_NE(forward.st, swapped.st);
}

// The grids below are made whole rather than assigned into the model's empty
// one: optimising that, the Windows build's GCC 12 sees a write out of
// bounds that cannot happen.
TEST(ContestCodes, StampingFillsItemEightyFiveAndCellOne) {
  RouteModel model;
  model.cells = std::vector<CellRecord>(10);
  model.items[kTrainRecord].text = "TX 903";
  model.items[kLineRecord].text = "Borgo_Mar";
  EXPECT_EQ(stamp_contest_codes(model), 0);
  EXPECT_EQ(model.items[kLineRecord].int1, 610);
  EXPECT_EQ(model.items[kLineRecord].seconds, 35746);
  EXPECT_EQ(model.cells[1].value1, 5121);
  EXPECT_EQ(model.cells[1].value2, 2552);
}

TEST(ContestCodes, FieldsAlreadyInUseAreFatal) {
  struct Case {
    const char* name;
    void (*dirty)(RouteModel&);
    std::int32_t fatal;
  };
  const Case cases[] = {
      {"item stamp", [](RouteModel& m) { m.items[kLineRecord].int1 = 1; }, 1250},
      {"cell stamp", [](RouteModel& m) { m.cells[1].value1 = -1; }, 1250},
      {"item code", [](RouteModel& m) { m.items[kLineRecord].seconds = 7; }, 1251},
      {"cell code", [](RouteModel& m) { m.cells[1].value2 = 60; }, 1251},
      {"both", [](RouteModel& m) { m.cells[1].value1 = m.cells[1].value2 = 1; }, 1250},
  };
  for (const Case& c : cases) {
    RouteModel model;
    model.cells = std::vector<CellRecord>(10);
    c.dirty(model);
    EXPECT_EQ(stamp_contest_codes(model), c.fatal) << c.name;
  }
}

}  // namespace
}  // namespace borgo::compiler
