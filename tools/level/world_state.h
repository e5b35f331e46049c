// World state: everything a tick of play can change, saved compactly and
// put back, so a search can branch from any moment of a run.
//
// The platforms and the enemies nobody has shot move the same whatever the
// player does, so they are not saved: they are run once from the start and
// looked up by the tick. A saved world holds only what differs between two
// runs at the same tick: the player, the clock, which pickups and enemies
// are gone, and the bullets in flight.
#ifndef BRINDLECOVE_WORLD_STATE_H
#define BRINDLECOVE_WORLD_STATE_H

#include <cstddef>
#include <cstdint>
#include <vector>

class PickupTile;
class Enemy;
class MovingPlatform;

class WorldState {
 public:
  // Takes the started level as it stands for tick 0; the map, the lists and
  // the player must stay the same objects for as long as this is used.
  WorldState();

  // Appends the world after `tick` ticks and `tick` itself.
  void save(int tick, std::vector<int>& out) const;
  // Puts back what `save` wrote at `data`; returns the tick.
  int restore(const int* data) const;

  // A hash of what decides how the run can go on. The clock is left out
  // (the same world reached later only has less time), and so are the
  // points, the points pickups and the shot enemies, which never act back
  // on the world. So are the walking pictures and their tick counts while
  // all of an actor's pictures have one size: then they change nothing but
  // the look.
  uint64_t key() const;

  int getTimeBonusTotal() const { return timeBonusTotal; }

  // Whether a bullet fired at (x, y) facing `direction` in the tick after
  // `tick` can hit any enemy alive now, were it the only one in flight. A
  // shot that cannot only costs ammunition.
  bool shotCanHit(int tick, int x, int y, int direction) const;

 private:
  // The platforms and enemies as they stand after `tick` ticks.
  const int* movingAt(int tick) const;

  std::vector<PickupTile*> pickups;  // every pickup of the level, in grid order
  std::vector<bool> inKey;           // ammunition and time pickups
  std::vector<Enemy*> enemies;
  std::vector<MovingPlatform*> platforms;
  bool playerLookMatters;
  bool enemyLookMatters;
  int timeBonusTotal;  // the seconds all time pickups give
  // Platforms then live enemies, one record a tick, grown on demand.
  mutable std::vector<int> timeline;
  size_t recordSize;
};

#endif
