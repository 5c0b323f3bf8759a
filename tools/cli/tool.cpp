// scenario-tool: the table of commands, the reading of a command line, and
// the tool's own help and version.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <string_view>
#include <vector>

#include "borgo/version.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/exit_status.hpp"
#include "tools/cli/help.hpp"

namespace borgo::tools {
namespace {

// Every command reads its command line alike: options anywhere, as
// "--name value" or "--name=value", the last of an option given twice,
// "--" before arguments that begin with a dash, and no "/name" options on
// Windows, where that is a path.
void read_alike(CLI::App& app) {
  app.allow_windows_style_options(false);
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_help_flag("-h,--help", "show this text");
}

// CLI11's message for a wrong command line, with its first letter small, as
// the tool's other messages are.
std::string message_of(const CLI::ParseError& error) {
  std::string text = error.what();
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || text[1] > 'Z')) {
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::vector<std::unique_ptr<Command>> all_commands() {
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(compile_command());
  commands.push_back(emit_command());
  commands.push_back(documents_command());
  commands.push_back(dump_command());
  commands.push_back(render_command());
  commands.push_back(explain_command());
  commands.push_back(lsp_command());
  commands.push_back(preview_command());
  commands.push_back(pack_command());
  commands.push_back(unpack_command());
  commands.push_back(decompile_command());
  return commands;
}

int run_tool(Arguments args, std::ostream& out, std::ostream& err) {
  const std::vector<std::unique_ptr<Command>> commands = all_commands();
  CLI::App tool("", "scenario-tool");
  read_alike(tool);
  tool.set_version_flag("--version", "scenario-tool " + std::string(kVersion));
  std::vector<CLI::App*> apps;
  for (const std::unique_ptr<Command>& command : commands) {
    CLI::App* app = tool.add_subcommand(command->text().name);
    read_alike(*app);
    command->define(*app);
    apps.push_back(app);
  }
  const std::vector<const CLI::App*> shown(apps.begin(), apps.end());

  if (args.empty()) {
    err << tool_help(commands, shown);
    return kExitUsage;
  }
  if (args.front() == "help") {
    out << tool_help(commands, shown);
    return kExitClean;
  }
  // The command the words name: the one whose messages these are.
  const auto named = std::find_if(apps.begin(), apps.end(),
                                  [&](const CLI::App* app) { return app->get_name() == args[0]; });
  if (named == apps.end() && !args.front().starts_with('-')) {
    err << "scenario-tool: unknown command '" << args.front() << "'\n"
        << "Try 'scenario-tool --help'.\n";
    return kExitUsage;
  }
  const std::string who = named == apps.end() ? "scenario-tool" : "scenario-tool " + args[0];
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    tool.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    if (named == apps.end()) {
      out << tool_help(commands, shown);
    } else {
      out << command_help(**named,
                          commands[static_cast<std::size_t>(named - apps.begin())]->text());
    }
    return kExitClean;
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << "\n";
    return kExitClean;
  } catch (const CLI::ParseError& wrong) {
    err << who << ": " << message_of(wrong) << "\n"
        << "Try '" << who << " --help'.\n";
    return kExitUsage;
  }
  for (std::size_t i = 0; i < apps.size(); ++i) {
    if (!apps[i]->parsed()) continue;
    Command& command = *commands[i];
    return guarded(command.text().name, err, [&] { return command.run(out, err); });
  }
  err << tool_help(commands, shown);
  return kExitUsage;
}

}  // namespace borgo::tools
