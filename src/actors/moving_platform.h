// Moving platforms: blocks that shuttle horizontally or vertically at 4
// pixels a tick and carry the player standing on them.
#ifndef BRINDLECOVE_MOVING_PLATFORM_H
#define BRINDLECOVE_MOVING_PLATFORM_H

#include <vector>

#include "actors/actor.h"

const int PLATFORM_SPEED = 4;

class MovingPlatform : public Actor {
 public:
  // y == yMax makes a horizontal mover between x and xMax, anything else a
  // vertical one between y and yMax. Both start moving right or down.
  MovingPlatform(int x, int y, int xMax, int yMax, BITMAP* sprite);

  // One step; the platform turns one step beyond an end, without correction.
  void stepX();
  void stepY();
  int getVerticalSpeed() const { return verticalSpeed; }
  // For tools that save and rewind a run.
  void setVerticalSpeed(int value) { verticalSpeed = value; }

 private:
  int xMax;
  int yMax;
  int xMin;
  int yMin;
  int verticalSpeed;  // positive downwards
};

// The level's platforms in file order; a fixed number of slots.
class PlatformList {
 public:
  explicit PlatformList(int capacity);
  ~PlatformList();
  PlatformList(const PlatformList&) = delete;
  PlatformList& operator=(const PlatformList&) = delete;

  // Takes ownership; ignored (and freed) once every slot is filled.
  void add(MovingPlatform* platform);
  MovingPlatform* get(int i) const { return items[i]; }
  int getCapacity() const { return capacity; }
  int getCount() const { return count; }
  // The slot holding `platform`; -1 for none.
  int indexOf(const MovingPlatform* platform) const;

  // Every platform's horizontal and vertical step, in file order.
  void moveAll();
  // Last in every world tick: the first platform the player stands on while
  // moving down becomes his; none otherwise.
  void findPlatformUnderPlayer();

 private:
  int capacity;
  std::vector<MovingPlatform*> items;
  int count;
};

#endif
