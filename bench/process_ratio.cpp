// Times whole runs of two programs with the same arguments, alternating
// between them, stdout and stderr sent to /dev/null; prints the median wall
// time and the median CPU time (user + system, from wait4) of each, the
// medians of the ratios of the two runs of each pair, and the largest
// resident set of any run. On a busy machine the CPU time is the steadier
// figure, and a pair's ratio steadier than either run: both runs of a pair
// meet much the same load.
//
//   process_ratio RUNS FAST BASELINE [ARGS...]
//   e.g. process_ratio 41 zemta bench/zemta_one_at_a_time 999
//        process_ratio 41 zemta bench/process_floor_999 999
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Run {
  double ms = 0.0;
  double cpu_ms = 0.0;
  long max_rss_kb = 0;
};

bool run_once(char* program, char** args, Run& result) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    return false;
  }
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    args[0] = program;
    execv(program, args);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return false;
  }
  result.ms = std::chrono::duration<double, std::milli>(
                  std::chrono::steady_clock::now() - start)
                  .count();
  result.max_rss_kb = usage.ru_maxrss;
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 +
           static_cast<double>(t.tv_usec) * 1e-3;
  };
  result.cpu_ms = ms(usage.ru_utime) + ms(usage.ru_stime);
  return true;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: process_ratio RUNS FAST BASELINE [ARGS...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  if (runs < 1) {
    std::fprintf(stderr, "process_ratio: RUNS must be at least 1\n");
    return 2;
  }
  // argv[3] becomes the child's argv[0]; its arguments follow.
  char** child_args = argv + 3;
  std::vector<double> times[2];
  std::vector<double> cpu_times[2];
  std::vector<double> wall_ratios;
  std::vector<double> cpu_ratios;
  long max_rss_kb[2] = {0, 0};
  char* programs[2] = {argv[2], argv[3]};
  for (int r = 0; r < runs; ++r) {
    for (int which = 0; which < 2; ++which) {
      // Alternate which one goes first, so neither always follows the other.
      const int p = (r % 2 == 0) ? which : 1 - which;
      Run run;
      if (!run_once(programs[p], child_args, run)) {
        std::fprintf(stderr, "process_ratio: %s failed\n", programs[p]);
        return 1;
      }
      times[p].push_back(run.ms);
      cpu_times[p].push_back(run.cpu_ms);
      max_rss_kb[p] = std::max(max_rss_kb[p], run.max_rss_kb);
    }
    wall_ratios.push_back(times[0].back() / times[1].back());
    cpu_ratios.push_back(cpu_times[0].back() / cpu_times[1].back());
  }
  for (int p = 0; p < 2; ++p) {
    std::vector<double> sorted = times[p];
    std::sort(sorted.begin(), sorted.end());
    std::printf(
        "%s\n  wall median %.2f ms (min %.2f, max %.2f)  cpu median %.2f ms"
        "  max RSS %ld KB\n",
        programs[p], median(times[p]), sorted.front(), sorted.back(),
        median(cpu_times[p]), max_rss_kb[p]);
  }
  std::printf(
      "ratio of the medians over %d alternating runs each: wall %.3f,"
      " cpu %.3f\n",
      runs, median(times[0]) / median(times[1]),
      median(cpu_times[0]) / median(cpu_times[1]));
  std::printf("median of the %d pairs' ratios: wall %.3f, cpu %.3f\n", runs,
              median(wall_ratios), median(cpu_ratios));
  return 0;
}
