// Level solver: searches the key presses that bring the player from the
// start to the exit in time, running the game's own world update.
#ifndef BRINDLECOVE_LEVEL_SOLVER_H
#define BRINDLECOVE_LEVEL_SOLVER_H

#include <vector>

#include "level_run.h"

const int SOLVER_DEFAULT_STEP = 1;
const long SOLVER_DEFAULT_BUDGET = 1000000;

struct SolveOptions {
  int step = SOLVER_DEFAULT_STEP;        // ticks the same keys are held for, 1 to 35
  long budget = SOLVER_DEFAULT_BUDGET;   // states expanded by the first pass at most
};

struct SolveResult {
  bool finishable = false;
  // Not finishable and every state the steps reach was searched; otherwise
  // the budget ran out first and nothing is known.
  bool exhausted = false;
  // The run has the fewest ticks any run of whole steps can have.
  bool shortest = false;
  int ticks = 0;                  // of the best run found
  long states = 0;                // states expanded, over all passes
  std::vector<TickKeys> keys;     // one per tick of that run
};

// A* over whole steps of held keys: walk left, right or not, with or
// without Up, and with a shot on the step's first tick while there is
// ammunition and a live enemy. The cost is the tick count; the estimate the
// horizontal gap to the nearest exit at the fastest walk (a platform adds
// its speed where one can carry him). States already reached as early are
// dropped, and so are those that cannot reach the exit before the clock
// runs out. Should the budget run out, two greedier passes with half the
// budget each may still find a run, not always the shortest. Works on the
// level startRun started and leaves the world as it was at the start.
SolveResult solveLevel(const SolveOptions& options);

#endif
