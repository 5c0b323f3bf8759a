#pragma once

#include <cstdint>
#include <string>

namespace borgo::bench {

// The two descriptions of a generated scenario as large as the model takes:
// curves along most of the line, 80 montagna ranges, a signal every 1000 m,
// and stations and signs filling the item table. Every feature has a cell of
// its own, so the scenario compiles without an error.
struct SyntheticScenario {
  std::string line_description;
  std::string train_description;
};

// `length` in metres, a multiple of 50000 between 100000 and 1000000.
SyntheticScenario make_synthetic_scenario(std::int32_t length);

}  // namespace borgo::bench
