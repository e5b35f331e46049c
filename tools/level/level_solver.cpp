// Level solver: A* over the world states of a run.
#include "level_solver.h"

#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <deque>
#include <memory>
#include <queue>

#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "relaxed_distances.h"
#include "timed_distances.h"
#include "world_state.h"

namespace {

// The earliest tick each world was reached at; open addressing on the hash.
class EarliestTicks {
 public:
  EarliestTicks() : hashes(1 << 16, 0), ticks(1 << 16, 0), used(0) {}

  // True when `hash` is new or is now reached earlier.
  bool improve(uint64_t hash, int tick) {
    if (hash == 0) hash = 1;  // 0 marks a free slot
    if (4 * (used + 1) > 3 * hashes.size()) grow();
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
// The kinder world's states may outnumber a pass's by this much; each
// costs less time than a searched state and far less memory.
const long RELAXED_STATES_PER_BUDGET = 5;
// And the timed kinder world's, counted once for every tick each is met in.
const long TIMED_STATES_PER_BUDGET = 40;
// The first look of the kinder-guided pass that waits: this part of its share.
const long QUICK_LOOK = 16;

TickKeys actionKeys(int action, int tickInStep) {
  TickKeys k;
  int walk = action % WALKS;
  k.left = walk == 1;
  k.right = walk == 2;
  k.up = (action / WALKS) % 2 == 1;
  k.fire = action >= 2 * WALKS && tickInStep == 0;
  return k;
}

// The fewest ticks the player's x can take to bring him to an exit, for
// every x: an estimate A* can trust, since it never says more than a real
// run needs. Walking moves x 6 pixels a tick, riding a sideways platform
// 10. Where the player's edge probe finds a solid tile, though, x is put
// at that tile's far side, up to a tile and a step in one tick; the level
// is searched for the places where that can happen and x is let move that
// fast there. Everything else about the player (his height, his speeds,
// what is in his way) only makes real runs longer. Once the kinder world's
// distances are known, which weigh all of that, the larger of the two holds.
class Estimate {
 public:
  // Untrusted, the places where a snap may come are left out: a guess that
  // steers a greedy search well, not a bound.
  explicit Estimate(bool trusted) : trusted(trusted) {
    TileMap& map = *currentMap;
    tileW = map.getTileWidth();
    tileH = map.getTileHeight();
    mapW = map.getWidthPixels();
    for (int index : {GFX_PLAYER_AIR, GFX_PLAYER_STAND, GFX_PLAYER_WALK}) {
      BITMAP* picture = graphic(index);
      if (!picture) continue;
      pw = std::max(pw, picture->w);
      ph = std::max(ph, picture->h);
    }
    for (int row = 0; row < map.getRows(); row++)
      for (int col = 0; col < map.getCols(); col++)
        if (map.getTile(col, row)->getType() == TILE_EXIT)
          exits.push_back({col * tileW, col * tileW + tileW});
    if (exits.empty()) return;

    risky.assign(static_cast<size_t>(map.getCols()), false);
    std::vector<Zone> zones;
    addPlatformZones(zones);
    if (!trusted) {
      risky.assign(risky.size(), false);
    } else if (ordinaryPhysics()) {
      addSnapZones(zones);
    } else {
      // Another fall speed or tile size than the reasoning below knows:
      // the snap may come anywhere.
      zones.push_back({-mapW, 2 * mapW, snapSpeed()});
    }
    fillTable(zones);
    if (trusted) addRideZones();
  }

  bool hasExit() const { return !exits.empty(); }

  // The table alone, whatever the tick: at least 1.
  int ticksAtX(int x) const { return table[static_cast<size_t>(std::max(0, std::min(x, mapW)))]; }

  // The distances of the kinder world know the player's height and the
  // walls: where they say more, they hold. Where they find no way to an
  // exit at all, there is none. `alone`: where they know the state, they
  // are taken instead of the table (a guess that follows the walls).
  void tighten(const RelaxedDistances* kinder, bool alone = false) {
    relaxed = kinder;
    relaxedAlone = alone;
  }
  // The timed kinder world's counts also know when the platforms come.
  void tighten(const TimedDistances* timedKinder) { timed = timedKinder; }

  // At least one tick, for a run not yet finished, `tick` ticks into it;
  // NEVER where no run can reach an exit.
  int ticksToExit(int tick) const {
    int x = std::max(0, std::min(player->getX(), mapW));
    int ticks = table[static_cast<size_t>(x)];
    for (const RideZone& zone : rideZones) {
      if (zone.right <= x) continue;
      ticks = std::max(ticks, zone.ticksFrom(x, tick, *this));
      break;
    }
    if (relaxed) {
      int kinder = relaxed->ticksToExit();
      if (kinder == RelaxedDistances::NO_EXIT) return NEVER;
      if (relaxedAlone && kinder > 0) return kinder;
      ticks = std::max(ticks, kinder);
    }
    if (timed) {
      int counted = timed->ticksToExit(tick);
      if (counted == RelaxedDistances::NO_EXIT) return NEVER;
      ticks = std::max(ticks, counted);
    }
    return ticks;
  }

  static const int NEVER = 1 << 26;

 private:
  struct Span {
    int left, right;  // pixels, right one past the last
  };
  struct Zone {
    int left, right;  // where a tick can start at this speed
    int speed;        // pixels a tick at most
  };

  static bool solid(int col, int row) {
    return currentMap->getTile(col, row)->getType() == TILE_SOLID;
  }

  int snapSpeed() const { return tileW + PLAYER_WALK_SPEED; }

  // The only ways into a snap forward are a head flush under a ceiling
  // while not rising, feet flush on a floor while rising, or a body inside
  // a solid tile. With this fall speed a jump leaves the floor at once and
  // a bumped head starts falling at once, the probes find every tile the
  // body touches, and so flush comes only from a corridor as high as the
  // player, and a body inside a tile only from a platform, the top of the
  // map (where the probes are skipped) or the start.
  bool ordinaryPhysics() const {
    int fall = currentMap->getFallSpeed();
    return ph <= 2 * tileH - 4 && pw <= tileW && fall >= 1 && fall <= -PLAYER_BUMP_SPEED &&
           -PLAYER_JUMP_SPEED - 1 - fall >= 2;
  }

  void addPlatformZones(std::vector<Zone>& zones) {
    for (int i = 0; i < platformList->getCapacity(); i++) {
      MovingPlatform* p = platformList->get(i);
      if (!p) continue;
      PlatformTravel travel = platformTravel(*p);
      int width = p->getWidth();
      if (p->getSpeedX() != 0)
        zones.push_back({travel.minX - pw, travel.maxX + width + 1,
                         PLAYER_WALK_SPEED + std::abs(p->getSpeedX())});
      markPlatformReach(*p);
    }
  }

  void addSnapZones(std::vector<Zone>& zones) {
    TileMap& map = *currentMap;
    int cols = map.getCols();
    int rows = map.getRows();

    // Near the top the probes are skipped while the head is above the map.
    int rise = std::max(0, -(map.getFallSpeed() + PLAYER_JUMP_SPEED + 1));
    markSolids(0, map.getWidthPixels(), 0, rise + ph + tileH);
    // The start itself may be inside a wall.
    markSolids(PLAYER_START_X, PLAYER_START_X + pw, PLAYER_START_Y, PLAYER_START_Y + ph);

    // Corridors no higher than the player, under his columns or beside them.
    std::vector<std::vector<int>> floors(static_cast<size_t>(cols));
    for (int col = 0; col < cols; col++)
      for (int row = 0; row < rows; row++)
        if (solid(col, row) && !solid(col, row - 1)) floors[col].push_back(row * tileH);
    for (int a = 0; a < cols; a++) {
      for (int row = 0; row < rows; row++) {
        if (!solid(a, row) || solid(a, row + 1)) continue;
        int bottom = row * tileH + tileH;
        for (int b = std::max(0, a - 2); b <= std::min(cols - 1, a + 2); b++) {
          auto top = std::lower_bound(floors[b].begin(), floors[b].end(), bottom);
          if (top == floors[b].end() || *top > bottom + ph + 1) continue;
          // a snap there can carry him into the walls beside
          int firstRow = bottom / tileH;
          int lastRow = (bottom + ph - 1) / tileH;
          markRun(a, firstRow, lastRow);
          markRun(b, firstRow, lastRow);
        }
      }
    }
    for (int col = 0; col < cols; col++)
      if (risky[col])
        zones.push_back({col * tileW - pw - PLAYER_WALK_SPEED - 2,
                         col * tileW + tileW + PLAYER_WALK_SPEED + 2, snapSpeed()});
  }

  // A rider may be carried sideways into a wall or lifted into a ceiling:
  // the solid tiles beside a body standing anywhere along the platform, at
  // every place it comes to, are marked.
  void markPlatformReach(const MovingPlatform& platform) {
    int steps = periodOf(platform);
    if (steps == 0) {
      // too long to follow: every place within its whole travel
      PlatformTravel travel = platformTravel(platform);
      markSolids(travel.minX - pw, travel.maxX + platform.getWidth() + pw, travel.minY - ph,
                 travel.maxY + 1);
      return;
    }
    MovingPlatform probe = platform;
    for (int i = 0; i < steps; i++) {
      // down to the feet probe's pixel below him: a jump from a platform
      // does not lift him before the probes of that tick and the next
      markSolids(probe.getX() - pw, probe.getX() + probe.getWidth() + pw, probe.getY() - ph,
                 probe.getY() + 1);
      probe.stepX();
      probe.stepY();
    }
  }

  // The columns of the solid tiles in a box of pixels, with the walls they
  // run on into: a snap out of one tile may land inside the next, and a
  // body inside a wall may rise or fall a row while it is carried through.
  void markSolids(int left, int right, int top, int bottom) {
    int firstCol = std::max(0, left / tileW - 1);
    int lastCol = std::min(currentMap->getCols() - 1, right / tileW + 1);
    int firstRow = std::max(0, top / tileH);
    int lastRow = std::min(currentMap->getRows() - 1, std::max(0, bottom) / tileH);
    for (int col = firstCol; col <= lastCol; col++)
      for (int row = firstRow; row <= lastRow; row++) {
        if (!solid(col, row)) continue;
        if (row == lastRow && !solid(col, row - 1)) {
          // Only the feet reach into this floor, and a landing soon puts
          // them back on top: two snaps at most, no run through the wall.
          markColumns(col - 2, col + 2);
        } else {
          markRun(col, row - 1, row + 1);
        }
      }
  }

  // Column `col` and the columns beside it, either way, while they hold a
  // solid tile in rows `firstRow`..`lastRow`, and one more each way.
  void markRun(int col, int firstRow, int lastRow) {
    int cols = currentMap->getCols();
    firstRow = std::max(0, firstRow);
    lastRow = std::min(currentMap->getRows() - 1, lastRow);
    auto anySolid = [&](int c) {
      for (int row = firstRow; row <= lastRow; row++)
        if (solid(c, row)) return true;
      return false;
    };
    int right = col + 1;
    while (right < cols && anySolid(right)) right++;
    int left = col - 1;
    while (left >= 0 && anySolid(left)) left--;
    markColumns(left, right);
  }

  void markColumns(int first, int last) {
    int cols = currentMap->getCols();
    for (int c = std::max(0, first); c <= std::min(cols - 1, last); c++) risky[c] = true;
  }

  // What a tick may cover at x is charged 1/speed a pixel, the speed the
  // fastest of the zones around; a zone's reach is widened by its own
  // speed both ways, so no tick is charged more than 1.
  void fillTable(const std::vector<Zone>& zones) {
    std::vector<int> speed(static_cast<size_t>(mapW) + 1, PLAYER_WALK_SPEED);
    for (const Zone& z : zones) {
      int from = std::max(0, z.left - z.speed);
      int to = std::min(mapW, z.right + z.speed);
      for (int p = from; p <= to; p++) speed[p] = std::max(speed[p], z.speed);
    }
    charge.assign(static_cast<size_t>(mapW) + 2, 0.0);
    for (int p = 0; p <= mapW; p++) charge[p + 1] = charge[p] + 1.0 / speed[p];
    table.assign(static_cast<size_t>(mapW) + 1, 0);
    for (int x = 0; x <= mapW; x++) {
      int best = -1;
      for (const Span& e : exits) {
        int ticks = 1;
        // The exit is touched by the edge probe at up to a step beyond the
        // body before the tick's move, or by the feet and head after it.
        if (x + pw + PLAYER_WALK_SPEED < e.left)
          ticks = std::min(across(x, e.left - pw - PLAYER_WALK_SPEED) + 1,
                           across(x, e.left - pw + 1));
        else if (x - PLAYER_WALK_SPEED >= e.right)
          ticks = std::min(across(x, e.right + PLAYER_WALK_SPEED - 1) + 1,
                           across(x, e.right - 1));
        ticks = std::max(1, ticks);
        if (best < 0 || ticks < best) best = ticks;
      }
      table[static_cast<size_t>(x)] = best;
    }
  }


  // Where platforms carry the player, speed 10 over the whole of their
  // reach says too little: a platform goes the player's way only half the
  // time, and only where it is. So for each stretch of platforms before
  // the exits, the fewest ticks across it are worked out tick by tick from
  // where the platforms are, with the player's x alone: he may step up to
  // 6 pixels either way (a wall may push him back further), and ride any
  // platform he is alongside. The platforms come round, so a period of
  // ticks is enough.
  struct RideZone {
    int left, right;  // x in [left, right) is worked out; right is passed
    int period;
    std::vector<int> need;  // per tick of the period and x: ticks to an exit at least

    int at(int tick, int x) const {
      return need[static_cast<size_t>(tick % period) * (right - left) + (x - left)];
    }
    int ticksFrom(int x, int tick, const Estimate& estimate) const {
      if (x >= left) return at(tick, x);
      // walking up to it first, arriving a step into it at the earliest
      int walk = estimate.across(x, left);
      int best = -1;
      for (int entry = left; entry < std::min(right, left + PLAYER_WALK_SPEED + 1); entry++) {
        int ticks = at(tick + walk, entry);
        if (best < 0 || ticks < best) best = ticks;
      }
      return walk + best;
    }
  };

  struct PlatformPath {
    std::vector<int> x, speed;  // after each tick of one period
    int width;
  };

  static int periodOf(const MovingPlatform& platform) {
    return static_cast<int>(platformRound(platform, MAX_RIDE_PERIOD).size());
  }

  void addRideZones() {
    struct Reach {
      int left, right;
      std::vector<MovingPlatform*> platforms;
    };
    std::vector<Reach> reaches;
    for (int i = 0; i < platformList->getCapacity(); i++) {
      MovingPlatform* p = platformList->get(i);
      if (!p || p->getSpeedX() == 0) continue;
      PlatformTravel travel = platformTravel(*p);
      reaches.push_back({travel.minX - pw - RIDE_MARGIN - ENTRY_RUN,
                         travel.maxX + p->getWidth() + RIDE_MARGIN, {p}});
    }
    std::sort(reaches.begin(), reaches.end(),
              [](const Reach& a, const Reach& b) { return a.left < b.left; });
    std::vector<Reach> merged;
    for (const Reach& r : reaches) {
      if (!merged.empty() && r.left <= merged.back().right) {
        merged.back().right = std::max(merged.back().right, r.right);
        merged.back().platforms.insert(merged.back().platforms.end(), r.platforms.begin(),
                                       r.platforms.end());
      } else {
        merged.push_back(r);
      }
    }
    for (const Reach& r : merged) {
      RideZone zone;
      zone.left = std::max(0, r.left);
      zone.right = std::min(mapW, r.right);
      if (!worksFor(zone.left, zone.right)) continue;
      long period = 1;
      for (MovingPlatform* p : r.platforms) {
        int own = periodOf(*p);
        if (own == 0) period = 0;
        if (period == 0) break;
        period = std::lcm(period, static_cast<long>(own));
        if (period > MAX_RIDE_PERIOD) period = 0;
      }
      if (period == 0) continue;
      zone.period = static_cast<int>(period);
      fillRideZone(zone, r.platforms);
      rideZones.push_back(zone);
    }
  }

  // Only where no snap can happen near it and every exit lies beyond it.
  bool worksFor(int left, int right) const {
    if (!ordinaryPhysics() && trusted) return false;
    for (int col = std::max(0, (left - snapSpeed()) / tileW);
         col <= std::min(static_cast<int>(risky.size()) - 1, (right + snapSpeed()) / tileW); col++)
      if (risky[col]) return false;
    for (const Span& e : exits)
      if (e.left <= right + pw + RIDE_MARGIN + PLAYER_WALK_SPEED) return false;
    return right > left;
  }

  void fillRideZone(RideZone& zone, const std::vector<MovingPlatform*>& platforms) {
    int width = zone.right - zone.left;
    int cross = width / PLAYER_WALK_SPEED + 2;  // ticks to walk across it
    int rows = zone.period + 2 * cross;
    std::vector<PlatformPath> paths;
    for (MovingPlatform* p : platforms) {
      MovingPlatform probe = *p;
      PlatformPath path;
      path.width = p->getWidth();
      for (int t = 0; t <= rows; t++) {
        path.x.push_back(probe.getX());
        path.speed.push_back(probe.getSpeedX());
        probe.stepX();
        probe.stepY();
      }
      paths.push_back(path);
    }
    int fastest = PLAYER_WALK_SPEED + PLATFORM_SPEED;
    for (const PlatformPath& path : paths)
      for (int v : path.speed) fastest = std::max(fastest, PLAYER_WALK_SPEED + std::abs(v));
    const int beyond = table[static_cast<size_t>(std::min(mapW, zone.right + fastest - 1))];

    // Beyond the last row nothing is known but the fastest ride.
    std::vector<int> next(static_cast<size_t>(width)), row(static_cast<size_t>(width));
    for (int x = 0; x < width; x++) next[x] = (width - x + fastest - 1) / fastest + beyond;
    std::vector<int> keep(static_cast<size_t>(zone.period) * width);
    auto after = [&](int x2) {  // ticks still needed at x2 one tick on
      if (x2 >= width) return table[static_cast<size_t>(std::min(mapW, zone.left + x2))];
      return next[static_cast<size_t>(std::max(0, x2))];
    };
    for (int t = rows - 1; t >= 0; t--) {
      for (int x = 0; x < width; x++) {
        int best = 1 + after(x + PLAYER_WALK_SPEED);
        for (int m = -(tileW + PLAYER_WALK_SPEED - 1); m < PLAYER_WALK_SPEED; m++)
          best = std::min(best, 1 + after(x + m));
        int px = zone.left + x;
        for (const PlatformPath& path : paths) {
          if (px < path.x[t] - pw - 1 || px > path.x[t] + path.width + 1) continue;
          for (int v : {path.speed[t], path.speed[t + 1]})
            for (int step : {-PLAYER_WALK_SPEED, 0, PLAYER_WALK_SPEED})
              best = std::min(best, 1 + after(x + step + v));
        }
        row[x] = best;
      }
      next.swap(row);
      if (t < zone.period) std::copy(next.begin(), next.end(), keep.begin() + static_cast<size_t>(t) * width);
    }
    zone.need.swap(keep);
  }

  // Ticks at least to move x from a to b, either way, at the zones' speeds.
  int across(int a, int b) const {
    a = std::max(0, std::min(a, mapW + 1));
    b = std::max(0, std::min(b, mapW + 1));
    double c = std::fabs(charge[b] - charge[a]);
    return static_cast<int>(std::ceil(c - 1e-9));
  }

  static const int RIDE_MARGIN = 10;     // a tick's ride beyond the platform's reach
  static const int ENTRY_RUN = 60;       // walked inside before the first platform
  static const int MAX_RIDE_PERIOD = 4000;

  bool trusted;
  int tileW = 32, tileH = 32, mapW = 0;
  int pw = 0, ph = 0;
  std::vector<Span> exits;
  std::vector<bool> risky;                // per column: a snap may start there
  std::vector<double> charge;             // per x: ticks from 0 at the zones' speeds
  std::vector<int> table;                 // per x: the ticks to an exit at least
  std::vector<RideZone> rideZones;        // left to right
  const RelaxedDistances* relaxed = nullptr;
  const TimedDistances* timed = nullptr;
  bool relaxedAlone = false;
};

bool anyLiveEnemy() {
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext())
    if (e->isAlive()) return true;
  return false;
}

// A search aimed at taking one pickup instead of at the exit; on the way it
// marks every pickup it sees taken, so one search answers for many.
struct PickupGoal {
  const Tile* target = nullptr;
  int x = 0, y = 0;                        // the target cell's centre, in pixels
  const std::vector<Tile*>* pickups = nullptr;
  std::vector<bool>* taken = nullptr;      // by index into `pickups`
};

// Saved worlds one after another, a block at a time so that no block is
// ever copied at twice its size; a world never spans two blocks.
class WorldStore {
 public:
  void clear() { blocks.clear(); }
  // Where `world` is kept from now on.
  int64_t add(const std::vector<int>& world) {
    if (blocks.empty() || blocks.back().size() + world.size() > BLOCK) {
      blocks.emplace_back();
      blocks.back().reserve(std::max(BLOCK, world.size()));
    }
    std::vector<int>& block = blocks.back();
    int64_t at = (static_cast<int64_t>(blocks.size() - 1) << 32) | static_cast<int64_t>(block.size());
    block.insert(block.end(), world.begin(), world.end());
    return at;
  }
  const int* at(int64_t where) const {
    return blocks[static_cast<size_t>(where >> 32)].data() + (where & 0xFFFFFFFF);
  }

 private:
  static constexpr size_t BLOCK = 1 << 18;  // ints
  std::vector<std::vector<int>> blocks;
};

// One best-first search from the start; `weight` scales the estimate, so 1
// is A* and finds the fewest ticks, more finds some run sooner.
class Search {
 public:
  // Takes the world as it stands for the start.
  Search(const WorldState& world, const Estimate& estimate, int step, long lastTick, bool guided)
      : world(world), estimate(estimate), step(step), lastTick(lastTick), guided(guided) {
    world.save(0, start);
  }

  // The finishing node, or -1; `exhausted` when nothing was left to try.
  // Adds the states it expands to `states`.
  // Only runs finishing before tick `before` are looked for.
  int run(int weight, const Estimate& order, long budget, long before, long& states,
          bool& exhausted) {
    long expanded = 0;
    guide = &order;
    limit = std::min(lastTick, before - 1);
    nodes.clear();
    saved.clear();
    savedAt.assign(1, saved.add(start));
    open = std::priority_queue<OpenEntry>();
    earliest = EarliestTicks();
    this->weight = weight;

    world.restore(start.data());
    uint64_t startHash = world.key();
    earliest.improve(startHash, 0);
    nodes.push_back({startHash, -1, 0, 0, 0, 0, false});
    open.push({priority(0, toGo(0)), 0, 0});

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

  // Frees what the last pass kept, for what comes next to have the room.
  void release() {
    nodes = std::deque<Node>();
    saved.clear();
    savedAt = std::vector<int64_t>();
    open = std::priority_queue<OpenEntry>();
    earliest = EarliestTicks();
  }

  // Null aims at the exit again.
  void aimAt(const PickupGoal* pickupGoal) { goal = pickupGoal; }

 private:
  // Weight 0 goes by the estimate alone, however long the run so far.
  int priority(int tick, int toGo) const { return weight > 0 ? tick + weight * toGo : toGo; }

  // What orders the search, and what bounds it: only a trusted estimate
  // may drop a state for running out of time.
  int toGo(int tick) const {
    if (goal) return ticksToGoal();
    return guided ? guide->ticksToExit(tick) : 1;
  }
  // A guess, to steer by only: the walk to the goal's cell at full speed,
  // across and up or down.
  int ticksToGoal() const {
    int dx = std::abs(player->getX() + player->getWidth() / 2 - goal->x);
    int dy = std::abs(player->getY() + player->getHeight() / 2 - goal->y);
    return (std::max(0, dx - TILE_REACH) + std::max(0, dy - TILE_REACH)) / PLAYER_WALK_SPEED;
  }
  static const int TILE_REACH = 28;  // half the player and half a tile
  void noteTaken() const {
    for (size_t i = 0; i < goal->pickups->size(); i++)
      if ((*goal->pickups)[i]->getType() != TILE_PICKUP) (*goal->taken)[i] = true;
  }
  int atLeast(int tick) const { return guided ? estimate.ticksToExit(tick) : 1; }

  RunOutcome runStep(int action, int ticks, int& tick) const {
    RunOutcome outcome = RUN_PLAYING;
    for (int done = 0; done < ticks && outcome == RUN_PLAYING; done++)
      outcome = runTick(actionKeys(action, done), tick);
    return outcome;
  }

  void expand(int n) {
    if (nodes[n].saved < 0) {
      int tick = world.restore(saved.at(savedAt[nodes[nodes[n].parent].saved]));
      runStep(nodes[n].action, nodes[n].ticksInStep, tick);
      nodes[n].saved = static_cast<int>(savedAt.size());
      scratch.clear();
      world.save(tick, scratch);
      savedAt.push_back(saved.add(scratch));
    }
    const int* at = saved.at(savedAt[nodes[n].saved]);
    int now = world.restore(at);
    // Up does nothing off the ground, unless a longer step lands first.
    bool canJump = step > 1 || player->isOnGround() || player->isOnPlatform();
    // A shot is tried only where it can hit, without and with a jump first.
    bool shotHits[2] = {false, false};
    if (player->getBullets() > 0 && anyLiveEnemy()) {
      shotHits[0] = world.shotCanHit(now, player->getX(), player->getY() + player->getHeight() / 2,
                                     player->getDirection());
      shotHits[1] = shotHits[0];
      if (player->isOnGround() || player->isOnPlatform()) {
        player->jump();
        shotHits[1] = world.shotCanHit(now, player->getX(),
                                       player->getY() + player->getHeight() / 2,
                                       player->getDirection());
      }
    }
    for (int action = 0; action < ACTIONS; action++) {
      bool up = (action / WALKS) % 2 == 1;
      if (up && !canJump) continue;
      if (action >= 2 * WALKS && !shotHits[up]) continue;
      int tick = world.restore(at);
      int before = tick;
      RunOutcome outcome = runStep(action, step, tick);
      uint8_t ticks = static_cast<uint8_t>(tick - before);
      // Aimed at a pickup: only what is taken on a way that can still end
      // at the exit in time counts, and reaching the exit ends the way.
      if (goal && (outcome == RUN_FINISHED ? tick <= limit
                                           : outcome == RUN_PLAYING &&
                                                 tick + atLeast(tick) <= limit)) {
        noteTaken();
        if (goal->target->getType() != TILE_PICKUP) outcome = RUN_FINISHED;
        else if (outcome == RUN_FINISHED) continue;
      } else if (goal && outcome == RUN_FINISHED) {
        continue;
      }
      if (outcome == RUN_FINISHED) {
        if (tick > limit) continue;
        nodes.push_back({0, n, tick, -1, static_cast<uint8_t>(action), ticks, true});
        open.push({priority(tick, 0), tick, static_cast<int>(nodes.size()) - 1});
        continue;
      }
      if (outcome != RUN_PLAYING) continue;
      if (tick + atLeast(tick) > limit) continue;
      int needed = toGo(tick);
      uint64_t hash = world.key();
      if (!earliest.improve(hash, tick)) continue;
      nodes.push_back({hash, n, tick, -1, static_cast<uint8_t>(action), ticks, false});
      open.push({priority(tick, needed), tick, static_cast<int>(nodes.size()) - 1});
    }
  }

  const WorldState& world;
  const Estimate& estimate;
  const int step;
  const long lastTick;
  const bool guided;
  const Estimate* guide = nullptr;
  const PickupGoal* goal = nullptr;
  long limit = 0;  // the last tick a run may finish in
  int weight = 1;
  std::vector<int> start;
  std::deque<Node> nodes;  // grown a block at a time: no copy twice its size
  WorldStore saved;               // the expanded nodes' worlds
  std::vector<int64_t> savedAt;   // where each begins
  std::vector<int> scratch;
  std::priority_queue<OpenEntry> open;
  EarliestTicks earliest;
};

// The view and the flow's flags are no part of a saved world (a run
// searched ends where they would change), but the caller's must stay.
struct KeptView {
  int x = scrollX, y = scrollY;
  bool suspended = playSuspended, over = gameOver;
  ~KeptView() {
    scrollX = x;
    scrollY = y;
    playSuspended = suspended;
    gameOver = over;
  }
};

// No run can outlast the clock, however many time pickups it collects.
long lastTickOf(const WorldState& world) {
  return static_cast<long>(TICKS_PER_SECOND) * (currentMap->getTimeLimit() + world.getTimeBonusTotal());
}

// One pass, only looking for a run shorter than the one in hand; true when
// it settles the answer: no run at all, or none shorter. A run found by A*
// (weight 1 on the bound) is the shortest.
bool searchPass(Search& search, const Estimate& guide, int weight, long budget, long lastTick,
                SolveResult& result) {
  bool exhausted = false;
  long before = result.finishable ? result.ticks : lastTick + 1;
  int finish = search.run(weight, guide, budget, before, result.states, exhausted);
  if (finish >= 0) {
    result.finishable = true;
    result.shortest = weight == 1;
    result.ticks = search.tickOf(finish);
    result.keys = search.keysTo(finish);
  } else if (exhausted) {
    result.shortest = result.finishable;
    result.exhausted = !result.finishable;
    search.restoreStart();
    return true;
  }
  return false;
}

// The timed kinder world first shows how soon any run could finish: when
// not before the run in hand, that run is the shortest. That search stops
// there and counts the runs finishing then, and A* looks for one of them,
// bounded by those counts. If there is none, it looks for a run finishing
// by a tick further out, twice as far each time, each with that world's
// counts for it, until it finds one, which is then the shortest. The
// counts of a near tick are far fewer to keep. False when that world is
// too big for the budget, and nothing was settled.
bool settleByTheTimedWorld(Search& search, const WorldState& world,
                           const RelaxedDistances& kinder, Estimate& estimate,
                           const SolveOptions& options, long lastTick, SolveResult& result) {
  long before = result.finishable ? result.ticks : lastTick + 1;
  size_t most = static_cast<size_t>(options.budget) * TIMED_STATES_PER_BUDGET;
  std::unique_ptr<TimedDistances> timed(
      new TimedDistances(world, kinder, static_cast<int>(std::min<long>(before, INT32_MAX)), most,
                         TimedDistances::COUNTS_TO_EARLIEST));
  if (!timed->usable()) return false;
  long earliest = timed->earliestFinish();
  for (long within = 1; earliest < before; within *= 2) {
    // no run finishes before `earliest + within / 2`; is there one before this?
    long next = std::min(before, earliest + within);
    if (next > timed->finishesBefore()) {
      timed.reset();  // the last counts go before the next are made
      timed.reset(new TimedDistances(world, kinder, static_cast<int>(next), most));
      if (!timed->usable()) return false;
    }
    estimate.tighten(timed.get());
    bool exhausted = false;
    int finish = search.run(1, estimate, options.budget, next, result.states, exhausted);
    estimate.tighten(static_cast<const TimedDistances*>(nullptr));
    search.restoreStart();
    if (finish >= 0) {
      result.finishable = true;
      result.shortest = true;
      result.ticks = search.tickOf(finish);
      result.keys = search.keysTo(finish);
      return true;
    }
    search.release();
    // out of budget: the run in hand is the best found
    if (!exhausted) return true;
    if (next >= before) break;
  }
  // none finishes before the run in hand
  result.shortest = result.finishable;
  result.exhausted = !result.finishable;
  return true;
}

// The kinder world's distances for runs shorter than `limit`, on the
// options' share of states, with the estimate's table where they stop.
std::unique_ptr<RelaxedDistances> kinderWorld(const WorldState& world, const Estimate& estimate,
                                              const SolveOptions& options, long limit) {
  return std::unique_ptr<RelaxedDistances>(new RelaxedDistances(
      world, static_cast<size_t>(options.budget) * RELAXED_STATES_PER_BUDGET,
      static_cast<int>(std::min<long>(limit, INT32_MAX)),
      [&estimate](int x) { return estimate.ticksAtX(x); }));
}

}  // namespace

SolveResult solveLevel(const SolveOptions& options) {
  KeptView kept;
  SolveResult result;
  WorldState world;
  Estimate estimate(true);
  if (!estimate.hasExit() || runOutcome() != RUN_PLAYING) {
    result.exhausted = true;
    return result;
  }
  const long lastTick = lastTickOf(world);
  Search search(world, estimate, std::max(1, std::min(options.step, MAX_STEP)), lastTick,
                options.guided);

  // Greedy passes find runs first. One weighs a guess from the player's x
  // twice, and if it finds nothing, one goes by the guess alone, which
  // waits well for a platform to come round. Then, sharing a budget, two
  // steer by the kinder world's distances, which know the walls and the
  // pushes through them (and from then on tighten the bound), each looking
  // only for a run shorter than the best so far; the second has only a
  // first look before the timed world. A pass that runs out of states
  // shows that there is none. Then the timed kinder world, which also
  // knows when the platforms come, searches every state that could still
  // beat the run in hand: when none finishes sooner there, none does here,
  // and its counts bound A* from then on.
  std::unique_ptr<RelaxedDistances> relaxed;
  if (options.guided) {
    Estimate guess(false);
    for (int weight : {GREEDY_WEIGHT, 0}) {
      if (searchPass(search, guess, weight, options.budget, lastTick, result)) return result;
      if (result.finishable) break;
    }
    long limit = result.finishable ? result.ticks : lastTick + 1;
    search.restoreStart();
    search.release();
    relaxed = kinderWorld(world, estimate, options, limit);
    if (relaxed->usable()) {
      estimate.tighten(relaxed.get());
      Estimate kinder(false);
      kinder.tighten(relaxed.get(), true);
      long share = std::max(1L, options.budget / 2);
      if (searchPass(search, kinder, GREEDY_WEIGHT, share, lastTick, result)) return result;
      // The pass by the counts alone finds its run soon or not at all: it
      // has a first look here, and its whole share only when the timed
      // world settles nothing. Cut short, it is the same pass, so it finds
      // the same run.
      long had = result.finishable ? result.ticks : -1;
      if (searchPass(search, kinder, 0, std::max(1L, share / QUICK_LOOK), lastTick, result))
        return result;
      bool found = (result.finishable ? result.ticks : -1) != had;
      search.restoreStart();
      search.release();
      if (relaxed->complete() &&
          settleByTheTimedWorld(search, world, *relaxed, estimate, options, lastTick, result))
        return result;
      if (!found && searchPass(search, kinder, 0, share, lastTick, result)) return result;
    }
  }

  // A* then either finds a shorter run, or shows by running out of states
  // that there is none, or runs out of budget first.
  searchPass(search, estimate, 1, options.budget, lastTick, result);
  search.restoreStart();
  return result;
}

std::vector<PickupReach> reachPickups(const SolveOptions& options) {
  KeptView kept;
  std::vector<PickupReach> reach;
  std::vector<Tile*> pickups;
  for (int row = 0; row < currentMap->getRows(); row++)
    for (int col = 0; col < currentMap->getCols(); col++) {
      Tile* tile = currentMap->getTile(col, row);
      if (tile->getType() != TILE_PICKUP) continue;
      pickups.push_back(tile);
      reach.push_back({col, row, false, false, 0});
    }
  WorldState world;
  Estimate estimate(true);
  if (pickups.empty() || !estimate.hasExit() || runOutcome() != RUN_PLAYING) return reach;
  // the kinder world's distances drop more of the states that cannot reach
  // the exit in time, so more searches are settled
  std::unique_ptr<RelaxedDistances> relaxed =
      kinderWorld(world, estimate, options, lastTickOf(world) + 1);
  if (relaxed->usable()) estimate.tighten(relaxed.get());
  Search search(world, estimate, std::max(1, std::min(options.step, MAX_STEP)), lastTickOf(world),
                true);
  std::vector<bool> taken(pickups.size(), false);
  PickupGoal goal;
  goal.pickups = &pickups;
  goal.taken = &taken;
  search.aimAt(&goal);
  const int tileW = currentMap->getTileWidth(), tileH = currentMap->getTileHeight();
  for (size_t i = 0; i < pickups.size(); i++) {
    if (taken[i]) continue;
    goal.target = pickups[i];
    goal.x = reach[i].col * tileW + tileW / 2;
    goal.y = reach[i].row * tileH + tileH / 2;
    // Weight 0 goes straight for it: any run that takes it will do.
    search.run(0, estimate, options.budget, lastTickOf(world) + 1, reach[i].states,
               reach[i].exhausted);
  }
  for (size_t i = 0; i < pickups.size(); i++) reach[i].reached = taken[i];
  search.restoreStart();
  return reach;
}
