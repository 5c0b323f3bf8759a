// borgo_peak_rss PROGRAM [ARGUMENT...]: runs PROGRAM, its output thrown
// away, and prints its peak resident memory in bytes. A child's peak counts
// the memory of the process it was forked from, so the benchmarks ask this
// small process to start the program rather than start it from their own,
// much larger one.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: borgo_peak_rss PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(argv[1], argv + 1);
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return 2;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  std::printf("%lld\n", static_cast<long long>(usage.ru_maxrss) * 1024);
  return 0;
}
