#pragma once

#include <CLI/App.hpp>
#include <ostream>
#include <string>

namespace borgo::tools {

// One of the tool's commands. Its arguments and options are declared on a
// CLI::App of its own, from which both the parsing and the --help text are
// made; run() is called once they are parsed, and does the work through a
// subsystem.
class Command {
 public:
  // What the help says beside the definitions.
  struct Text {
    std::string name;
    std::string summary;      // the tool's list of commands: a line or two
    std::string description;  // the command's help, before its options
    std::string footer;       // after them: formats, exit statuses
  };

  virtual ~Command() = default;
  virtual Text text() const = 0;
  virtual void define(CLI::App& app) = 0;
  virtual int run(std::ostream& out, std::ostream& err) = 0;
};

}  // namespace borgo::tools
