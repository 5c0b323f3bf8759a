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
#include "tools/cli/options.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/preview/build.hpp"
#include "tools/preview/server.hpp"
#include "tools/preview/watch.hpp"
#include "tools/shared/scenario_files.hpp"
#include "tools/shared/stop_request.hpp"

#ifndef _WIN32
extern char** environ;
#endif

namespace borgo::tools {
namespace {

// The port given to --port.
int port_number(const std::string& given) {
  int port = -1;
  const char* end = given.data() + given.size();
  const auto [stop, failed] = std::from_chars(given.data(), end, port);
  if (failed != std::errc{} || stop != end || port < 0 || port > 65535) {
    throw UsageError("--port takes a port number from 0 to 65535, not '" + given + "'");
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

class PreviewCommand final : public Command {
 public:
  Text text() const override {
    return {.name = "preview",
            .summary =
                "a page on 127.0.0.1 that shows the drawing and the\ndiagnostics, and follows each "
                "saved change",
            .description =
                R"(Serves a page that shows the line as "scenario-tool render" draws it, beside
the compile's outcome and diagnostics, and keeps it up to date: each time
DIR/NAME_linea.txt or DIR/NAME_TRAIN-.txt is saved, the descriptions are
compiled again and the open pages change in place, keeping their zoom and
scroll. A description caught half-written keeps the last good drawing and
says why; after an error, which stops the reading, the page says where and
shades what was not read. Nothing is written into DIR.

In the page, hovering a station, signal, sign, slow-down or montagna range
shows its row, position, cells and kilometre progressive; clicking a
diagnostic shows its place on the drawing; the wheel zooms the drawing and a
drag pans it (a double click shows it whole).

The server listens on 127.0.0.1 only and answers to no other host name. Its
address is the first line on standard output. Ctrl-C ends it.
)",
            .footer = R"(Exit status: 0 ended by Ctrl-C; 2 a usage problem, a port that cannot be
listened on, or standard output that cannot be written.
)"};
  }

  void define(CLI::App& app) override {
    add_folder(app, folder_name_, "the folder of the two descriptions");
    add_scenario_options(app, scenario_);
    port_ = app.add_option("--port", port_text_, "the port to listen on (default: a free one)")
                ->type_name("N");
    app.add_flag("--open", open_, "ask the desktop to open the page in a browser");
  }

  int run(std::ostream& out, std::ostream& err) override {
    const std::filesystem::path folder = folder_name_;
    const ScenarioNames names = scenario_names(scenario_);
    const int port = port_->count() > 0 ? port_number(port_text_) : 0;
    check_descriptions_present(folder, names);

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
    if (open_ && !open_in_browser(server->url())) {
      err << "scenario-tool preview: could not ask the desktop to open " << server->url() << "\n";
    }
    {
      DescriptionWatcher watcher(descriptions, std::move(before), kDescriptionLookInterval,
                                 [&] { server->publish(builder.build()); });
      stop_request.wait();
    }
    server->stop();
    return kExitClean;
  }

 private:
  std::string folder_name_;
  ScenarioOptions scenario_;
  std::string port_text_;
  CLI::Option* port_ = nullptr;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<Command> preview_command() { return std::make_unique<PreviewCommand>(); }

}  // namespace borgo::tools
