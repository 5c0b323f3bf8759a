// scenario-tool lsp: the language server, over standard input and output.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/lsp/session.hpp"

namespace borgo::tools {
namespace {

constexpr long kMostDebounce = 2000;

class LspCommand final : public Command {
 public:
  Text text() const override {
    return {.name = "lsp",
            .summary = "a language server for editors, on standard input and output",
            .description =
                R"(A language server for editors (Language Server Protocol 3.17, JSON-RPC over
standard input and output). For a line description (NAME_linea.txt) or a
train description (NAME_TRAIN-.txt) open in the editor it publishes the
compile's errors and warnings as the author types, with the open buffers
compiled in place of the files on disk and nothing written; explains the
row under the cursor on hover; completes row keys with their fields and
section headings; and lists sections, stations, signals and slow-downs as
the document's outline. An editor starts it; the README tells how.
)",
            .footer = R"(Exit status: 0 after the client's shutdown and exit; 1 when the input ends
or the output fails first; 2 a usage problem.
)"};
  }

  void define(CLI::App& app) override {
    debounce_ = app.add_option("--debounce", debounce_ms_,
                               "how long a change waits for the next before the documents "
                               "are compiled (default 20, at most 2000)")
                    ->type_name("MS");
    app.add_flag("--stdio", stdio_, "accepted and ignored: standard input and output are used");
  }

  int run(std::ostream& out, std::ostream&) override {
    const lsp::ServerOptions options{.debounce = debounce()};
#ifdef _WIN32
    // The messages' lengths count bytes: no CR may be added or taken away.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return lsp::serve(*std::cin.rdbuf(), out, options);
  }

 private:
  std::chrono::milliseconds debounce() const {
    if (debounce_->count() == 0) return lsp::ServerOptions{}.debounce;
    const std::string& given = debounce_ms_;
    const bool digits = !given.empty() && given.size() <= 4 &&
                        given.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stol(given) > kMostDebounce) {
      throw UsageError("--debounce takes a number of milliseconds from 0 to 2000: '" + given + "'");
    }
    return std::chrono::milliseconds(std::stol(given));
  }

  std::string debounce_ms_;
  CLI::Option* debounce_ = nullptr;
  bool stdio_ = false;
};

}  // namespace

std::unique_ptr<Command> lsp_command() { return std::make_unique<LspCommand>(); }

}  // namespace borgo::tools
