// Timed distances: the fewest ticks to an exit from each state of the
// player at each tick of a run, in a world kinder than the level's but
// less kind than the one of relaxed_distances.h: no enemies and no clock,
// and the platforms where they truly are at that tick.
//
// The kinder world cannot tell a run that waits for a lift from one that
// finds it there, so where a level makes the player wait its counts fall
// short. Here the next tick depends on the player and the tick alone, so
// the states that could still be on a run shorter than the limit can be
// searched tick by tick from the start, and the ticks from each to an exit
// counted back. Every run of the level is a run here too, so the first
// tick an exit is touched here is one no run of the level beats, and a
// state of the level with no count here cannot finish before the limit.
#ifndef BRINDLECOVE_TIMED_DISTANCES_H
#define BRINDLECOVE_TIMED_DISTANCES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "relaxed_distances.h"

class WorldState;

class TimedDistances {
 public:
  // What is worked out besides the earliest finish.
  enum Counts {
    NO_COUNTS,  // nothing: the ticks searched are not kept, in far less memory
    COUNTS,     // the ticks to an exit from every state that can finish before the limit
    // The search stops at the earliest finish, and the limit is lowered to
    // the tick after it: the counts are for the runs that finish then, the
    // first a shortest run is looked for among, in one search instead of two.
    COUNTS_TO_EARLIEST,
  };

  // Searches from the player as `world` saved him at tick 0, and puts the
  // world back. Only runs finishing before tick `before` are of interest;
  // a state the kinder world's counts put past it is not searched on.
  // Past `maxStates` states of a tick and a place in all, it gives up and
  // is not usable; so it is when the kinder world was cut short.
  TimedDistances(const WorldState& world, const RelaxedDistances& kinder, int before,
                 size_t maxStates, Counts want = COUNTS);

  bool usable() const { return ok; }
  size_t states() const { return searched; }

  // The first tick at which a run here touches an exit; the limit when no
  // run touches one before it. No run of the level finishes sooner.
  int earliestFinish() const { return earliest; }
  // The counts are for runs finishing before this tick.
  int finishesBefore() const { return limit; }

  // The fewest ticks the player as he now stands, `tick` ticks into a run,
  // needs to touch an exit: NO_EXIT when no run from here finishes before
  // the limit, UNKNOWN when this world cannot say (not usable or not
  // counted, or a state the kinder world did not meet).
  int ticksToExit(int tick) const;

 private:
  // The steps from a state with no platform under him: where each tick
  // takes him with every platform away (a state, or what else came of it),
  // with CATCHABLE added where a platform could catch him there.
  static const int ACTIONS = RelaxedDistances::ACTIONS;
  static const int32_t CATCHABLE = 1 << 30;
  using FreeSteps = std::array<int32_t, ACTIONS>;
  // What freeAt holds besides a place in frees.
  static constexpr int32_t UNSEEN = -1;
  static constexpr int32_t RIDER = -2;  // he stands on a platform: no free steps

  // The tick a run here found by a quick, greedy look touches an exit, or
  // -1 when it finds none among `most` states of a tick and a place.
  int someFinish(int first, size_t most);
  bool sweep(int first, size_t maxStates, Counts want);
  void countBack();
  // A tick's states as the search kept them, less those that can no longer
  // finish before the limit.
  void layerAt(size_t tick, std::vector<int32_t>& layer) const;
  // Whether, by the kinder world's count, the state at that tick can still
  // finish before the limit.
  bool inTime(int32_t state, long tick) const;
  // The states a tick from state `index` at tick `tick` leads to, as the
  // kinder world's indices, or a mark that it touched an exit; false when
  // one is not among them.
  bool successors(int index, int tick, std::vector<int32_t>& out);
  // Where the state's free steps are in frees, worked out on the first
  // call; RIDER for a rider.
  int32_t freeSteps(int index);
  void placePlatforms(int tick) const;

  const RelaxedDistances& kinder;
  int limit;  // runs finishing before it are of interest; lowered once one is known
  bool ok = false;
  bool counted = false;
  int earliest;
  size_t searched = 0;
  // per tick, where kept: the states searched, each as its zigzagged gap
  // from the one before (varint.h); most are near the one before
  std::vector<std::vector<uint8_t>> layers;
  // A bit per kinder state, small enough to stay near at hand: in the
  // search, whether it is in the tick being made; counting back, whether
  // it can finish before the limit at the tick after the one counted.
  std::vector<uint64_t> marks;
  bool marked(int32_t state) const {
    return (marks[static_cast<size_t>(state) >> 6] >> (state & 63)) & 1;
  }
  void mark(int32_t state, bool on) {
    uint64_t bit = uint64_t(1) << (state & 63);
    uint64_t& word = marks[static_cast<size_t>(state) >> 6];
    word = on ? word | bit : word & ~bit;
  }
  std::vector<int32_t> freeAt;               // per kinder state: its free steps, UNSEEN or RIDER
  std::deque<FreeSteps> frees;
  // Per tick, the states that can still finish before the limit and the
  // ticks they need, by state.
  struct Count {
    int32_t state, ticks;
    bool operator<(const Count& o) const { return state < o.state; }
  };
  std::vector<std::vector<Count>> counts;
};

#endif
