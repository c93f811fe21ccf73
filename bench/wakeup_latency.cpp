// How late this machine wakes periodic real-time threads, with none of the project's code in
// the way: a baseline for the real-time streaming run. Each thread sleeps to absolute
// deadlines one period apart, in SCHED_FIFO where the process may use it, and counts how
// late it woke. A streaming run needs at least two such threads (the kernel's transfers and
// the driver's streaming thread), so that is the default.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

namespace {

struct Options {
  double seconds = 10;
  int threads = 2;
  std::int64_t periodUs = 1000;
};

struct Lateness {
  std::int64_t wakeups = 0;
  std::int64_t worstNs = 0;
  std::int64_t over2Ms = 0;
  std::int64_t over10Ms = 0;
  bool realtime = false;
};

std::int64_t nowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

void measure(const Options& options, Lateness& result) {
  sched_param parameter{};
  parameter.sched_priority = 10;
  result.realtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter) == 0;
  const std::int64_t period = options.periodUs * 1000;
  std::int64_t deadline = nowNs();
  const std::int64_t end = deadline + static_cast<std::int64_t>(options.seconds * 1e9);
  while (deadline < end) {
    deadline += period;
    const timespec at{static_cast<time_t>(deadline / 1'000'000'000),
                      static_cast<long>(deadline % 1'000'000'000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
    const std::int64_t late = nowNs() - deadline;
    ++result.wakeups;
    result.worstNs = late > result.worstNs ? late : result.worstNs;
    result.over2Ms += late > 2'000'000 ? 1 : 0;
    result.over10Ms += late > 10'000'000 ? 1 : 0;
  }
}

void usage() {
  std::puts("usage: wakeup-latency [--seconds S] [--threads N] [--period-us P]\n"
            "Wakes N threads every P microseconds for S seconds (default 2 threads, 1000 us, 10 s)\n"
            "and reports how late each woke: the machine's own floor for real-time streaming.");
}

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help" || name == "-h") {
      usage();
      std::exit(0);
    }
    if (i + 1 >= argc) {
      return false;
    }
    const char* value = argv[++i];
    if (name == "--seconds") {
      options.seconds = std::atof(value);
    } else if (name == "--threads") {
      options.threads = std::atoi(value);
    } else if (name == "--period-us") {
      options.periodUs = std::atoll(value);
    } else {
      return false;
    }
  }
  return options.seconds > 0 && options.threads > 0 && options.threads <= 64 && options.periodUs > 0;
}

} // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    usage();
    return 2;
  }
  std::vector<Lateness> results(static_cast<std::size_t>(options.threads));
  std::vector<std::thread> threads;
  for (Lateness& result : results) {
    threads.emplace_back([&options, &result] { measure(options, result); });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  std::printf("Wake-ups        %d threads every %lld us for %.0f s, nothing else of ours running\n",
              options.threads, static_cast<long long>(options.periodUs), options.seconds);
  for (std::size_t i = 0; i < results.size(); ++i) {
    const Lateness& r = results[i];
    std::printf("  thread %-6zu %s: %lld wake-ups, worst %.3f ms late, %lld over 2 ms, %lld over 10 ms\n", i,
                r.realtime ? "SCHED_FIFO" : "normal    ", static_cast<long long>(r.wakeups), r.worstNs / 1e6,
                static_cast<long long>(r.over2Ms), static_cast<long long>(r.over10Ms));
  }
  return 0;
}
