// run_child: runs one program and reports its wall time and peak memory.
//
//   run_child OUT ERR PROGRAM [ARG...]
//
// runs PROGRAM with its standard output in the file OUT, its standard error
// in ERR and no standard input, and prints one line: the program's exit
// status (128 + the signal when a signal ended it), the wall time from just
// before the fork to the end of the wait in nanoseconds, its peak resident
// memory in KiB and the CPU time it used (user and system) in microseconds,
// as wait4 reports them for that child alone.
//
// whole_run.py runs every timed child through this small parent because the
// peak memory of a child counts the memory of the process it was forked from
// up to its exec: started straight from the Python interpreter, every child
// would weigh 20 MiB or more. Here the fork copies only this program's few
// pages. Exits with 125, and a message, when the program cannot be started.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int kCannotRun = 125;

int OpenOutput(const char* path) {
  const int file = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (file < 0) {
    std::fprintf(stderr, "run_child: cannot open %s: %s\n", path, std::strerror(errno));
  }
  return file;
}

long long Nanoseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: run_child OUT ERR PROGRAM [ARG...]\n");
    return kCannotRun;
  }
  const int out = OpenOutput(argv[1]);
  const int err = OpenOutput(argv[2]);
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (out < 0 || err < 0 || in < 0) return kCannotRun;

  const long long start = Nanoseconds();
  const pid_t child = ::fork();
  if (child < 0) {
    std::fprintf(stderr, "run_child: cannot fork: %s\n", std::strerror(errno));
    return kCannotRun;
  }
  if (child == 0) {
    if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) _exit(kCannotRun);
    ::execv(argv[3], argv + 3);
    // The message goes to ERR, where the caller looks for the child's words.
    std::fprintf(stderr, "run_child: cannot run %s: %s\n", argv[3], std::strerror(errno));
    _exit(kCannotRun);
  }
  int status = 0;
  rusage usage{};
  pid_t waited = 0;
  do {
    waited = ::wait4(child, &status, 0, &usage);
  } while (waited < 0 && errno == EINTR);
  const long long end = Nanoseconds();
  if (waited < 0) {
    std::fprintf(stderr, "run_child: cannot wait for %s: %s\n", argv[3], std::strerror(errno));
    return kCannotRun;
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  const long long cpu = (static_cast<long long>(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) *
                            1000000LL +
                        usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
  std::printf("%d %lld %ld %lld\n", code, end - start, usage.ru_maxrss, cpu);
  return 0;
}
