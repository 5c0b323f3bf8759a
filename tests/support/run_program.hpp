#pragma once

#include <filesystem>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/wait.h>

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

}  // namespace borgo::testing
