#include "tools/cli/arguments.hpp"

namespace borgo::tools {

const std::string* ParsedArguments::value(std::string_view name) const {
  const auto it = values.find(name);
  return it != values.end() ? &it->second : nullptr;
}

const std::string& ParsedArguments::single_folder() const {
  if (positionals.size() != 1) {
    throw UsageError(positionals.empty()
                         ? "the folder DIR is missing"
                         : "one folder DIR, not " + std::to_string(positionals.size()));
  }
  return positionals.front();
}

const std::string& ParsedArguments::required(std::string_view name) const {
  const std::string* found = value(name);
  if (found == nullptr) throw UsageError("the option " + std::string(name) + " is required");
  return *found;
}

ParsedArguments parse_arguments(Arguments args, std::span<const OptionRule> options) {
  ParsedArguments parsed;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      parsed.positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string_view name = std::string_view(arg).substr(0, equals);
    const OptionRule* rule = nullptr;
    for (const OptionRule& option : options) {
      if (name == option.name || (!option.short_name.empty() && name == option.short_name)) {
        rule = &option;
      }
    }
    if (rule == nullptr) throw UsageError("unknown option '" + std::string(name) + "'");
    const std::string long_name(rule->name);
    if (!rule->takes_value) {
      if (equals != std::string::npos) {
        throw UsageError("the option " + long_name + " takes no value");
      }
      parsed.flags.insert(long_name);
    } else if (equals != std::string::npos) {
      parsed.values[long_name] = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      parsed.values[long_name] = args[++i];
    } else {
      throw UsageError("the option " + long_name + " needs a value");
    }
  }
  return parsed;
}

}  // namespace borgo::tools
