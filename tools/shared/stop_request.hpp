#pragma once

namespace borgo::tools {

// The user's request to end a program that runs until told: Ctrl-C or a
// termination signal on Linux; Ctrl-C, Ctrl-Break or the console window's
// closing on Windows. Make it before starting any thread: on Linux the
// signals are then held back from every thread and only wait() takes them,
// so that no thread is cut short in the middle of its work.
class StopRequest {
 public:
  StopRequest();
  ~StopRequest();  // on Windows, lets a closing console end the process
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  // Blocks until the request comes.
  void wait();
};

}  // namespace borgo::tools
