#pragma once

// Random scenarios for the decompiler's property test: every kind of row,
// at random places, so that features meet the way authors' features do (a
// stop mark on a signal, approach marks over each other, code points the
// pass must work around, montagna ranges that touch or overlap).

#include <cstdint>
#include <random>
#include <string>

namespace borgo::testing {

struct RandomScenario {
  std::string line;
  std::string train;
};

// One draw; it may not compile cleanly (two features on one cell, say):
// the caller draws again.
RandomScenario draw_scenario(std::mt19937& random);

}  // namespace borgo::testing
