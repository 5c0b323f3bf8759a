#pragma once

// scenario-tool as a process of its own, as an author starts it, which a
// signal ends as Ctrl-C does. Linux.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace borgo::testing {

class ToolProcess {
 public:
  // Starts BORGO_TOOL with `words`; its standard output is read by address().
  explicit ToolProcess(std::vector<std::string> words) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    words.insert(words.begin(), BORGO_TOOL);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, BORGO_TOOL, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = out[0];
    if (spawned != 0) {
      pid_ = -1;
      throw std::runtime_error("cannot start the tool");
    }
  }
  ~ToolProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
  }
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  // The address the preview prints first, within 10 s; "" for none.
  std::string address() {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
      pollfd readable{out_, POLLIN, 0};
      if (poll(&readable, 1, 100) <= 0) continue;
      char chunk[512];
      const ssize_t n = read(out_, chunk, sizeof chunk);
      if (n <= 0) break;
      text.append(chunk, static_cast<std::size_t>(n));
    }
    std::smatch found;
    if (!std::regex_search(text, found, std::regex(R"(http://127\.0\.0\.1:\d+/)"))) return "";
    return found.str();
  }

  // The port of that address; 0 for none.
  int port() {
    const std::string url = address();
    if (url.empty()) return 0;
    return std::stoi(url.substr(url.rfind(':') + 1));
  }

  void signal(int number) { kill(pid_, number); }

  // The exit status once the tool has ended; nullopt before, -1 when it
  // did not end by exiting.
  std::optional<int> exit_status() {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) != pid_) return std::nullopt;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Sends `number` and returns the exit status, or nullopt when the tool did
  // not end by exiting within `limit`.
  std::optional<int> end_with(int number, std::chrono::milliseconds limit) {
    signal(number);
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (const std::optional<int> status = exit_status()) {
        if (*status < 0) return std::nullopt;
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

}  // namespace borgo::testing
