#pragma once

#include <map>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace borgo::tools {

// A command's arguments after the command name.
using Arguments = std::span<const std::string>;

// A wrong command line; the message says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionRule {
  std::string_view name;  // "--line"
  bool takes_value = false;
  std::string_view short_name = {};  // "-o", or empty
};

struct ParsedArguments {
  std::vector<std::string> positionals;
  std::map<std::string, std::string, std::less<>> values;  // by long name
  std::set<std::string, std::less<>> flags;                // by long name
  bool help = false;                                       // --help or -h

  bool has(std::string_view name) const { return flags.contains(name); }
  const std::string* value(std::string_view name) const;
  // The value of a required option; UsageError when it is missing.
  const std::string& required(std::string_view name) const;
  // The one folder a command works on; UsageError when there is none or more.
  const std::string& single_folder() const;
};

// Options may come anywhere, as "--name value" or "--name=value"; "--" ends
// them. Throws UsageError for an unknown option or a missing value.
ParsedArguments parse_arguments(Arguments args, std::span<const OptionRule> options);

}  // namespace borgo::tools
