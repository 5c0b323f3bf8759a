#pragma once

#include <string>
#include <string_view>

namespace borgo::driver {

// Whether the program was asked for its version and nothing else: its one
// argument is --version. Without it a program does its whole job, as it
// always has; it takes no other argument.
bool asks_for_version(int argc, const char* const* argv);
// The same for the command line Windows hands a window program, which holds
// the arguments without the program's name.
bool asks_for_version(std::string_view command_line);

// "NAME VERSION", the line a program prints for --version.
std::string version_line(std::string_view program);

}  // namespace borgo::driver
