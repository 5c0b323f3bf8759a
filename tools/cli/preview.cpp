// scenario-tool preview: the line drawn in a browser page that follows the
// author's edits as they are saved.
#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#endif

#include <array>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/scenario_options.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/preview/build.hpp"
#include "tools/preview/server.hpp"
#include "tools/preview/watch.hpp"
#include "tools/shared/stop_request.hpp"

#ifndef _WIN32
extern char** environ;
#endif

namespace borgo::tools {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: scenario-tool preview DIR --line NAME --train NAME [--port N] [--open]

Serves a page that shows the line as "scenario-tool render" draws it, beside
the compile's outcome and diagnostics, and keeps it up to date: each time
DIR/NAME_linea.txt or DIR/NAME_TRAIN-.txt is saved, the descriptions are
compiled again and the open pages change in place, keeping their zoom and
scroll. A description caught half-written keeps the last good drawing and
says why. Nothing is written into DIR.

In the page, hovering a station, signal, sign, slow-down or montagna range
shows its row, position, cells and kilometre progressive; clicking a
diagnostic shows its place on the drawing; the wheel zooms the drawing and a
drag pans it (a double click shows it whole).

The server listens on 127.0.0.1 only and answers to no other host name. Its
address is the first line on standard output. Ctrl-C ends it.

Options:
  --line NAME       the line's name
  --train NAME      the train's name
  --port N          the port to listen on (default: a free one)
  --open            ask the desktop to open the page in a browser
  -h, --help        show this text

Exit status: 0 ended by Ctrl-C; 2 a usage problem, a port that cannot be
listened on, or standard output that cannot be written.
)";

constexpr std::array<OptionRule, 4> kOptions{{
    {"--line", true},
    {"--train", true},
    {"--port", true},
    {"--open", false},
}};

int port_of(const ParsedArguments& parsed) {
  const std::string* given = parsed.value("--port");
  if (given == nullptr) return 0;
  int port = -1;
  const char* end = given->data() + given->size();
  const auto [stop, failed] = std::from_chars(given->data(), end, port);
  if (failed != std::errc{} || stop != end || port < 0 || port > 65535) {
    throw UsageError("--port takes a port number from 0 to 65535, not '" + *given + "'");
  }
  return port;
}

// Asks the desktop to open `url`; false when it could not be asked.
bool open_in_browser(const std::string& url) {
#ifdef _WIN32
  const std::wstring wide(url.begin(), url.end());  // the address is ASCII
  return reinterpret_cast<INT_PTR>(
             ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
#else
  std::string program = "xdg-open";
  std::string address = url;
  char* argv[] = {program.data(), address.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

}  // namespace

int preview_command(Arguments args, std::ostream& out, std::ostream& err) {
  return guarded("preview", err, [&] {
    const ParsedArguments parsed = parse_arguments(args, kOptions);
    if (parsed.help) {
      out << kHelp;
      return kExitClean;
    }
    const std::filesystem::path folder = parsed.single_folder();
    const ScenarioNames names = scenario_names(parsed);
    const int port = port_of(parsed);
    if (!std::filesystem::is_directory(folder)) {
      throw UsageError("'" + folder.string() + "' is not a folder");
    }

    // Before any thread starts, so that Ctrl-C reaches only the wait below.
    StopRequest stop_request;
    PreviewBuilder builder(folder, names);
    const std::vector<std::filesystem::path> descriptions{builder.line_description(),
                                                          builder.train_description()};
    // Looked at before the first build reads them: a save made meanwhile is
    // then seen as a change.
    std::vector<FileLook> before = look_at(descriptions);
    std::unique_ptr<PreviewServer> server;
    try {
      server = std::make_unique<PreviewServer>(port, builder.build());
    } catch (const PreviewServerError& failure) {
      throw Refusal(failure.what());
    }
    out << "preview of " << names.line << " - " << names.train << " at " << server->url()
        << " (Ctrl-C ends it)\n"
        << std::flush;
    if (!out) {
      err << "scenario-tool preview: cannot write standard output\n";
      return kExitUsage;
    }
    if (parsed.has("--open") && !open_in_browser(server->url())) {
      err << "scenario-tool preview: could not ask the desktop to open " << server->url() << "\n";
    }
    {
      DescriptionWatcher watcher(descriptions, std::move(before), kDescriptionLookInterval,
                                 [&] { server->publish(builder.build()); });
      stop_request.wait();
    }
    server->stop();
    return kExitClean;
  });
}

}  // namespace borgo::tools
