// World state: everything a tick of play can change, saved as a row of
// integers and put back, so a search can branch from any moment of a run.
#ifndef BRINDLECOVE_WORLD_STATE_H
#define BRINDLECOVE_WORLD_STATE_H

#include <cstdint>
#include <vector>

class PickupTile;

class WorldState {
 public:
  // Notes the started level's pickups; the map, the lists and the player
  // must stay the same objects for as long as this is used.
  WorldState();

  // Appends the world (the clock, the view, the exit flag, the player, the
  // enemies, the platforms, the pickups and the bullets) and `tick`.
  void save(int tick, std::vector<int>& out) const;
  // Puts back what `save` wrote at `data`; returns the tick.
  int restore(const int* data) const;

  // A hash of what decides how the run can go on. The clock is left out
  // (the same world reached later only has less time), and so are the
  // points and the points pickups, which never act back on the world. So
  // are the walking pictures and their tick counts while all of an actor's
  // pictures have one size: then they change nothing but the look.
  uint64_t key() const;

  int getTimeBonusTotal() const { return timeBonusTotal; }

 private:
  std::vector<PickupTile*> pickups;  // every pickup of the level, in grid order
  std::vector<bool> inKey;           // ammunition and time pickups
  bool playerLookMatters;
  bool enemyLookMatters;
  int timeBonusTotal;                // the seconds all time pickups give
};

#endif
