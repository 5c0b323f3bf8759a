// borgo_write_floor FOLDER STEP...: the floor of a run as a process of its
// own, so that it pays a process start as the run does. A STEP is
// "write:NAME:SIZE" or "read-delete:NAME".
#include "bench/write_floor.hpp"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  using borgo::bench::FloorStep;
  if (argc < 2) {
    std::fprintf(stderr, "usage: borgo_write_floor FOLDER write:NAME:SIZE|read-delete:NAME...\n");
    return 2;
  }
  std::vector<FloorStep> steps;
  for (int i = 2; i < argc; ++i) {
    const std::string step = argv[i];
    if (step.rfind("write:", 0) == 0) {
      const std::size_t colon = step.rfind(':');
      steps.push_back(
          {FloorStep::kWrite, step.substr(6, colon - 6), std::stoull(step.substr(colon + 1))});
    } else if (step.rfind("read-delete:", 0) == 0) {
      steps.push_back({FloorStep::kReadAndDelete, step.substr(12), 0});
    } else {
      std::fprintf(stderr, "borgo_write_floor: unknown step '%s'\n", step.c_str());
      return 2;
    }
  }
  std::string failed;
  if (!borgo::bench::run_floor(argv[1], steps, failed)) {
    std::fprintf(stderr, "borgo_write_floor: %s failed\n", failed.c_str());
    return 1;
  }
  return 0;
}
