// Solve job: the level tool's `solve` run as a child process beside the
// editor, so the window stays live while it searches. The solver works on
// the game's one world (the map, the player, the key states) that the
// editor draws and checks with, so it cannot run in the editor's process
// meanwhile; a child has a world of its own and can be stopped at once.
#ifndef BRINDLECOVE_SOLVE_JOB_H
#define BRINDLECOVE_SOLVE_JOB_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "level_run.h"

// What `solve --json --trace` answered.
struct SolveReport {
  bool answered = false;  // false: the tool failed, and `error` says why
  std::string error;
  bool finishable = false;
  bool shortest = false;   // finishable: no run is shorter
  bool exhausted = false;  // not finishable: every run was tried
  int ticks = 0;           // of the run found
  int timeLimit = 0;       // seconds
  double seconds = 0, spareSeconds = 0;
  long states = 0;
  std::vector<TickKeys> keys;  // one per tick of the run found
};

class SolveJob {
 public:
  SolveJob() = default;
  SolveJob(const SolveJob&) = delete;
  SolveJob& operator=(const SolveJob&) = delete;
  // A job still running is stopped.
  ~SolveJob();

  // Copies `level` into `folder` and starts `tool --data DATA solve --json
  // --trace ... COPY` with its output in `folder`, so later changes to
  // `level` do not reach it. False and `error` when it cannot start.
  bool start(const std::string& tool, const std::string& dataFolder, const std::string& level,
             const std::string& folder, std::string& error);
  bool running() const { return pid > 0; }
  pid_t processId() const { return pid; }
  // True once the job has ended, with its answer in `report`; false while
  // it runs (or when none was started). Never waits.
  bool poll(SolveReport& report);
  // Stops the running job and waits for it to go; it reports nothing.
  void cancel();

 private:
  SolveReport read(int status) const;
  void removeFiles() const;

  pid_t pid = -1;
  std::string folder;
};

#endif
