// scenario-tool lsp: the language server, over standard input and output.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <array>
#include <cstdio>
#include <iostream>
#include <string>

#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/lsp/session.hpp"

namespace borgo::tools {
namespace {

constexpr std::string_view kHelp = R"(Usage: scenario-tool lsp [--debounce MS]

A language server for editors (Language Server Protocol 3.17, JSON-RPC over
standard input and output). For a line description (NAME_linea.txt) or a
train description (NAME_TRAIN-.txt) open in the editor it publishes the
compile's errors and warnings as the author types, with the open buffers
compiled in place of the files on disk and nothing written; explains the
row under the cursor on hover; completes row keys with their fields and
section headings; and lists sections, stations, signals and slow-downs as
the document's outline. An editor starts it; the README tells how.

Options:
  --debounce MS  how long a change waits for the next before the documents
                 are compiled (default 20, at most 2000)
  --stdio        accepted and ignored: standard input and output are used
  -h, --help     show this text

Exit status: 0 after the client's shutdown and exit; 1 when the input ends
or the output fails first; 2 a usage problem.
)";

constexpr std::array<OptionRule, 2> kOptions{{
    {"--debounce", true},
    {"--stdio", false},
}};

std::chrono::milliseconds debounce_of(const ParsedArguments& parsed) {
  const std::string* given = parsed.value("--debounce");
  if (given == nullptr) return lsp::ServerOptions{}.debounce;
  constexpr long kMost = 2000;
  const bool digits = !given->empty() && given->size() <= 4 &&
                      given->find_first_not_of("0123456789") == std::string::npos;
  if (!digits || std::stol(*given) > kMost) {
    throw UsageError("--debounce takes a number of milliseconds from 0 to 2000: '" + *given + "'");
  }
  return std::chrono::milliseconds(std::stol(*given));
}

}  // namespace

int lsp_command(Arguments args, std::ostream& out, std::ostream& err) {
  return guarded("lsp", err, [&] {
    const ParsedArguments parsed = parse_arguments(args, kOptions);
    if (parsed.help) {
      out << kHelp;
      return kExitClean;
    }
    if (!parsed.positionals.empty()) throw UsageError("lsp takes no folder or file");
    const lsp::ServerOptions options{.debounce = debounce_of(parsed)};
#ifdef _WIN32
    // The messages' lengths count bytes: no CR may be added or taken away.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return lsp::serve(*std::cin.rdbuf(), out, options);
  });
}

}  // namespace borgo::tools
