#include <iostream>
#include <string>
#include <vector>

#include "tools/commands.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = borgo::tools::run_tool(args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
