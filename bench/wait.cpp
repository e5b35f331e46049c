// What the wait for the next tick costs: the real game replays a recorded
// 20 s on the menu and 20 s of play, spinning (the default) and with
// --rest, and the processor share it takes and the ticks a second it keeps
// are measured from outside. A replay of Exit chosen at once is subtracted
// from each, so start-up and shut-down count for nothing.
//
// The game needs an X display: under none these are skipped (run the suite
// under xvfb-run). The recordings are bench/recordings/*.rec, made by
// bench/recordings/make.sh.
#include "wait.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct Replayed {
  bool ok = false;
  std::string problem;
  double wallSeconds = 0;
  double cpuSeconds = 0;  // user and system, the game's threads together
  long ticks = 0;         // the recording's own count
};

// The count on a recording's last line, "end N"; 0 when there is none.
long recordedTicks(const std::string& path) {
  std::ifstream in(path.c_str());
  long ticks = 0;
  for (std::string line; std::getline(in, line);)
    if (line.compare(0, 4, "end ") == 0) ticks = std::atol(line.c_str() + 4);
  return ticks;
}

// Replays a recording with the run folder's binary, data and level files,
// settings and scores kept in a scratch folder, at 35 ticks a second.
Replayed replay(const std::string& recording, bool rest) {
  Replayed r;
  r.ticks = recordedTicks(recording);
  if (r.ticks == 0) {
    r.problem = recording + ": no recording";
    return r;
  }
  char pattern[] = "/tmp/brindlecove-wait-XXXXXX";
  if (!mkdtemp(pattern)) {
    r.problem = "mkdtemp failed";
    return r;
  }
  std::string scratch = pattern;
  auto started = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    setenv("XDG_CONFIG_HOME", (scratch + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (scratch + "/share").c_str(), 1);
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    if (chdir(RUN_DIR) != 0) _exit(127);
    if (rest)
      execl(RUN_DIR "/brindlecove", "brindlecove", "--replay", recording.c_str(), "--rest",
            static_cast<char*>(nullptr));
    else
      execl(RUN_DIR "/brindlecove", "brindlecove", "--replay", recording.c_str(),
            static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  bool waited = pid > 0 && wait4(pid, &status, 0, &usage) == pid;
  r.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  r.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::system(("rm -rf '" + scratch + "'").c_str());
  if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    r.problem = recording + ": the replay did not end with status 0 (level files changed? " +
                "remake the recordings with bench/recordings/make.sh)";
    return r;
  }
  r.ok = true;
  return r;
}

// cpu_percent: of one core; ticks_per_s: the game's ticks over the wall
// clock. Both for the recording less the replay of Exit at once.
void waitForTicks(benchmark::State& state, const std::string& recording, bool rest) {
  if (!std::getenv("DISPLAY")) {
    state.SkipWithError("needs an X display (run the suite under xvfb-run)");
    return;
  }
  Replayed measured, baseline;
  for (auto _ : state) {
    baseline = replay(RECORDINGS_DIR "/exit-at-once.rec", rest);
    measured = replay(recording, rest);
    for (const Replayed* r : {&baseline, &measured})
      if (!r->ok) {
        state.SkipWithError(r->problem.c_str());
        return;
      }
    state.SetIterationTime(measured.wallSeconds - baseline.wallSeconds);
  }
  double seconds = measured.wallSeconds - baseline.wallSeconds;
  state.counters["cpu_percent"] = 100 * (measured.cpuSeconds - baseline.cpuSeconds) / seconds;
  state.counters["ticks_per_s"] = (measured.ticks - baseline.ticks) / seconds;
}

}  // namespace

void registerWaitBenchmarks() {
  for (bool rest : {false, true}) {
    for (const char* screen : {"menu", "play"}) {
      std::string recording = RECORDINGS_DIR "/" + std::string(screen) + "-20s.rec";
      std::string name = std::string("wait/") + (rest ? "rest/" : "spin/") + screen;
      benchmark::RegisterBenchmark(name.c_str(),
                                   [recording, rest](benchmark::State& s) {
                                     waitForTicks(s, recording, rest);
                                   })
          ->UseManualTime()
          ->Unit(benchmark::kSecond)
          ->Iterations(1);
    }
  }
}
