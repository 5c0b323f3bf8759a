// The kilometre progressive of the embedded scenario at the places whose
// progressive its train sheet states, and a model without changes.
#include "compiler/kilometre_progressive.hpp"

#include <gtest/gtest.h>

#include <string>

#include "compiler/compile.hpp"
#include "documents/documents.hpp"

namespace borgo::compiler {
namespace {

Compilation embedded_scenario() {
  const std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());
  return compile({.line_name = "Borgo_Mar",
                  .train_name = "TX 903",
                  .write_line_file = 0,
                  .line_description = line,
                  .train_description = train});
}

TEST(KilometreProgressive, CountsAsTheTrainSheetDoes) {
  struct Case {
    const char* where;  // the train sheet's line
    std::int64_t position;
    std::int64_t metres;
    std::optional<std::int64_t> changes_to;
  };
  const Case cases[] = {
      {"ROMA TERMINI 0.000", 0, 0, std::nullopt},
      {"Roma Tuscolana 3.100", 3100, 3100, std::nullopt},
      {"Maccarese 27.500", 27500, 27500, std::nullopt},
      {"31.100/, the first change", 31100, 31100, 34150},
      {"Torre in Pietra 36.750", 33700, 36750, std::nullopt},
      {"Civitavecchia 74.050", 71000, 74050, std::nullopt},
      {"Grosseto 183.550", 180500, 183550, std::nullopt},
      {"Vada 286.750", 283700, 286750, std::nullopt},
      {"287.550/, the second change", 284500, 287550, 0},
      {"Rosignano 4.800", 289300, 4800, std::nullopt},
      {"Livorno Centrale 27.500", 312000, 27500, std::nullopt},
      {"31.450/, the third change, whose flag is set", 315950, 31450, 728000},
      {"Tombolo 735.550", 323500, 735550, std::nullopt},
      {"80 km/h at 741.850", 329800, 741850, std::nullopt},
      {"PISA C.LE 744.800", 332750, 744800, std::nullopt},
  };
  const Compilation compiled = embedded_scenario();
  ASSERT_EQ(compiled.outcome.error_number, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    EXPECT_EQ(kilometre_progressive(*compiled.model, c.position),
              (KilometreAt{c.metres, c.changes_to}));
  }
}

TEST(KilometreProgressive, WithoutChangesIsTheRoutePosition) {
  const RouteModel model;
  EXPECT_EQ(kilometre_progressive(model, 0), (KilometreAt{0, std::nullopt}));
  EXPECT_EQ(kilometre_progressive(model, 123450), (KilometreAt{123450, std::nullopt}));
}

}  // namespace
}  // namespace borgo::compiler
