// Level solver: searches the key presses that bring the player from the
// start to the exit in time, running the game's own world update.
#ifndef BRINDLECOVE_LEVEL_SOLVER_H
#define BRINDLECOVE_LEVEL_SOLVER_H

#include <vector>

#include "level_run.h"

const int SOLVER_DEFAULT_STEP = 1;
const long SOLVER_DEFAULT_BUDGET = 300000;

struct SolveOptions {
  int step = SOLVER_DEFAULT_STEP;        // ticks the same keys are held for, 1 to 35
  // States expanded by each pass at most; the kinder world searches five
  // times as many at most, the nearest the start first, and the timed one
  // forty times as many states of a tick and a place (else it is not used).
  long budget = SOLVER_DEFAULT_BUDGET;
  // Off: no estimate, every state in order of its tick. Far slower; it is
  // there to check the estimate against.
  bool guided = true;
};

struct SolveResult {
  bool finishable = false;
  // Not finishable and every state the steps reach was searched; otherwise
  // the budget ran out first and nothing is known.
  bool exhausted = false;
  // The run has the fewest ticks any run of whole steps can have; shown,
  // not guessed.
  bool shortest = false;
  int ticks = 0;                  // of the best run found
  long states = 0;                // states expanded, over all passes
  std::vector<TickKeys> keys;     // one per tick of that run
};

// The shortest run over whole steps of held keys: walk left, right or not,
// with or without Up, and with a shot on the step's first tick where that
// shot can hit an enemy. Greedy passes find a run first, steered by a guess
// from the player's x and then by the distances of a kinder world
// (relaxed_distances.h); a timed kinder world (timed_distances.h) shows how
// soon any run could finish, and A* then searches for a shorter one, with
// the tick count as the cost and an estimate that never says more than a
// real run needs (level_solver.cpp says how). A world reached again no earlier is
// dropped, and so is one that cannot reach the exit before the clock runs
// out or before the run in hand. When a pass runs out of states the run in
// hand is the shortest; when every pass runs out of budget first, the run
// in hand is the best found and nothing more. Works on the level startRun
// started and leaves the world as it was.
SolveResult solveLevel(const SolveOptions& options);

// Whether some run takes a pickup, for each pickup of the level in grid
// order. A search aims at each one not yet seen taken (on the budget each,
// the steps as for solveLevel) and drops, as solveLevel does, every state
// that can no longer reach the exit in time; so an unreached pickup whose
// search was exhausted is one no finishing run can take.
struct PickupReach {
  int col, row;
  bool reached;
  bool exhausted;  // not reached, and every state the steps reach was searched
  long states;     // expanded by its own search; 0 when taken on another's way
};
std::vector<PickupReach> reachPickups(const SolveOptions& options);

#endif
