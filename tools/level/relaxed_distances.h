// Relaxed distances: the fewest ticks from each state of the player to an
// exit in a kinder world than the level's, worked out once for a search to
// bound and steer by.
//
// The kinder world has no enemies and no clock, and in every tick each
// platform may stand wherever on its round suits the player. Every run of
// the level is a run there too, tick for tick, so a count found there never
// says more than a real run needs. It depends on the player alone (where he
// is, his fall, his facing, his footing and the platform he rides), so the
// hundreds of thousands of such states of a level can all be searched, with
// the game's own physics: walls, ledges, pits and the pushes through walls
// are all weighed exactly; only waiting for a platform and getting past
// enemies are not.
#ifndef BRINDLECOVE_RELAXED_DISTANCES_H
#define BRINDLECOVE_RELAXED_DISTANCES_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "level_run.h"

class EnemyList;
class WorldState;

class RelaxedDistances {
 public:
  // Searches the level startRun started, from the player as he stands, and
  // puts the world back as `world` saved it at tick 0. Not usable on a
  // level whose platforms do not come round, or where the player's pictures
  // differ in size.
  //
  // `atLeast` is a bound on the ticks to an exit from the player's x, never
  // too high. Only runs shorter than `limit` ticks are of interest: a state
  // that cannot be on one by that bound is not searched on, and the bound is
  // its distance. No limit: 0. Past `maxStates` states the search stops and
  // those not searched on keep their bound too; without a bound it gives
  // up, and is not usable.
  RelaxedDistances(const WorldState& world, size_t maxStates, int limit = 0,
                   std::function<int(int x)> atLeast = nullptr);

  bool usable() const { return ok; }
  // Usable, and no state was left with its bound for want of room.
  bool complete() const { return ok && !cut; }
  size_t states() const { return bodies.size(); }

  // The fewest ticks the player as he now stands needs to touch an exit,
  // at least 1; -1 when no run of the kinder world reaches one from here,
  // and -2 when the search did not meet this state (it went on beyond the
  // states searched on, or the level changed).
  int ticksToExit() const;

  static constexpr int NO_EXIT = -1;
  static constexpr int UNKNOWN = -2;

 private:
  // The timed kinder world (timed_distances.h) steps these same states.
  friend class TimedDistances;

  struct Body {
    int32_t x, y;
    int16_t speedY;
    int16_t platform;  // ridden, by index into the level's list; -1 for none
    int8_t direction;
    int8_t onGround;
    bool operator==(const Body& o) const {
      return x == o.x && y == o.y && speedY == o.speedY && direction == o.direction &&
             onGround == o.onGround && platform == o.platform;
    }
  };
  struct PlatformPlace {
    int x, y, speedX, speedY;
    int phase;  // the tick of its round
  };

  static Body bodyOfPlayer();
  // The kinder worlds' steps: none, left or right, then the same with Up.
  static const int WALKS = 3;
  static const int ACTIONS = 2 * WALKS;
  static TickKeys walkKeys(int action);
  static uint64_t hashOf(const Body& b);
  static uint64_t mixOf(uint64_t z);  // every bit of z stirred into every bit
  int find(const Body& b) const;
  int find(const Body& b, uint64_t hash) const;
  // Asks for the memory a lookup of that hash will read: its slot, and,
  // once the slot is at hand, the body it names.
  void prefetch(uint64_t hash) const;
  void prefetchBody(uint64_t hash) const;
  int add(const Body& b, uint64_t hash);  // its index; new ones are queued
  void grow();
  void rehash(size_t size);

  bool explore(size_t maxStates, int limit, const std::function<int(int)>& atLeast);
  // A body stepped, for its successors to be looked up.
  struct Expanded {
    size_t end;     // of its successors in the batch's `made`
    bool bounded;   // no run through it can beat the limit: its bound will do
    bool finishes;  // a step touches an exit
  };
  // A batch of bodies stepped: each one's successors in order, and their
  // hashes.
  struct alignas(64) Stepped {
    size_t first = 0;  // the first body's index
    std::vector<Expanded> expanded;
    std::vector<Body> made;
    std::vector<uint64_t> hashes;
  };
  // Steps copies of the bodies from index `first` on, at their depths (the
  // game's tick: on the search's own thread only).
  void stepBodies(size_t first, const std::vector<Body>& from, const std::vector<int32_t>& depths,
                  int limit, const std::function<int(int)>& atLeast, Stepped& into);
  // Looks a batch's successors up, adding those not met (the tables: on
  // the helper's thread meanwhile); false to give up.
  bool lookUp(const Stepped& stepped, size_t maxStates, const std::function<int(int)>& atLeast);
  // Steps the body, leaving its successors in the batch being stepped;
  // whether a step touches an exit.
  bool expand(const Body& from);
  void make(const Body& b);
  void putPlayer(const Body& b) const;
  void park(int platform) const;
  void place(int platform, int phase) const;
  // The successors of a tick run from `from` with `action`, all platforms
  // but `ridden` parked: its outcome, and every way a platform could catch
  // the player at the tick's end. Gives his x after the tick.
  int stepFrom(const Body& from, int action, int ridden, int phase, bool& finishes);
  // A tick of the player as he stands, with every platform parked: with
  // none in the list, which meets him just as they would and costs nothing
  // to move.
  static RunOutcome tickAlone(int action);
  int addAt(const Body& b, uint64_t hash, int depth);
  void catches(const Body& after, int fallSpeedY, int except);
  // Whether the player there may be within `platform`'s round at his feet.
  bool withinReach(const Body& b, int platform) const;
  // Whether, falling or standing there as a tick ends, a platform where it
  // stands then takes him up: that one, at that place; any, at that tick of
  // their rounds.
  bool takesUp(const Body& b, int platform, const PlatformPlace& at) const;
  bool caughtAt(const Body& b, int tick) const;
  void distances();
  void keepSteps(int index, const std::vector<int>& successors);
  // Reads one body's successors back, a byte at a time from `next`.
  template <typename Next, typename Visit>
  static void forSteps(int index, Next& next, Visit visit);
  // The kinder worlds while one lives: nobody to meet (the game's enemy
  // list is an empty one meanwhile, so no tick spends time on the level's),
  // nothing in flight and no clock.
  class Kinder {
   public:
    Kinder();
    ~Kinder();
    Kinder(const Kinder&) = delete;
    Kinder& operator=(const Kinder&) = delete;

   private:
    EnemyList* kept;
  };

  bool ok = false;
  bool cut = false;
  // The lists that grow with the search grow a block at a time: no copy of
  // one at twice its size, when memory is shortest.
  std::deque<Body> bodies;
  std::vector<uint64_t> slots;    // open addressing on hashOf; 0 free
  // per body: ticks to an exit, or NO_EXIT; while searching, the ticks
  // from the start at least, and then 1 for a body a tick from an exit
  std::vector<int32_t> distance;
  std::deque<uint8_t> steps;  // every body's successors, in order (keepSteps)
  size_t stepCount = 0;
  std::vector<int> lookedUp;  // lookUp's, kept for its room
  // While the search runs, what is above is the helper's to change and
  // what is below is read by the steps: on lines of memory of their own,
  // so that neither thread's writes keep taking the other's from it.
  alignas(64) std::vector<std::vector<PlatformPlace>> rounds;  // per platform: each tick of its round
  std::vector<std::vector<PlatformPlace>> tops;    // per platform: its round by height
  struct Reach {
    int left, right, top, bottom;  // what its round covers, in pixels
  };
  std::vector<Reach> reaches;  // per platform
  std::vector<int> phasesOfRide;  // expand's, kept for its room
  // A rider's tick run from one place of his platform's round: what it read
  // of the platform, and where he was after it.
  struct RideTick {
    int speedYBefore, y, speedX, speedY;
    int xAfter;
    bool along;
  };
  std::vector<RideTick> rideTicks;  // expand's, kept for its room
  Stepped* stepping = nullptr;  // the batch being stepped
  int playerW = 0, playerH = 0;
};

#endif
