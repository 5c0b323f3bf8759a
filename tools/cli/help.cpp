#include "tools/cli/help.hpp"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace borgo::tools {
namespace {

constexpr std::size_t kWidth = 79;
// Where the tool's list of commands puts each command's summary.
constexpr std::size_t kSummaryColumn = 19;

constexpr std::string_view kToolIntro = R"(Usage: scenario-tool COMMAND [ARGUMENTS]

The scenario author's tool: compiles a scenario's line and train descriptions
with the package program's own compiler, shows where and why it fails, reads
compiled files (back into descriptions too) and package programs, and draws
the line.

Commands:
)";

constexpr std::string_view kToolFooter = R"(
"scenario-tool COMMAND --help" tells more about each command;
"scenario-tool --version" tells which version this is. What the line and
train descriptions hold, row by row and field by field, and what to do about
each error: docs/description-format.md.

Exit status: 0 done; 1 a recorded compile error, a compiled file that does
not fit its layout (dump), or decompiled descriptions that compile to other
files; 2 a usage problem, a file that cannot be read or written (or that
decompile cannot read as a compiled file), or standard output or error that
cannot be written (a full device); 3 a fatal contest error. Output into a
pipe whose reader has gone, as "| head" leaves it, ends quietly: the status is
the command's own.
)";

bool is_help(const CLI::Option* option, const CLI::App& app) {
  return option == app.get_help_ptr();
}

// Every option that takes a value names it (NAME, DIR, MS...); flags have
// no type name.
bool takes_value(const CLI::Option* option) { return !option->get_type_name().empty(); }

// An argument or option as the usage line writes it.
std::string usage_word(const CLI::Option* option) {
  std::string word;
  if (option->get_positional()) {
    word = option->get_name(true);
    if (option->get_items_expected_max() > 1) word += "...";
  } else {
    word = option->get_snames().empty() ? "--" + option->get_lnames().front()
                                        : "-" + option->get_snames().front();
    if (takes_value(option)) word += " " + option->get_type_name();
  }
  return option->get_required() ? word : "[" + word + "]";
}

// `words` after `head`, wrapped under the first word at kWidth columns.
std::string wrapped(const std::string& head, const std::vector<std::string>& words) {
  std::string text = head;
  const std::string indent(head.size() + 1, ' ');
  std::size_t line_start = 0;
  for (const std::string& word : words) {
    if (text.size() - line_start + 1 + word.size() > kWidth &&
        text.size() > line_start + head.size()) {
      text += "\n";
      line_start = text.size();
      text += indent + word;
    } else {
      text += " " + word;
    }
  }
  return text;
}

std::vector<std::string> usage_words(const CLI::App& app) {
  std::vector<std::string> words;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional()) words.push_back(usage_word(option));
  }
  for (const CLI::Option* option : app.get_options()) {
    if (!option->get_positional() && !is_help(option, app)) words.push_back(usage_word(option));
  }
  return words;
}

// `text` with every line after the first indented by `indent` columns.
std::string hanging(std::string_view text, std::size_t indent) {
  std::string out;
  for (const char c : text) {
    out += c;
    if (c == '\n') out.append(indent, ' ');
  }
  return out;
}

// `text` filled into lines of at most `width` columns, words kept whole.
std::string filled(std::string_view text, std::size_t width) {
  std::string out;
  std::size_t line = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string_view word = text.substr(at, end - at);
    if (line > 0 && line + 1 + word.size() > width) {
      out += '\n';
      line = 0;
    } else if (line > 0) {
      out += ' ';
      ++line;
    }
    out += word;
    line += word.size();
    at = end + 1;
  }
  return out;
}

}  // namespace

std::string command_usage(const CLI::App& app) {
  return wrapped("Usage: scenario-tool " + app.get_name(), usage_words(app));
}

std::string command_help(const CLI::App& app, const Command::Text& text) {
  std::string help = command_usage(app) + "\n\n" + text.description;
  struct Row {
    std::string names;
    std::string description;
  };
  std::vector<Row> rows;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional() || is_help(option, app)) continue;
    std::string names;
    for (const std::string& name : option->get_snames()) names += "-" + name + ", ";
    for (const std::string& name : option->get_lnames()) names += "--" + name + ", ";
    names.resize(names.size() - 2);
    if (takes_value(option)) names += " " + option->get_type_name();
    rows.push_back({names, option->get_description()});
  }
  rows.push_back({"-h, --help", "show this text"});
  std::size_t widest = 0;
  for (const Row& row : rows) widest = std::max(widest, row.names.size());
  const std::size_t column = 2 + widest + 3;
  help += "\nOptions:\n";
  for (const Row& row : rows) {
    help += "  " + row.names + std::string(column - 2 - row.names.size(), ' ') +
            hanging(filled(row.description, kWidth - column), column) + "\n";
  }
  if (!text.footer.empty()) help += "\n" + text.footer;
  return help;
}

std::string tool_help(const std::vector<std::unique_ptr<Command>>& commands,
                      const std::vector<const CLI::App*>& apps) {
  std::string help(kToolIntro);
  for (std::size_t i = 0; i < commands.size() && i < apps.size(); ++i) {
    const std::string usage = wrapped("  " + apps[i]->get_name(), usage_words(*apps[i]));
    const std::string summary = hanging(commands[i]->text().summary, kSummaryColumn);
    const bool fits = usage.find('\n') == std::string::npos && usage.size() + 1 < kSummaryColumn;
    help += fits ? usage + std::string(kSummaryColumn - usage.size(), ' ') + summary + "\n"
                 : usage + "\n" + std::string(kSummaryColumn, ' ') + summary + "\n";
  }
  help += kToolFooter;
  return help;
}

}  // namespace borgo::tools
