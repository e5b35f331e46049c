// Level solver: A* over the world states of a run.
#include "level_solver.h"

#include <algorithm>
#include <cstdint>
#include <queue>

#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "world_state.h"

namespace {

// The earliest tick each world was reached at; open addressing on the hash.
class EarliestTicks {
 public:
  EarliestTicks() : hashes(1 << 16, 0), ticks(1 << 16, 0), used(0) {}

  // True when `hash` is new or is now reached earlier.
  bool improve(uint64_t hash, int tick) {
    if (hash == 0) hash = 1;  // 0 marks a free slot
    if (2 * (used + 1) > hashes.size()) grow();
    size_t i = slot(hash);
    if (hashes[i] == hash) {
      if (ticks[i] <= tick) return false;
      ticks[i] = tick;
      return true;
    }
    hashes[i] = hash;
    ticks[i] = tick;
    used++;
    return true;
  }

  bool isEarliest(uint64_t hash, int tick) const {
    if (hash == 0) hash = 1;
    return ticks[slot(hash)] == tick;
  }

 private:
  size_t slot(uint64_t hash) const {
    size_t mask = hashes.size() - 1;
    size_t i = static_cast<size_t>(hash) & mask;
    while (hashes[i] != 0 && hashes[i] != hash) i = (i + 1) & mask;
    return i;
  }
  void grow() {
    std::vector<uint64_t> oldHashes;
    std::vector<int> oldTicks;
    oldHashes.swap(hashes);
    oldTicks.swap(ticks);
    hashes.assign(oldHashes.size() * 2, 0);
    ticks.assign(oldHashes.size() * 2, 0);
    for (size_t i = 0; i < oldHashes.size(); i++)
      if (oldHashes[i] != 0) {
        size_t j = slot(oldHashes[i]);
        hashes[j] = oldHashes[i];
        ticks[j] = oldTicks[i];
      }
  }

  std::vector<uint64_t> hashes;
  std::vector<int> ticks;
  size_t used;
};

// A state reached by a step from its parent. Its world is saved only once
// it is expanded: until then the step is run again from the parent's.
struct Node {
  uint64_t hash;
  int parent;       // -1 for the start
  int tick;         // ticks from the start
  int saved;        // its world in the saved list; -1 before it is expanded
  uint8_t action;
  uint8_t ticksInStep;  // a finish may come before the step's end
  bool finish;
};

struct OpenEntry {
  int estimate;  // tick + the weighted ticks still needed at best
  int tick;
  int node;
  // The smallest estimate first; among equals the deepest, then the newest.
  bool operator<(const OpenEntry& other) const {
    if (estimate != other.estimate) return estimate > other.estimate;
    if (tick != other.tick) return tick < other.tick;
    return node < other.node;
  }
};

const int WALKS = 3;    // none, left, right
const int ACTIONS = 12; // walks x {Up or not} x {a shot or not}
const int MAX_STEP = 35;
const int GREEDY_WEIGHT = 2;

TickKeys actionKeys(int action, int tickInStep) {
  TickKeys k;
  int walk = action % WALKS;
  k.left = walk == 1;
  k.right = walk == 2;
  k.up = (action / WALKS) % 2 == 1;
  k.fire = action >= 2 * WALKS && tickInStep == 0;
  return k;
}

struct Span {
  int left, right;  // pixels, right one past the last
};

class Estimate {
 public:
  Estimate() {
    int tileW = currentMap->getTileWidth();
    for (int row = 0; row < currentMap->getRows(); row++)
      for (int col = 0; col < currentMap->getCols(); col++)
        if (currentMap->getTile(col, row)->getType() == TILE_EXIT)
          exits.push_back({col * tileW, col * tileW + tileW});
    // Riding a sideways platform the player's x can gain its 4 pixels a
    // tick on his own 6, but only where he can stand on one.
    std::vector<Span> zones;
    for (int i = 0; i < platformList->getCapacity(); i++) {
      MovingPlatform* p = platformList->get(i);
      if (!p || p->getSpeedX() == 0) continue;
      PlatformTravel travel = platformTravel(*p);
      zones.push_back({travel.minX - player->getWidth(), travel.maxX + p->getWidth()});
    }
    std::sort(zones.begin(), zones.end(),
              [](const Span& a, const Span& b) { return a.left < b.left; });
    for (const Span& z : zones) {
      if (!fastZones.empty() && z.left <= fastZones.back().right)
        fastZones.back().right = std::max(fastZones.back().right, z.right);
      else
        fastZones.push_back(z);
    }
  }

  bool hasExit() const { return !exits.empty(); }

  // Ticks at least, from the horizontal gap alone. Stepping left just after
  // facing right probes with the right edge, hence a width of slack there.
  int ticksToExit() const {
    int x = player->getX();
    int width = player->getWidth();
    int best = -1;
    for (const Span& e : exits) {
      int ticks = 0;
      if (e.left - (x + width) > 0) ticks = ticksAcross({x, e.left - width});
      else if (x - width - e.right > 0) ticks = ticksAcross({e.right + width, x});
      if (best < 0 || ticks < best) best = ticks;
    }
    return best;
  }

 private:
  // x moves 6 pixels a tick at most, 10 inside a fast zone.
  int ticksAcross(const Span& way) const {
    long fast = 0;
    for (const Span& z : fastZones)
      fast += std::max(0, std::min(way.right, z.right) - std::max(way.left, z.left));
    long slow = way.right - way.left - fast;
    const long rideSpeed = PLAYER_WALK_SPEED + PLATFORM_SPEED;
    long scale = PLAYER_WALK_SPEED * rideSpeed;
    return static_cast<int>((slow * rideSpeed + fast * PLAYER_WALK_SPEED + scale - 1) / scale);
  }

  std::vector<Span> exits;
  std::vector<Span> fastZones;  // merged, left to right
};

bool anyLiveEnemy() {
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext())
    if (e->isAlive()) return true;
  return false;
}

// One best-first search from the start; `weight` scales the estimate, so 1
// is A* and finds the fewest ticks, more finds some run sooner.
class Search {
 public:
  // Takes the world as it stands for the start.
  Search(const WorldState& world, const Estimate& estimate, int step, long lastTick)
      : world(world), estimate(estimate), step(step), lastTick(lastTick) {
    world.save(0, start);
  }

  // The finishing node, or -1; `exhausted` when nothing was left to try.
  // Adds the states it expands to `states`.
  int run(int weight, long budget, long& states, bool& exhausted) {
    long expanded = 0;
    nodes.clear();
    saved = start;
    savedAt.assign(1, 0);
    open = std::priority_queue<OpenEntry>();
    earliest = EarliestTicks();
    this->weight = weight;

    world.restore(start.data());
    uint64_t startHash = world.key();
    earliest.improve(startHash, 0);
    nodes.push_back({startHash, -1, 0, 0, 0, 0, false});
    open.push({priority(0, estimate.ticksToExit()), 0, 0});

    while (!open.empty()) {
      OpenEntry entry = open.top();
      open.pop();
      if (nodes[entry.node].finish) return entry.node;
      // reached earlier by another way since it was queued
      if (!earliest.isEarliest(nodes[entry.node].hash, nodes[entry.node].tick)) continue;
      if (expanded >= budget) return -1;
      expanded++;
      states++;
      expand(entry.node);
    }
    exhausted = true;
    return -1;
  }

  // The keys of every tick from the start to `node`.
  std::vector<TickKeys> keysTo(int node) const {
    std::vector<int> chain;
    for (int n = node; nodes[n].parent >= 0; n = nodes[n].parent) chain.push_back(n);
    std::vector<TickKeys> keys;
    for (auto n = chain.rbegin(); n != chain.rend(); ++n)
      for (int i = 0; i < nodes[*n].ticksInStep; i++)
        keys.push_back(actionKeys(nodes[*n].action, i));
    return keys;
  }

  int tickOf(int node) const { return nodes[node].tick; }

  void restoreStart() const { world.restore(start.data()); }

 private:
  // Weight 0 goes by the estimate alone, however long the run so far.
  int priority(int tick, int toGo) const { return weight > 0 ? tick + weight * toGo : toGo; }

  RunOutcome runStep(int action, int ticks, int& tick) const {
    RunOutcome outcome = RUN_PLAYING;
    for (int done = 0; done < ticks && outcome == RUN_PLAYING; done++)
      outcome = runTick(actionKeys(action, done), tick);
    return outcome;
  }

  void expand(int n) {
    if (nodes[n].saved < 0) {
      int tick = world.restore(saved.data() + savedAt[nodes[nodes[n].parent].saved]);
      runStep(nodes[n].action, nodes[n].ticksInStep, tick);
      nodes[n].saved = static_cast<int>(savedAt.size());
      savedAt.push_back(static_cast<int64_t>(saved.size()));
      world.save(tick, saved);
    }
    const int64_t at = savedAt[nodes[n].saved];
    world.restore(saved.data() + at);
    bool canShoot = player->getBullets() > 0 && anyLiveEnemy();
    for (int action = 0; action < ACTIONS; action++) {
      if (action >= 2 * WALKS && !canShoot) break;
      int tick = world.restore(saved.data() + at);
      int before = tick;
      RunOutcome outcome = runStep(action, step, tick);
      uint8_t ticks = static_cast<uint8_t>(tick - before);
      if (outcome == RUN_FINISHED) {
        nodes.push_back({0, n, tick, -1, static_cast<uint8_t>(action), ticks, true});
        open.push({priority(tick, 0), tick, static_cast<int>(nodes.size()) - 1});
        continue;
      }
      if (outcome != RUN_PLAYING) continue;
      int toGo = estimate.ticksToExit();
      if (tick + toGo > lastTick) continue;
      uint64_t hash = world.key();
      if (!earliest.improve(hash, tick)) continue;
      nodes.push_back({hash, n, tick, -1, static_cast<uint8_t>(action), ticks, false});
      open.push({priority(tick, toGo), tick, static_cast<int>(nodes.size()) - 1});
    }
  }

  const WorldState& world;
  const Estimate& estimate;
  const int step;
  const long lastTick;
  int weight = 1;
  std::vector<int> start;
  std::vector<Node> nodes;
  std::vector<int> saved;         // the expanded nodes' worlds, one after another
  std::vector<int64_t> savedAt;   // where each begins
  std::priority_queue<OpenEntry> open;
  EarliestTicks earliest;
};

}  // namespace

SolveResult solveLevel(const SolveOptions& options) {
  SolveResult result;
  WorldState world;
  Estimate estimate;
  if (!estimate.hasExit() || runOutcome() != RUN_PLAYING) {
    result.exhausted = true;
    return result;
  }
  // No run can outlast the clock, however many time pickups it collects.
  const long lastTick = static_cast<long>(TICKS_PER_SECOND) *
                        (currentMap->getTimeLimit() + world.getTimeBonusTotal());
  Search search(world, estimate, std::max(1, std::min(options.step, MAX_STEP)), lastTick);

  // A* first. Should its budget run out, greedier passes with half as much
  // each may still find a run, though maybe not the shortest: one weighs
  // the estimate twice, the other goes by it alone, which waits well for a
  // platform to come round.
  struct Pass {
    int weight;
    long budget;
  };
  const long half = std::max(1L, options.budget / 2);
  const Pass PASSES[] = {{1, options.budget}, {GREEDY_WEIGHT, half}, {0, half}};
  for (const Pass& pass : PASSES) {
    bool exhausted = false;
    int finish = search.run(pass.weight, pass.budget, result.states, exhausted);
    if (finish >= 0) {
      result.finishable = true;
      result.shortest = pass.weight == 1;
      result.ticks = search.tickOf(finish);
      result.keys = search.keysTo(finish);
      break;
    }
    // every state was tried: no pass can do better
    if (exhausted) {
      result.exhausted = true;
      break;
    }
  }
  search.restoreStart();
  return result;
}
