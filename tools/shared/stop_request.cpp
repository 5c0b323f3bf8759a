#include "tools/shared/stop_request.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
#endif

#include <stdexcept>

namespace borgo::tools {

#ifdef _WIN32

namespace {

HANDLE requested = nullptr;  // set when the user asks the program to end
HANDLE finished = nullptr;   // set once the program has cleaned up

BOOL WINAPI on_console_event(DWORD event) {
  SetEvent(requested);
  // Windows ends the process as soon as the handler of a closing console
  // returns: wait for the clean-up first, within the few seconds it allows.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(finished, 4000);
  }
  return TRUE;
}

}  // namespace

StopRequest::StopRequest() {
  requested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (requested == nullptr || finished == nullptr ||
      !SetConsoleCtrlHandler(on_console_event, TRUE)) {
    throw std::runtime_error("cannot take the console's Ctrl-C");
  }
}

StopRequest::~StopRequest() {
  SetEvent(finished);
  SetConsoleCtrlHandler(on_console_event, FALSE);
}

void StopRequest::wait() { WaitForSingleObject(requested, INFINITE); }

#else

namespace {

sigset_t stop_signals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

sigset_t held_before;

}  // namespace

StopRequest::StopRequest() {
  const sigset_t signals = stop_signals();
  if (pthread_sigmask(SIG_BLOCK, &signals, &held_before) != 0) {
    throw std::runtime_error("cannot hold back the stop signals");
  }
}

StopRequest::~StopRequest() { pthread_sigmask(SIG_SETMASK, &held_before, nullptr); }

void StopRequest::wait() {
  const sigset_t signals = stop_signals();
  int taken = 0;
  if (sigwait(&signals, &taken) != 0) throw std::runtime_error("cannot wait for a stop signal");
}

#endif

}  // namespace borgo::tools
