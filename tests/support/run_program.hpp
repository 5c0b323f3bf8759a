#pragma once

#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace borgo::testing {

// Runs `program` without arguments, its output thrown away, and waits for it
// to end. Returns its exit status, or -1 when it could not be started or did
// not end by exiting.
inline int run_program(const std::filesystem::path& program) {
#ifdef _WIN32
  std::wstring command_line = L"\"" + program.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  DWORD status = 0;
  const bool ended = WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return ended ? static_cast<int>(status) : -1;
#else
  const std::string command = "'" + program.string() + "' >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// Starts `copies` copies of `program` one right after the other, without
// waiting for any, as a user double-clicking would; then waits for them all.
// Returns their exit statuses in the order they were started, -1 for a copy
// that could not be started or did not end by exiting.
inline std::vector<int> run_programs_together(const std::filesystem::path& program, int copies) {
  std::vector<int> statuses;
#ifdef _WIN32
  std::vector<HANDLE> processes;
  for (int i = 0; i < copies; ++i) {
    std::wstring command_line = L"\"" + program.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
      CloseHandle(process.hThread);
      processes.push_back(process.hProcess);
    } else {
      processes.push_back(nullptr);
    }
  }
  for (HANDLE process : processes) {
    DWORD status = 0;
    const bool ended = process != nullptr &&
                       WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process, &status);
    if (process != nullptr) CloseHandle(process);
    statuses.push_back(ended ? static_cast<int>(status) : -1);
  }
#else
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  std::string path = program.string();
  char* const argv[] = {path.data(), nullptr};
  std::vector<pid_t> started;
  for (int i = 0; i < copies; ++i) {
    pid_t pid = -1;
    started.push_back(posix_spawn(&pid, path.c_str(), &quiet, nullptr, argv, environ) == 0 ? pid
                                                                                           : -1);
  }
  posix_spawn_file_actions_destroy(&quiet);
  for (const pid_t pid : started) {
    int status = 0;
    pid_t waited = -1;
    if (pid > 0) {
      do {
        waited = ::waitpid(pid, &status, 0);
      } while (waited < 0 && errno == EINTR);
    }
    statuses.push_back(waited == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  }
#endif
  return statuses;
}

}  // namespace borgo::testing
