#pragma once

// Headless Chromium driven through its DevTools protocol over a pipe (the
// browser reads commands from its descriptor 3 and answers on 4, one JSON
// message each, ended by a NUL byte): no WebSocket, no driver program. Linux.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/scratch_folder.hpp"

extern char** environ;

namespace borgo::testing {

// The browser to drive: $BORGO_CHROMIUM, or Debian's chromium; none when
// neither is there.
inline std::optional<std::filesystem::path> find_chromium() {
  if (const char* given = std::getenv("BORGO_CHROMIUM"); given != nullptr && *given != '\0') {
    return std::filesystem::path(given);
  }
  const std::filesystem::path debian = "/usr/bin/chromium";
  if (std::filesystem::exists(debian)) return debian;
  return std::nullopt;
}

class HeadlessChromium {
 public:
  using Json = nlohmann::json;

  // Starts the browser on an empty page of `width` x `height` pixels.
  HeadlessChromium(const std::filesystem::path& program, int width, int height) {
    int to_browser[2];
    int from_browser[2];
    if (pipe2(to_browser, O_CLOEXEC) != 0 || pipe2(from_browser, O_CLOEXEC) != 0) {
      throw std::runtime_error("no pipe for the browser");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_browser[0], 3);
    posix_spawn_file_actions_adddup2(&actions, from_browser[1], 4);
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    posix_spawn_file_actions_adddup2(&actions, quiet, 1);
    posix_spawn_file_actions_adddup2(&actions, quiet, 2);
    // As root, and on a machine whose network is closed: no sandbox, and none
    // of the browser's own background connections.
    std::vector<std::string> words{
        program.string(),
        "--headless",
        "--no-sandbox",
        "--disable-gpu",
        "--disable-quic",
        "--no-first-run",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--hide-scrollbars",
        "--user-data-dir=" + profile_.path().string(),
        "--window-size=" + std::to_string(width) + "," + std::to_string(height),
        "--remote-debugging-pipe",
        "about:blank"};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(quiet);
    close(to_browser[0]);
    close(from_browser[1]);
    to_ = to_browser[1];
    from_ = from_browser[0];
    if (spawned != 0) {
      pid_ = -1;
      throw std::runtime_error("cannot start " + program.string());
    }
  }

  ~HeadlessChromium() {
    if (pid_ > 0) {
      try {
        send("Browser.close", Json::object(), std::nullopt);
      } catch (...) {
      }
      bool ended = false;
      for (int i = 0; i < 100 && !ended; ++i) {
        ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
    }
    close(to_);
    close(from_);
  }

  HeadlessChromium(const HeadlessChromium&) = delete;
  HeadlessChromium& operator=(const HeadlessChromium&) = delete;

  // A script that threw, or that the tab could not run (its page was still
  // being replaced, say): the page may not be there yet.
  class ScriptError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  // Opens a tab on `url` and returns once the page has loaded (its load
  // event fired), so that the first look at it finds its document; the
  // commands below go to that tab.
  void open(const std::string& url) {
    const Json target = call("Target.createTarget", {{"url", "about:blank"}}, std::nullopt);
    const Json attached =
        call("Target.attachToTarget", {{"targetId", target.at("targetId")}, {"flatten", true}},
             std::nullopt);
    session_ = attached.at("sessionId").get<std::string>();
    call("Page.enable", Json::object(), session_);
    call("Page.setLifecycleEventsEnabled", {{"enabled", true}}, session_);
    const Json navigated = call("Page.navigate", {{"url", url}}, session_);
    if (navigated.contains("errorText")) {
      throw std::runtime_error("cannot load " + url + ": " + navigated.at("errorText").dump());
    }
    // The blank page the tab began with has a load event of its own: only
    // this navigation's counts.
    const Json loader = navigated.at("loaderId");
    wait_for_event([&](const Json& event) {
      return event.value("method", std::string()) == "Page.lifecycleEvent" &&
             event.at("params").value("name", std::string()) == "load" &&
             event.at("params").value("loaderId", Json()) == loader;
    });
  }

  // The value of a JavaScript expression in the tab (a promise is awaited).
  Json evaluate(const std::string& expression) {
    Json result;
    try {
      result = call("Runtime.evaluate",
                    {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}},
                    session_);
    } catch (const CommandError& refused) {
      throw ScriptError(refused.what());
    }
    if (result.contains("exceptionDetails")) {
      throw ScriptError("script failed: " + result.at("exceptionDetails").dump());
    }
    const Json& value = result.at("result");
    return value.contains("value") ? value.at("value") : Json();
  }

  // Evaluates `expression` until it is true, for at most `limit`. A script
  // that throws counts as "not yet"; the last such failure is reported only
  // once the time has run out.
  ::testing::AssertionResult wait_until(const std::string& expression,
                                        std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    std::string last_failure;
    do {
      try {
        if (evaluate("Boolean(" + expression + ")") == Json(true)) {
          return ::testing::AssertionSuccess();
        }
        last_failure.clear();
      } catch (const ScriptError& failed) {
        last_failure = failed.what();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
    ::testing::AssertionResult timed_out = ::testing::AssertionFailure();
    timed_out << "not true within " << limit.count() << " ms: " << expression;
    if (!last_failure.empty()) timed_out << "\nlast failure: " << last_failure;
    return timed_out;
  }

  // Moves the mouse to a point of the tab's viewport.
  void move_mouse(double x, double y) {
    call("Input.dispatchMouseEvent", {{"type", "mouseMoved"}, {"x", x}, {"y", y}}, session_);
  }

  // A PNG of the tab as it shows now.
  std::string screenshot() {
    const Json shot = call("Page.captureScreenshot", {{"format", "png"}}, session_);
    return base64_decoded(shot.at("data").get<std::string>());
  }

 private:
  static constexpr auto kAnswerLimit = std::chrono::seconds(20);
  // Events kept while a command waits for its answer, for a later wait.
  static constexpr std::size_t kMostEventsKept = 1000;

  // The browser refused a command.
  class CommandError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  int send(const std::string& method, const Json& params,
           const std::optional<std::string>& session) {
    const int id = ++last_id_;
    Json message = {{"id", id}, {"method", method}, {"params", params}};
    if (session) message["sessionId"] = *session;
    std::string bytes = message.dump();
    bytes.push_back('\0');
    for (std::size_t sent = 0; sent < bytes.size();) {
      const ssize_t n = write(to_, bytes.data() + sent, bytes.size() - sent);
      if (n <= 0) throw std::runtime_error("the browser stopped reading");
      sent += static_cast<std::size_t>(n);
    }
    return id;
  }

  // Sends a command and waits for its answer; the tab's events in between
  // are kept.
  Json call(const std::string& method, const Json& params,
            const std::optional<std::string>& session) {
    const int id = send(method, params, session);
    const auto end = std::chrono::steady_clock::now() + kAnswerLimit;
    for (;;) {
      Json message = Json::parse(next_message(end));
      if (!message.contains("id")) {
        keep_event(std::move(message));
        continue;
      }
      if (message.at("id") != id) continue;
      if (message.contains("error")) {
        throw CommandError(method + ": " + message.at("error").dump());
      }
      return message.at("result");
    }
  }

  void keep_event(Json event) {
    if (!session_ || event.value("sessionId", std::string()) != *session_) return;
    if (events_.size() == kMostEventsKept) events_.pop_front();
    events_.push_back(std::move(event));
  }

  // Waits for an event of the tab's that `wanted` accepts, one already kept
  // included.
  template <typename Wanted>
  void wait_for_event(const Wanted& wanted) {
    const auto end = std::chrono::steady_clock::now() + kAnswerLimit;
    for (;;) {
      while (!events_.empty()) {
        const Json event = std::move(events_.front());
        events_.pop_front();
        if (wanted(event)) return;
      }
      keep_event(Json::parse(next_message(end)));
    }
  }

  std::string next_message(std::chrono::steady_clock::time_point end) {
    for (;;) {
      if (const std::size_t nul = buffer_.find('\0'); nul != std::string::npos) {
        std::string message = buffer_.substr(0, nul);
        buffer_.erase(0, nul + 1);
        return message;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) throw std::runtime_error("the browser did not answer in time");
      pollfd readable{from_, POLLIN, 0};
      if (poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[65536];
      const ssize_t n = read(from_, chunk, sizeof chunk);
      if (n <= 0) throw std::runtime_error("the browser went away");
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  static std::string base64_decoded(const std::string& text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (const char c : text) {
      int digit = -1;
      if (c >= 'A' && c <= 'Z') digit = c - 'A';
      if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
      if (c >= '0' && c <= '9') digit = c - '0' + 52;
      if (c == '+') digit = 62;
      if (c == '/') digit = 63;
      if (digit < 0) continue;  // padding
      value = (value << 6) | static_cast<unsigned>(digit);
      bits += 6;
      if (bits >= 8) {
        bits -= 8;
        out.push_back(static_cast<char>((value >> bits) & 0xFF));
      }
    }
    return out;
  }

  ScratchFolder profile_;
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
  int last_id_ = 0;
  std::string buffer_;
  std::optional<std::string> session_;
  std::deque<Json> events_;
};

}  // namespace borgo::testing
