// Moving platforms: the shuttle movement and the check for a rider.
#include "actors/moving_platform.h"

#include "actors/player.h"
#include "app/game_state.h"
#include "level/tile_map.h"

MovingPlatform::MovingPlatform(int x, int y, int xMax, int yMax, BITMAP* picture)
    : Actor(x, y, 0, picture), xMax(xMax), yMax(yMax), xMin(x), yMin(y), verticalSpeed(0) {
  if (y == yMax) speedX = PLATFORM_SPEED;
  else verticalSpeed = PLATFORM_SPEED;
}

void MovingPlatform::stepX() {
  if (speedX == 0) return;
  x += speedX;
  if (x > xMax || x < xMin) speedX = -speedX;
}

void MovingPlatform::stepY() {
  if (verticalSpeed == 0) return;
  y += verticalSpeed;
  if (y > yMax || y < yMin) verticalSpeed = -verticalSpeed;
}

PlatformList::PlatformList(int capacity)
    : capacity(capacity < 0 ? 0 : capacity), items(this->capacity, nullptr), count(0) {}

PlatformList::~PlatformList() {
  for (MovingPlatform* p : items) delete p;
}

void PlatformList::add(MovingPlatform* platform) {
  if (count < capacity) items[count++] = platform;
  else delete platform;
}

int PlatformList::indexOf(const MovingPlatform* platform) const {
  if (!platform) return -1;
  for (int i = 0; i < capacity; i++)
    if (items[i] == platform) return i;
  return -1;
}

void PlatformList::moveAll() {
  for (MovingPlatform* p : items) {
    if (!p) continue;
    p->stepX();
    p->stepY();
  }
}

void PlatformList::findPlatformUnderPlayer() {
  int fall = currentMap->getFallSpeed();
  for (MovingPlatform* p : items) {
    if (!p) continue;
    int px = player->getX();
    int pr = player->getRight();
    int pb = player->getBottom();
    bool alongside = (p->getX() <= px && px <= p->getRight()) ||
                     (p->getX() <= pr && pr <= p->getRight());
    bool feetInside = p->getY() <= pb && pb <= p->getBottom();
    bool notRising = fall + player->getSpeedY() > 0;
    if (alongside && feetInside && notRising) {
      player->setY(p->getY() - player->getHeight());
      player->setPlatform(p);
      return;
    }
    player->setPlatform(NULL);
  }
}
